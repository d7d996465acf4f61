#pragma once

// The "-----" button (1023): the player's position, read from the running game client with the
// profile chosen in list 1022, becomes the current position of the map and the coordinate boxes.

#include "CoordinateBoxController.h"
#include "DialogService.h"

#include <windows.h>

namespace spawn::win32 {

// Looks the client up, reads it and closes it again; a failure is shown in a message box and
// changes nothing.
void readClientPosition(HWND profileList, DialogService& dialogs, CoordinateBoxController& coordinates);

} // namespace spawn::win32
