#include "MainWindow.h"

#include "ClientButton.h"
#include "ResourceIds.h"
#include "WideText.h"

#include <commctrl.h>

#include <cstring>

namespace spawn::win32 {

namespace {

// The client-profile texts of the dialog initialisation data are in this code page.
constexpr UINT kProfileTextCodePage = 936;
constexpr WORD kAddStringMessage = 0x0403; // the framework's code for CB_ADDSTRING

} // namespace

MainWindow::MainWindow(HINSTANCE instance) : m_instance(instance) {}

MainWindow::~MainWindow() {
    m_coordinates.reset();
    if (m_window != nullptr) {
        DestroyWindow(m_window);
    }
    for (HICON icon : {m_bigIcon, m_smallIcon}) {
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}

bool MainWindow::create() {
    m_window = CreateDialogParamW(m_instance, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr, dialogProc,
                                  reinterpret_cast<LPARAM>(this));
    return m_window != nullptr;
}

bool MainWindow::start(const std::string& folder, const std::string& namedFile) {
    if (!m_core.start(folder, namedFile)) {
        return false;
    }
    SetDlgItemTextW(m_window, IDC_COUNT_LABEL, wideOf(m_core.countLabel()).c_str());
    m_list->show(m_core.rowCount(), [this](int row, int column) { return m_core.rowText(row, column); });
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
    m_list = std::make_unique<RecordListView>(GetDlgItem(m_window, IDC_RECORD_LIST));
    m_form = std::make_unique<FormPanel>(m_instance, GetDlgItem(m_window, IDC_FORM_FRAME));
    fillClientProfiles();
    SendDlgItemMessageW(m_window, IDC_CLIENT_PROFILE, CB_SETCURSEL, 0, 0);
    ShowWindow(GetDlgItem(m_window, IDC_FORM_SCROLL_BAR), SW_HIDE);
    CheckDlgButton(m_window, IDC_SEARCH_BY_ID, BST_CHECKED);
    m_marker = std::make_unique<MapMarker>(m_instance, GetDlgItem(m_window, IDC_MAP_PICTURE));
    m_coordinates = std::make_unique<CoordinateEdits>(m_window, *m_marker);
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
    case IDC_SAVE:
    case IDC_NEW:
    case IDC_APPLY:
    case IDC_ADD_ENTRY:
    case IDC_REMOVE_ENTRY:
    case IDC_SEARCH:
    case IDC_REFRESH:
    case IDC_SEARCH_BY_ID:
    case IDC_SEARCH_BY_NAME:
    case IDC_REMOVE_RECORD:
    case IDC_SET_COORDINATES:
        if (code == BN_CLICKED) {
            m_core.command(id);
        }
        return;
    default:
        return;
    }
}

bool MainWindow::onNotify(const NMHDR& header, LPARAM lParam, LRESULT& result) {
    return m_list && m_list->onNotify(header, lParam, [this](int row) { m_core.recordClicked(row); }, result);
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
    if (m_core.mayClose()) {
        DestroyWindow(m_window);
        m_window = nullptr;
    }
}

} // namespace spawn::win32
