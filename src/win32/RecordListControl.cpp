#include "RecordListControl.h"

#include "WideText.h"

#include <commctrl.h>

#include <array>

namespace spawn::win32 {

namespace {

struct Column {
    const wchar_t* title;
    int width;
};
constexpr std::array<Column, 4> kColumns = {{{L"Num.", 40}, {L"ID", 40}, {L"----", 40}, {L"Name", 300}}};

constexpr COLORREF kBackground = RGB(0, 0, 0);
constexpr COLORREF kText = RGB(0, 0xFF, 0);

} // namespace

RecordListControl::RecordListControl(HWND list) : m_list(list) {
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        column.iSubItem = static_cast<int>(i);
        SendMessageW(m_list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    ListView_SetBkColor(m_list, kBackground);
    ListView_SetTextBkColor(m_list, kBackground);
    ListView_SetTextColor(m_list, kText);
}

void RecordListControl::show(int rowCount, RowText rowText) {
    m_rowText = std::move(rowText);
    // The rows' texts are asked for as they are drawn: with the same count, drawing them anew is all.
    if (ListView_GetItemCount(m_list) != rowCount) {
        ListView_SetItemCountEx(m_list, rowCount, LVSICF_NOSCROLL);
    }
    InvalidateRect(m_list, nullptr, FALSE);
}

bool RecordListControl::onNotify(const NMHDR& header, LPARAM lParam, const std::function<void(int)>& onClick,
                              LRESULT& result) {
    if (header.hwndFrom != m_list) {
        return false;
    }
    if (header.code == LVN_GETDISPINFOW) {
        auto& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
        if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
            const std::wstring text = m_rowText ? wideOf(m_rowText(item.iItem, item.iSubItem)) : std::wstring();
            lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
        }
        result = 0;
        return true;
    }
    if (header.code == NM_CLICK) {
        onClick(static_cast<int>(SendMessageW(m_list, LVM_GETSELECTIONMARK, 0, 0)));
        result = 0;
        return true;
    }
    return false;
}

} // namespace spawn::win32
