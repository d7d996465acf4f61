// Drives spawn-editor.exe from outside, for the tests under Wine: starts it, finds its windows
// and controls (by their IDs), sends them the messages a user's clicks and keys produce, answers
// its message boxes and file dialogs, and reports what it sees.
//
//     window-driver.exe EDITOR_EXE
//
// Reads one command a line from standard input and answers each with one line on standard output
// (UTF-8). Texts in answers have "\" written "\\" and line breaks "\n"; a text in a command is the
// rest of its line. Every answer that is no result is "ok", or "error WHAT".
//
// A control ID names the first control of that ID at any depth below the main window (a visible
// one before a hidden one), so the controls of the form's panel are found as the window's own;
// ID 0 is the main window itself (its text is the caption).
//
//   start FOLDER [FILE]      starts the editor in FOLDER (a Windows path), with FILE as argument
//   wait main|message|dialog|window|exit [SECONDS]
//                            waits (20 s unless given) until the main window shows ("main CAPTION"),
//                            a message box ("message TEXT"), a file dialog ("dialog CAPTION"), any of
//                            these three (window), or the editor has ended ("exit STATUS");
//                            "timeout" when it did not come
//   answer ID                presses button ID of the message box or file dialog last waited for,
//                            and waits until it has closed
//   choose PATH              types PATH as the file dialog's file name, presses its OK and waits
//                            until it has closed ("ok"), or until a message box shows over it (the
//                            question whether to replace a file): "message TEXT", and that box is
//                            the one the next answer presses
//   text ID                  "text TEXT" of control ID
//   texts ID...              "texts TEXT|TEXT|...": the texts of several controls in one answer
//   settext ID TEXT          sets the control's text as other code does (WM_SETTEXT)
//   type ID TEXT             types TEXT into the control, one WM_CHAR per character
//   paste ID TEXT            replaces the control's selection as a paste does (EM_REPLACESEL)
//   select ID START END      selects characters START..END of an edit box (EM_SETSEL; -1: the end)
//   key ID VK                presses and releases the virtual key VK in control ID (0: the window),
//                            through the editor's message loop (posted)
//   click ID                 clicks button ID (BM_CLICK, posted: a dialog it opens does not block)
//   row ID N                 clicks row N (0-based) of list view ID with the left button as a user
//                            does: brought into view, then the button pressed and released at the
//                            middle of the row's visible part (posted)
//   command ID               sends the window the command of control ID (WM_COMMAND, posted); an
//                            ID no control has is sent as an accelerator key sends it (57643 and
//                            57644: undo and redo)
//   close                    the close box (WM_SYSCOMMAND SC_CLOSE, posted)
//   wait-text ID TEXT        waits (20 s) until control ID is there and shows TEXT: what was posted
//                            (key, click, row, command) has taken effect; answers "text TEXT" with
//                            the text last seen, or "error no control ID" when it never came;
//                            it looks every millisecond, so "clock" before and after times the input
// Posted input takes effect when the editor gets to it: follow it with a wait or wait-text.
//   controls                 "controls N": the main window's child windows
//   control I                "control ID CLASS STYLE EXSTYLE LEFT TOP RIGHT BOTTOM VISIBLE TEXT" of
//                            child I (0-based, in Z order), the rectangle in the window's client
//                            coordinates, styles in hexadecimal
//   units X Y W H            "rect LEFT TOP RIGHT BOTTOM": that rectangle in dialog units in the main
//                            window's pixels (MapDialogRect on a copy of the template made here)
//   combo ID                 "combo COUNT SELECTED TEXT0|TEXT1|..."
//   checked ID               "checked 0|1|2" of a check box or radio button (BM_GETCHECK)
//   rows ID                  "rows N": the rows of a list view (LVM_GETITEMCOUNT)
//   marker                   "marker LEFT TOP RIGHT BOTTOM VISIBLE" of the map marker in the map
//                            picture's client coordinates, or "marker none"
//   kill                     ends the editor at once
//   clock                    "clock MICROSECONDS" of a steady clock, for timing what the editor does
//   quit                     ends this program

