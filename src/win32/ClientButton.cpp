#include "ClientButton.h"

#include "ClientPosition.h"

namespace spawn::win32 {

void readClientPosition(HWND profileList, DialogService& dialogs, CoordinateBoxController& coordinates) {
    // The list always has a selection (item 0 from the start), and only the profiles' items.
    const LRESULT selected = SendMessageW(profileList, CB_GETCURSEL, 0, 0);
    const std::size_t profile = selected >= 0 && static_cast<std::size_t>(selected) < kClientProfiles.size()
                                    ? static_cast<std::size_t>(selected)
                                    : 0;
    const auto connector = makeClientConnector();
    const auto position = spawn::readClientPosition(*connector, profile);
    if (!position) {
        dialogs.showMessage(position.error().message);
        return;
    }
    coordinates.setWorldPosition(position.value().x, position.value().y, position.value().z);
}

} // namespace spawn::win32
