#pragma once

// The window's one link to the editing core: whatever the window asks of the spawn file and its
// records goes through here, so that the core's editor session takes this place whole.
//
// Until it does, start-up reads the element names and the spawn file through the data layer, as
// the Linux window's start-up does, and the list shows the file's records; the record commands
// (Apply, New, "+", "-", search, Refresh, Remove, Save, "<--Set the coordinates NPC", a click in
// the list) are routed here and not served yet.

#include "DialogService.h"
#include "ElementNameTables.h"
#include "SpawnFile.h"

#include <optional>
#include <string>

namespace spawn::win32 {

class CoreLink {
public:
    explicit CoreLink(DialogService& dialogs) : m_dialogs(dialogs) {}

    // Reads "elements.data" and the spawn file (`namedFile`, or "mobset.data" in `folder`), asking
    // with the open dialog for what is missing; false when the program is to end (a dialog was
    // cancelled, or the database is unusable and its message was shown).
    bool start(const std::string& folder, const std::string& namedFile);

    // The record list's rows: their count, and the text of a column (number, creature ID, entry
    // count, name) of a 0-based row.
    int rowCount() const;
    std::string rowText(int row, int column) const;
    // The count label's text, "Total NPC-->%d".
    std::string countLabel() const;

    // A command of the window that the editing core carries out: the ID of the control.
    void command(int controlId);
    // A click in the record list on the 0-based row the list marks, -1 for none.
    void recordClicked(int row);

    // Whether the window may close now.
    bool mayClose() const;

private:
    DialogService& m_dialogs;
    ElementNameTables m_names;
    std::optional<SpawnFile> m_file;
    std::string m_spawnPath;
};

} // namespace spawn::win32