#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kMainWindowTemplate = 102;
constexpr int kRecordListId = 1000;
constexpr int kMapPictureId = 1024;
constexpr int kMapMarkerId = 1820;
constexpr int kMessageTextId = 0xFFFF;  // the text of a message box
constexpr int kFileNameComboId = 0x47C; // cmb13 of the explorer-style file dialog
constexpr int kFileNameEditId = 0x480;  // edt1, the older style's
constexpr std::chrono::milliseconds kPoll{20};
constexpr int kDefaultWaitSeconds = 20;
constexpr DWORD kSendTimeoutMs = 10000;

std::wstring wideOf(const std::string& utf8) {
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                                    static_cast<int>(utf8.size()), nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        static_cast<int>(wide.size()));
    return wide;
}

std::string utf8Of(const std::wstring& wide) {
    std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                                                  static_cast<int>(wide.size()), nullptr, 0,
                                                                  nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                        static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

std::string escaped(const std::wstring& text) {
    std::string out;
    for (const char c : utf8Of(text)) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// A window's text, read as another process reads it (WM_GETTEXT, which the system carries over).
std::wstring textOf(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

class Driver {
public:
    explicit Driver(std::wstring editor) : m_editor(std::move(editor)) {}
    ~Driver() {
        if (m_process.hProcess != nullptr) {
            CloseHandle(m_process.hProcess);
            CloseHandle(m_process.hThread);
        }
        if (m_template != nullptr) {
            DestroyWindow(m_template);
        }
    }

    // Runs one command; false for quit.
    bool run(const std::string& line) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        if (command == "quit") {
            return false;
        }
        answer(dispatch(command, in));
        return true;
    }

private:
    static void answer(const std::string& text) {
        std::fputs((text + "\n").c_str(), stdout);
        std::fflush(stdout);
    }

    static std::string restOf(std::istringstream& in) {
        std::string rest;
        std::getline(in, rest);
        if (!rest.empty() && rest.front() == ' ') {
            rest.erase(0, 1);
        }
        return rest;
    }

    std::string dispatch(const std::string& command, std::istringstream& in) {
        if (command == "start") {
            std::string folder;
            in >> folder;
            return start(wideOf(folder), wideOf(restOf(in)));
        }
        if (command == "clock") {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            return "clock " + std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
        }
        if (command == "wait") {
            std::string what;
            int seconds = kDefaultWaitSeconds;
            in >> what >> seconds;
            return wait(what, std::chrono::seconds(seconds));
        }
        if (m_process.hProcess == nullptr) {
            return "error the editor was not started";
        }
        int id = 0;
        if (command == "answer" && in >> id) {
            PostMessageW(m_modal, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            return untilGone(m_modal);
        }
        if (command == "choose") {
            return choose(wideOf(restOf(in)));
        }
        if (command == "close") {
            PostMessageW(m_main, WM_SYSCOMMAND, SC_CLOSE, 0);
            return "ok";
        }
        if (command == "kill") {
            TerminateProcess(m_process.hProcess, 1);
            return "ok";
        }
        if (command == "controls") {
            return "controls " + std::to_string(children().size());
        }
        if (command == "control" && in >> id) {
            return describe(id);
        }
        if (command == "units") {
            RECT rect{};
            in >> rect.left >> rect.top >> rect.right >> rect.bottom;
            return units(rect);
        }
        if (command == "marker") {
            return marker();
        }
        if (command == "texts") {
            std::string out = "texts ";
            for (bool first = true; in >> id; first = false) {
                if (!first) {
                    out += '|';
                }
                HWND control = controlOf(id);
                out += control != nullptr ? escaped(textOf(control)) : "(no control)";
            }
            return out;
        }
        if (!(in >> id)) {
            return "error no control ID";
        }
        if (command == "wait-text") {
            return waitText(id, wideOf(restOf(in)));
        }
        HWND control = controlOf(id);
        if (command == "command" && control == nullptr) {
            // As an accelerator key sends it: notification code 1, no control.
            PostMessageW(m_main, WM_COMMAND, MAKEWPARAM(id, 1), 0);
            return "ok";
        }
        if (control == nullptr) {
            return "error no control " + std::to_string(id);
        }
        return controlCommand(command, control, in);
    }

    // The control is looked up anew each time: it may come only with what was posted (the form's
    // boxes with the first record shown), and the form's panel makes its boxes anew when the
    // form changes shape.
    std::string waitText(int id, const std::wstring& wanted) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kDefaultWaitSeconds);
        const auto seenNow = [&] {
            HWND control = controlOf(id);
            return control != nullptr ? std::optional<std::wstring>(textOf(control)) : std::nullopt;
        };
        std::optional<std::wstring> seen = seenNow();
        // Looked at every millisecond, so that the time a command takes can be read off it.
        while (seen != wanted && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            seen = seenNow();
        }
        return seen ? "text " + escaped(*seen) : "error no control " + std::to_string(id);
    }

    std::string controlCommand(const std::string& command, HWND control, std::istringstream& in) {
        DWORD_PTR result = 0;
        if (command == "text") {
            return "text " + escaped(textOf(control));
        }
        if (command == "settext") {
            const std::wstring text = wideOf(restOf(in));
            SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                kSendTimeoutMs, &result);
            return "ok";
        }
        if (command == "paste") {
            const std::wstring text = wideOf(restOf(in));
            SendMessageTimeoutW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()),
                                SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
            return "ok";
        }
        if (command == "type") {
            for (const wchar_t c : wideOf(restOf(in))) {
                SendMessageTimeoutW(control, WM_CHAR, c, 1, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
            }
            return "ok";
        }
        if (command == "select") {
            int start = 0;
            int end = 0;
            in >> start >> end;
            SendMessageTimeoutW(control, EM_SETSEL, static_cast<WPARAM>(start), end, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                                &result);
            return "ok";
        }
        if (command == "key") {
            UINT key = 0;
            in >> key;
            PostMessageW(control, WM_KEYDOWN, key, 1);
            PostMessageW(control, WM_KEYUP, key, (1U << 31) | (1U << 30) | 1U);
            return "ok";
        }
        if (command == "click") {
            PostMessageW(control, BM_CLICK, 0, 0);
            return "ok";
        }
        if (command == "command") {
            PostMessageW(m_main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                         reinterpret_cast<LPARAM>(control));
            return "ok";
        }
        if (command == "combo") {
            return combo(control);
        }
        if (command == "checked") {
            SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
            return "checked " + std::to_string(result);
        }
        if (command == "rows") {
            SendMessageTimeoutW(control, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
            return "rows " + std::to_string(result);
        }
        if (command == "row") {
            int row = -1;
            in >> row;
            return clickRow(control, row);
        }
        return "error unknown command " + command;
    }

    // Control `id` at any depth below the main window, a visible one first; the window itself for 0.
    HWND controlOf(int id) const {
        if (id == 0 || m_main == nullptr) {
            return m_main;
        }
        HWND direct = GetDlgItem(m_main, id);
        if (direct != nullptr && IsWindowVisible(direct)) {
            return direct;
        }
        struct Search {
            int id;
            HWND visible;
            HWND any;
        } search{id, nullptr, direct};
        EnumChildWindows(
            m_main,
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                if (GetDlgCtrlID(window) != s->id) {
                    return TRUE;
                }
                if (s->any == nullptr) {
                    s->any = window;
                }
                if (IsWindowVisible(window)) {
                    s->visible = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.visible != nullptr ? search.visible : search.any;
    }

    // A left click on a row of a list view, as the mouse makes it. The row's rectangle is asked
    // for in the editor's memory: the list view writes it through a pointer the system does not
    // carry over to another process.
    std::string clickRow(HWND list, int row) const {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE, SMTO_ABORTIFHUNG,
                            kSendTimeoutMs, &result);
        void* remote = VirtualAllocEx(m_process.hProcess, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE,
                                      PAGE_READWRITE);
        if (remote == nullptr) {
            return "error VirtualAllocEx failed: " + std::to_string(GetLastError());
        }
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        SIZE_T moved = 0;
        result = 0;
        if (WriteProcessMemory(m_process.hProcess, remote, &bounds, sizeof bounds, &moved)) {
            SendMessageTimeoutW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote),
                                SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
        }
        const bool read = result != 0 && ReadProcessMemory(m_process.hProcess, remote, &bounds, sizeof bounds, &moved);
        VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
        if (!read) {
            return "error no row " + std::to_string(row);
        }
        RECT client{};
        GetClientRect(list, &client);
        RECT visible{};
        if (!IntersectRect(&visible, &bounds, &client)) {
            return "error row " + std::to_string(row) + " is out of view";
        }
        const LPARAM at = MAKELPARAM((visible.left + visible.right) / 2, (visible.top + visible.bottom) / 2);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        return "ok";
    }

    std::string start(const std::wstring& folder, const std::wstring& file) {
        std::wstring commandLine = L"\"" + m_editor + L"\"";
        if (!file.empty()) {
            commandLine += L" \"" + file + L"\"";
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(m_editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &startup, &m_process)) {
            return "error CreateProcess failed: " + std::to_string(GetLastError());
        }
        return "started";
    }

    // The editor's visible dialog windows.
    std::vector<HWND> editorDialogs() const {
        struct Search {
            DWORD pid;
            std::vector<HWND> found;
        } search{m_process.dwProcessId, {}};
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                if (pid == s->pid && IsWindowVisible(window) && className(window) == L"#32770") {
                    s->found.push_back(window);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    std::string wait(const std::string& what, std::chrono::seconds limit) {
        if (m_process.hProcess == nullptr) {
            return "error the editor was not started";
        }
        const auto deadline = std::chrono::steady_clock::now() + limit;
        do {
            if (what == "exit") {
                if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0) {
                    DWORD status = 0;
                    GetExitCodeProcess(m_process.hProcess, &status);
                    return "exit " + std::to_string(status);
                }
            } else {
                const bool any = what == "window";
                for (HWND dialog : editorDialogs()) {
                    if ((any || what == "main") && GetDlgItem(dialog, kRecordListId) != nullptr) {
                        m_main = dialog;
                        return "main " + escaped(textOf(dialog));
                    }
                    if ((any || what == "message") && isMessageBox(dialog)) {
                        m_modal = dialog;
                        return "message " + escaped(textOf(GetDlgItem(dialog, kMessageTextId)));
                    }
                    // A file dialog counts once it has its caption: it may show before it sets it.
                    if ((any || what == "dialog") && !textOf(dialog).empty() && isFileDialog(dialog)) {
                        m_modal = dialog;
                        return "dialog " + escaped(textOf(dialog));
                    }
                }
            }
            std::this_thread::sleep_for(kPoll);
        } while (std::chrono::steady_clock::now() < deadline);
        return "timeout";
    }

    static bool isFileDialog(HWND dialog) {
        return GetDlgItem(dialog, kFileNameComboId) != nullptr || GetDlgItem(dialog, kFileNameEditId) != nullptr;
    }

    // A box with a message text; neither the main window nor a file dialog, whose labels without
    // an ID have the message text's ID too.
    bool isMessageBox(HWND dialog) const {
        return dialog != m_main && !isFileDialog(dialog) && GetDlgItem(dialog, kMessageTextId) != nullptr;
    }

    std::string choose(const std::wstring& path) {
        HWND fileDialog = m_modal;
        HWND name = GetDlgItem(fileDialog, kFileNameComboId);
        if (name == nullptr) {
            name = GetDlgItem(fileDialog, kFileNameEditId);
        }
        if (name == nullptr) {
            return "error no file dialog";
        }
        DWORD_PTR result = 0;
        SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG,
                            kSendTimeoutMs, &result);
        PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kDefaultWaitSeconds);
        while (IsWindow(fileDialog) && IsWindowVisible(fileDialog)) {
            // While the file dialog is up, the editor waits for it: a box now is the dialog's own.
            for (HWND dialog : editorDialogs()) {
                if (isMessageBox(dialog)) {
                    m_modal = dialog;
                    return "message " + escaped(textOf(GetDlgItem(dialog, kMessageTextId)));
                }
            }
            if (std::chrono::steady_clock::now() > deadline) {
                return "error the dialog stays open";
            }
            std::this_thread::sleep_for(kPoll);
        }
        return "ok";
    }

    // Waits until the dialog just answered has closed, so that the next wait cannot find it.
    static std::string untilGone(HWND dialog) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kDefaultWaitSeconds);
        while (IsWindow(dialog) && IsWindowVisible(dialog)) {
            if (std::chrono::steady_clock::now() > deadline) {
                return "error the dialog stays open";
            }
            std::this_thread::sleep_for(kPoll);
        }
        return "ok";
    }

    std::vector<HWND> children() const {
        std::vector<HWND> found;
        for (HWND child = GetWindow(m_main, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            found.push_back(child);
        }
        return found;
    }

    static RECT rectIn(HWND window, HWND parent) {
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    static std::string rectText(const RECT& rect) {
        return std::to_string(rect.left) + " " + std::to_string(rect.top) + " " + std::to_string(rect.right) + " " +
               std::to_string(rect.bottom);
    }

    static std::string hex(LONG_PTR value) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(value));
        return text;
    }

    std::string describe(int index) const {
        const auto all = children();
        if (index < 0 || static_cast<std::size_t>(index) >= all.size()) {
            return "error no child " + std::to_string(index);
        }
        HWND child = all[static_cast<std::size_t>(index)];
        return "control " + std::to_string(GetDlgCtrlID(child)) + " " + utf8Of(className(child)) + " " +
               hex(GetWindowLongPtrW(child, GWL_STYLE)) + " " + hex(GetWindowLongPtrW(child, GWL_EXSTYLE)) + " " +
               rectText(rectIn(child, m_main)) + " " + (IsWindowVisible(child) ? "1" : "0") + " " +
               escaped(textOf(child));
    }

    // Dialog units map to pixels by the template's font, so a copy of the editor's own template,
    // made here and never shown, maps them as the editor's window does.
    std::string units(RECT rect) {
        if (m_template == nullptr) {
            HMODULE module = LoadLibraryExW(m_editor.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            m_template = CreateDialogParamW(module, MAKEINTRESOURCEW(kMainWindowTemplate), nullptr,
                                            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        }
        if (m_template == nullptr) {
            return "error the template could not be made: " + std::to_string(GetLastError());
        }
        // The dialog manager maps a control's place and its size each on its own, so its right
        // edge is the mapped left plus the mapped width.
        MapDialogRect(m_template, &rect);
        rect.right += rect.left;
        rect.bottom += rect.top;
        return "rect " + rectText(rect);
    }

    std::string combo(HWND control) const {
        DWORD_PTR count = 0;
        DWORD_PTR selected = 0;
        SendMessageTimeoutW(control, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &count);
        SendMessageTimeoutW(control, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &selected);
        std::string out = "combo " + std::to_string(static_cast<int>(count)) + " " +
                          std::to_string(static_cast<int>(selected)) + " ";
        for (DWORD_PTR i = 0; i < count; ++i) {
            DWORD_PTR length = 0;
            SendMessageTimeoutW(control, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length);
            std::wstring text(length + 1, L'\0');
            DWORD_PTR copied = 0;
            SendMessageTimeoutW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                                kSendTimeoutMs, &copied);
            text.resize(copied);
            if (i > 0) {
                out += '|';
            }
            out += escaped(text);
        }
        return out;
    }

    std::string marker() const {
        HWND picture = GetDlgItem(m_main, kMapPictureId);
        HWND marker = picture != nullptr ? GetDlgItem(picture, kMapMarkerId) : nullptr;
        if (marker == nullptr) {
            return "marker none";
        }
        return "marker " + rectText(rectIn(marker, picture)) + " " + (IsWindowVisible(marker) ? "1" : "0");
    }

    std::wstring m_editor;
    PROCESS_INFORMATION m_process{};
    HWND m_main = nullptr;
    HWND m_modal = nullptr;
    HWND m_template = nullptr;
};

} // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc != 2) {
        std::fputs("usage: window-driver.exe EDITOR_EXE\n", stderr);
        return 2;
    }
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    _setmode(_fileno(stdout), _O_BINARY);
    Driver driver(argv[1]);
    LocalFree(argv);
    char line[4096];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        std::string command(line);
        while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
            command.pop_back();
        }
        if (!driver.run(command)) {
            break;
        }
    }
    return 0;
}
