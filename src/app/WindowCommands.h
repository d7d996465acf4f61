#pragma once

// Every command of the main window: its name as shown, its keys, where it lives and what it does.
// The window makes its actions and their keys from this table, and the command list (F1) shows
// the table, so that the list cannot tell of a key the window does not have. Standard library
// only.

#include <array>
#include <cstddef>
#include <iterator>
#include <string_view>

namespace spawn {

enum class CommandPlace { Button, CheckBox, ListMenu, Window, Map };

struct WindowCommand {
    std::string_view name;   // as its control or menu item shows it, or the map gesture
    std::string_view action; // the objectName of the window's action for it; empty when none
    // In QKeySequence's portable text ("Ctrl+E"); empty for none. The keys of a command with an
    // action work anywhere in the window.
    std::array<std::string_view, 2> keys{};
    CommandPlace place = CommandPlace::Button;
    std::string_view what;
    // While a text box has the focus its keys edit the box (undo, redo, copy, paste there) rather
    // than run the command; the keys of every other command with an action pass the box by.
    bool textBoxKeepsKeys = false;
};

namespace CommandTable {
using enum CommandPlace;

// In the order the command list shows them.
// clang-format off
inline constexpr WindowCommand kWindowCommands[] = {
    {"Refresh", {}, {}, Button, "lists every record again"},
    {"Ok->>", {}, {}, Button, "lists the records whose creature ID or name (ID / Name) matches the text"},
    {"Remove", {}, {}, Button, "removes the marked record"},
    {"Apply", {}, {}, Button, "writes the form into the record it was filled from"},
    {"New", {}, {}, Button, "appends the form as a new record"},
    {"+", {}, {}, Button, "adds a creature entry to the form"},
    {"-", {}, {}, Button, "removes the form's last creature entry"},
    {"Save", {}, {}, Button, "backs up the file on disk to .bak and writes the records to the file you name"},
    {"Logout", {}, {"Esc"}, Button, "closes the window, asking first about unsaved work"},
    {"<--Set the coordinates NPC", {}, {}, Button, "copies the world X, Y, Z boxes into the form"},
    {"-----", {}, {}, Button, "reads the player's position from a running game client"},
    {"All NPC", {}, {"Alt+A"}, CheckBox, "shows or hides the dots of the listed areas"},
    {"Ranges", {}, {"Alt+R"}, CheckBox, "draws every area's movement range from 4x on"},
    {"Undo", "Undo", {"Ctrl+Z"}, ListMenu,
     "takes back the last record change (in a text box: its typing)", true},
    {"Redo", "Redo", {"Ctrl+Shift+Z", "Ctrl+Y"}, ListMenu,
     "does the change taken back again (in a text box: its typing)", true},
    {"Show changed records", "ShowChangedRecords", {}, ListMenu,
     "lists the records added or changed since the file was loaded or saved"},
    {"Edit listed records…", "EditListed", {"Ctrl+E"}, ListMenu,
     "sets, adds to or multiplies one field of every listed record"},
    {"Remove listed records…", "RemoveListed", {}, ListMenu, "removes every listed record, asking first"},
    {"History…", "History", {"Ctrl+H"}, ListMenu,
     "lists the steps; a click or the arrow keys there go to a step, Ctrl+Z and Ctrl+Y step back and forth"},
    {"Copy record", "Copy record", {"Ctrl+C"}, ListMenu,
     "copies the record the form shows (in a text box: its text)", true},
    {"Copy listed records", "Copy listed records", {}, ListMenu, "copies every listed record"},
    {"Paste records", "Paste records", {"Ctrl+V"}, ListMenu,
     "appends the records on the clipboard (in a text box: pastes text)", true},
    {"Append records from file…", "Append records from file…", {}, ListMenu,
     "appends every record of a spawn file or JSON export"},
    {"Problems…", "Problems", {"Ctrl+P"}, ListMenu, "lists what will misbehave on the server"},
    {"Commands…", "Commands", {"F1"}, Window, "this list"},
    {"Click a dot", {}, {}, Map, "shows its area in the form"},
    {"Click elsewhere", {}, {}, Map, "puts the map position into the map X and Y boxes"},
    {"Drag a dot", {}, {"Esc"}, Map,
     "moves its area as far as the pointer moved (4 pixels or more); Esc cancels midway"},
    {"Shift + drag", {}, {}, Map, "lists the areas inside the rectangle, as a search's hits"},
    {"Wheel", {}, {}, Map, "zooms about the pointer, 1x to 32x"},
    {"+ and -", {}, {"+", "-"}, Map, "zoom about the centre, once the map was clicked"},
    {"Right or middle drag", {}, {}, Map, "pans"},
    {"Middle double-click", {}, {"Home"}, Map, "shows the whole map again"},
};
// clang-format on
} // namespace CommandTable

using CommandTable::kWindowCommands;

// The command whose action is `action`; a name the table lacks does not compile.
consteval const WindowCommand& windowCommand(std::string_view action) {
    std::size_t i = 0;
    while (i < std::size(kWindowCommands) && kWindowCommands[i].action != action) {
        ++i;
    }
    return kWindowCommands[i]; // past the end for a name the table lacks: no constant
}

// "button", "check box", … as the command list names the place.
constexpr std::string_view commandPlaceName(CommandPlace place) {
    switch (place) {
    case CommandPlace::Button:
        return "button";
    case CommandPlace::CheckBox:
        return "check box";
    case CommandPlace::ListMenu:
        return "record list's menu";
    case CommandPlace::Window:
        return "window";
    case CommandPlace::Map:
        return "map";
    }
    return {};
}

} // namespace spawn
