#include "MainWindow.h"

#include "ClientButton.h"
#include "RecoveryFiles.h"
#include "ResourceIds.h"
#include "SpawnLayout.h"
#include "SpawnVersion.h"
#include "WideText.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

namespace spawn::win32 {

namespace {

// The client-profile texts of the dialog initialisation data are in this code page.
constexpr UINT kProfileTextCodePage = 936;
constexpr WORD kAddStringMessage = 0x0403; // the framework's code for CB_ADDSTRING
constexpr const char* kProgramName = "Spawn Editor";

} // namespace

MainWindow::MainWindow(HINSTANCE instance)
    : m_instance(instance),
      m_session(SessionPlatform{m_dialogs, m_loop, m_worker, m_watcher, defaultRecoveryFolder()}) {
    std::array<ACCEL, 3> keys{{{FCONTROL | FVIRTKEY, 'Z', kUndoCommand},
                               {FCONTROL | FVIRTKEY, 'Y', kRedoCommand},
                               {FCONTROL | FSHIFT | FVIRTKEY, 'Z', kRedoCommand}}};
    m_accelerators = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

MainWindow::~MainWindow() {
    m_subscriptions.clear();
    m_dots.reset();
    m_coordinates.reset();
    if (m_window != nullptr) {
        DestroyWindow(m_window);
    }
    for (HICON icon : {m_bigIcon, m_smallIcon}) {
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
    if (m_accelerators != nullptr) {
        DestroyAcceleratorTable(m_accelerators);
    }
}

bool MainWindow::create() {
    m_window = CreateDialogParamW(m_instance, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr, dialogProc,
                                  reinterpret_cast<LPARAM>(this));
    return m_window != nullptr;
}

bool MainWindow::start(const std::string& folder, const std::string& namedFile) {
    if (!m_session.start(folder, namedFile)) {
        return false;
    }
    showList();
    updateCaption();
    return true;
}

void MainWindow::show(int how) {
    ShowWindow(m_window, how);
    UpdateWindow(m_window);
}

INT_PTR CALLBACK MainWindow::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<MainWindow*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_window = window;
        self->initialise();
        return TRUE;
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return self != nullptr ? self->handle(message, wParam, lParam) : FALSE;
}

// In the order the window has always been set up: icons, list, form panel, profile, font, scroll
// bar, search mode. The coordinate boxes show their zeros from the start.
void MainWindow::initialise() {
    m_dialogs.setOwner(m_window);
    m_bigIcon = static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon = static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
    SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    m_list = std::make_unique<RecordListControl>(GetDlgItem(m_window, IDC_RECORD_LIST));
    m_form = std::make_unique<FormPanel>(m_instance, GetDlgItem(m_window, IDC_FORM_FRAME),
                                         [this](std::size_t j, std::string text) {
                                             m_session.editor().typeIntoField(j, std::move(text));
                                         });
    fillClientProfiles();
    SendDlgItemMessageW(m_window, IDC_CLIENT_PROFILE, CB_SETCURSEL, 0, 0);
    ShowWindow(GetDlgItem(m_window, IDC_FORM_SCROLL_BAR), SW_HIDE);
    CheckDlgButton(m_window, IDC_SEARCH_BY_ID, BST_CHECKED);
    m_marker = std::make_unique<MapMarker>(m_instance, GetDlgItem(m_window, IDC_MAP_PICTURE));
    m_coordinates = std::make_unique<CoordinateEdits>(m_window, *m_marker);
    m_dots = std::make_unique<MapDots>(m_instance, GetDlgItem(m_window, IDC_MAP_PICTURE),
                                       [this](std::int32_t position) { showRecordOfDot(position); });
    connectSession();
}

// What the session tells the window, and what the window draws of it.
void MainWindow::connectSession() {
    RecordEditor& editor = m_session.editor();
    RecordListView& list = m_session.listView();
    SpawnDocument& document = m_session.document();
    m_subscriptions += editor.countLabelChanged.connect(
        [this] { SetDlgItemTextW(m_window, IDC_COUNT_LABEL, wideOf(m_session.editor().countLabel()).c_str()); });
    m_subscriptions += list.reset.connect([this] { showList(); });
    m_subscriptions += list.rowsChanged.connect([this](int first, int last) {
        ListView_RedrawItems(m_list->window(), first, last);
        refreshDots();
    });
    m_subscriptions += editor.formRebuilt.connect([this] { formRebuilt(); });
    m_subscriptions += editor.formFilled.connect([this] { m_form->refill(m_session.editor().form()); });
    m_subscriptions += editor.worldPositionShown.connect(
        [this](double x, double y, double z) { m_coordinates->controller().setWorldPosition(x, y, z); });
    m_subscriptions += editor.currentRowFollowed.connect([this](int row) { markRow(row); });
    m_subscriptions += editor.rowAppended.connect(
        [this](int row) { ListView_EnsureVisible(m_list->window(), row, FALSE); });
    m_subscriptions += document.modifiedChanged.connect([this](bool) { updateCaption(); });
    m_subscriptions += m_session.fileOpened.connect([this] { updateCaption(); });
}

void MainWindow::showList() {
    const RecordListView& list = m_session.listView();
    m_list->show(list.rowCount(), [this](int row, int column) {
        const RecordListView& view = m_session.listView();
        return row < view.rowCount() ? view.cellText(row, static_cast<RecordListView::Column>(column)) : std::string();
    });
    // After the list is drawn anew the row the commands act on stays marked.
    const int row = m_session.editor().currentRow();
    if (row >= 0 && row < list.rowCount()) {
        ListView_SetItemState(m_list->window(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetSelectionMark(m_list->window(), row);
    }
    refreshDots();
}

void MainWindow::markRow(int row) {
    HWND list = m_list->window();
    // The list marks one row at most: only the marked one is cleared (not every row of 50,000).
    const int marked = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (marked >= 0 && marked != row) {
        ListView_SetItemState(list, marked, 0, LVIS_SELECTED | LVIS_FOCUSED);
    }
    if (row < 0 || row >= m_session.listView().rowCount()) {
        ListView_SetSelectionMark(list, -1);
        return;
    }
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(list, row);
    ListView_EnsureVisible(list, row, FALSE);
}

void MainWindow::showRecordOfDot(std::int32_t position) {
    const int row = m_session.listView().rowOfPosition(position);
    if (row < 0) {
        return;
    }
    markRow(row);
    m_session.editor().selectRecord(row);
}

void MainWindow::refreshDots() {
    // Once for all the changes of one command, when it is done.
    if (m_dotsDue) {
        return;
    }
    m_dotsDue = true;
    m_loop.post([this] {
        m_dotsDue = false;
        m_dots->show(m_session.listedDots());
    });
}

void MainWindow::formRebuilt() {
    const RecordForm& form = m_session.editor().form();
    m_form->rebuild(form);
    HWND bar = GetDlgItem(m_window, IDC_FORM_SCROLL_BAR);
    RECT frame{};
    GetClientRect(GetDlgItem(m_window, IDC_FORM_FRAME), &frame);
    const auto maximum = FormGeometry::scrollMaximum(form.columnCount(), frame.right);
    if (!maximum) {
        ShowWindow(bar, SW_HIDE);
        SetScrollPos(bar, SB_CTL, 0, TRUE);
        return;
    }
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = form.columnCount() * FormGeometry::kColumnWidth;
    info.nPage = static_cast<UINT>(frame.right);
    info.nPos = 0;
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
    ShowWindow(bar, SW_SHOW);
}

void MainWindow::onFormScroll(int request, int thumb) {
    using FormGeometry::ScrollRequest;
    HWND bar = GetDlgItem(m_window, IDC_FORM_SCROLL_BAR);
    ScrollRequest kind = ScrollRequest::Other;
    switch (request) {
    case SB_LINELEFT:
        kind = ScrollRequest::LineLeft;
        break;
    case SB_LINERIGHT:
        kind = ScrollRequest::LineRight;
        break;
    case SB_PAGELEFT:
        kind = ScrollRequest::PageLeft;
        break;
    case SB_PAGERIGHT:
        kind = ScrollRequest::PageRight;
        break;
    case SB_THUMBTRACK:
        kind = ScrollRequest::ThumbTrack;
        break;
    default:
        break;
    }
    RECT frame{};
    GetClientRect(GetDlgItem(m_window, IDC_FORM_FRAME), &frame);
    const int maximum = FormGeometry::scrollMaximum(m_session.editor().form().columnCount(), frame.right).value_or(0);
    const int position = FormGeometry::scrollPosition(kind, GetScrollPos(bar, SB_CTL), thumb, maximum);
    SetScrollPos(bar, SB_CTL, position, TRUE);
    m_form->scrollTo(position);
}

std::string MainWindow::boxText(int id) const {
    return utf8Of(windowText(GetDlgItem(m_window, id)));
}

void MainWindow::historyKey(bool redo) {
    // Only a box that can take the keys undoes its own typing; a read-only one passes them on.
    HWND focus = GetFocus();
    std::array<wchar_t, 16> className{};
    if (focus != nullptr && GetClassNameW(focus, className.data(), static_cast<int>(className.size())) > 0 &&
        lstrcmpiW(className.data(), L"Edit") == 0 && (GetWindowLongW(focus, GWL_STYLE) & ES_READONLY) == 0) {
        SendMessageW(focus, EM_UNDO, 0, 0); // the box's one step, back or forth
        return;
    }
    redo ? m_session.editor().redo() : m_session.editor().undo();
}

void MainWindow::updateCaption() {
    // The open file's name, so that two windows can be told apart; "*" while work is unsaved.
    const std::string& path = m_session.document().spawnPath();
    std::string name = path.empty() ? std::string(SpawnLayout::kDefaultFileName)
                                    : utf8Of(std::filesystem::path(wideOf(path)).filename().wstring());
    if (m_session.document().isModified()) {
        name += '*';
    }
    SetWindowTextW(m_window, wideOf(std::string(kProgramName) + " " + kProgramVersion + " - " + name).c_str());
}

// The dialog initialisation data: (control, message, byte count, bytes) until a zero control.
void MainWindow::fillClientProfiles() {
    HRSRC found = FindResourceW(m_instance, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), MAKEINTRESOURCEW(RT_SPAWN_DLGINIT));
    if (found == nullptr) {
        return;
    }
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(m_instance, found)));
    const DWORD size = SizeofResource(m_instance, found);
    constexpr DWORD kEntryHeader = 2 * sizeof(WORD) + sizeof(DWORD);
    for (DWORD at = 0; data != nullptr && at + sizeof(WORD) <= size;) {
        WORD control = 0;
        std::memcpy(&control, data + at, sizeof control);
        if (control == 0 || at + kEntryHeader > size) {
            break;
        }
        WORD message = 0;
        DWORD length = 0;
        std::memcpy(&message, data + at + sizeof(WORD), sizeof message);
        std::memcpy(&length, data + at + 2 * sizeof(WORD), sizeof length);
        at += kEntryHeader;
        if (length > size - at) {
            break;
        }
        if (message == kAddStringMessage) {
            const auto* text = reinterpret_cast<const char*>(data + at);
            const int bytes = static_cast<int>(strnlen(text, length));
            std::wstring wide(static_cast<std::size_t>(
                                  MultiByteToWideChar(kProfileTextCodePage, 0, text, bytes, nullptr, 0)),
                              L'\0');
            MultiByteToWideChar(kProfileTextCodePage, 0, text, bytes, wide.data(), static_cast<int>(wide.size()));
            SendDlgItemMessageW(m_window, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        }
        at += length;
    }
}

INT_PTR MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(m_window, IDC_FORM_SCROLL_BAR)) {
            onFormScroll(LOWORD(wParam), static_cast<std::int16_t>(HIWORD(wParam)));
            return TRUE;
        }
        return FALSE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            // Not from inside the message: the check may bring up a question.
            m_loop.post([this] { m_session.checkFileOnDisk(); });
        }
        return FALSE;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (onNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam, result)) {
            SetWindowLongPtrW(m_window, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    }
    case WM_PAINT:
        return paintIcon() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_bigIcon);
    case WM_CLOSE:
        close();
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

