#pragma once

// The record list (list view 1000): four columns, green on black, and no items of its own. It is
// an owner-data list: it asks for the text of each row it draws, so a list of 50,000 records costs
// no more than one of ten.

#include <windows.h>

#include <functional>
#include <string>

namespace spawn::win32 {

class RecordListControl {
public:
    // The text of a row's column (0: number, 1: creature ID, 2: entry count, 3: name), UTF-8.
    using RowText = std::function<std::string(int row, int column)>;

    // Sets the list's style, columns and colours. `list` must be a list view with LVS_OWNERDATA.
    explicit RecordListControl(HWND list);

    // Shows `rowCount` rows whose texts `rowText` gives from now on.
    void show(int rowCount, RowText rowText);

    // The list's notifications (WM_NOTIFY from it): true when handled, with `result` set.
    // `onClick` runs for a click (NM_CLICK) with the row last selected, -1 when none.
    bool onNotify(const NMHDR& header, LPARAM lParam, const std::function<void(int)>& onClick, LRESULT& result);

    HWND window() const { return m_list; }

private:
    HWND m_list;
    RowText m_rowText;
};

} // namespace spawn::win32