void MainWindow::onCommand(int id, int code) {
    if (m_coordinates && m_coordinates->onCommand(id, code)) {
        return;
    }
    switch (id) {
    case IDOK: // Enter does nothing (in a coordinate box it finishes the editing, see CoordinateEdits)
        return;
    case IDCANCEL: // Escape, the close box
    case IDC_LOGOUT:
        close();
        return;
    case IDC_READ_CLIENT_POSITION:
        readClientPosition(GetDlgItem(m_window, IDC_CLIENT_PROFILE), m_dialogs, m_coordinates->controller());
        return;
    case kUndoCommand:
    case kRedoCommand:
        historyKey(id == kRedoCommand);
        return;
    default:
        break;
    }
    if (code != BN_CLICKED) {
        return;
    }
    RecordEditor& editor = m_session.editor();
    switch (id) {
    case IDC_SAVE:
        m_session.save();
        return;
    case IDC_NEW:
        editor.newRecord();
        return;
    case IDC_APPLY:
        editor.applyForm();
        return;
    case IDC_ADD_ENTRY:
        editor.addEntry();
        return;
    case IDC_REMOVE_ENTRY:
        editor.removeLastEntry();
        return;
    case IDC_SEARCH:
        editor.searchRecords(boxText(IDC_SEARCH_TEXT));
        return;
    case IDC_REFRESH:
        editor.refreshRecordList();
        return;
    case IDC_SEARCH_BY_ID:
        editor.setSearchMode(SearchMode::Id);
        return;
    case IDC_SEARCH_BY_NAME:
        editor.setSearchMode(SearchMode::Name);
        return;
    case IDC_REMOVE_RECORD:
        editor.removeRecord();
        return;
    case IDC_SET_COORDINATES:
        editor.copyPositionToForm(boxText(IDC_WORLD_X), boxText(IDC_WORLD_Y), boxText(IDC_WORLD_Z));
        return;
    default:
        return;
    }
}

bool MainWindow::onNotify(const NMHDR& header, LPARAM lParam, LRESULT& result) {
    return m_list && m_list->onNotify(
                         header, lParam, [this](int row) { m_session.editor().selectRecord(row); }, result);
}

// While minimised the window shows the application icon centred in its client area.
bool MainWindow::paintIcon() {
    if (!IsIconic(m_window)) {
        return false;
    }
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(m_window, &paint);
    SendMessageW(m_window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(m_window, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_bigIcon);
    EndPaint(m_window, &paint);
    return true;
}

void MainWindow::close() {
    if (m_session.mayClose()) {
        DestroyWindow(m_window);
        m_window = nullptr;
    }
}

} // namespace spawn::win32
