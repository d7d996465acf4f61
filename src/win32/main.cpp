// spawn-editor.exe: the editor's Win32 window. Takes the spawn file to open as its one optional
// argument; ends with status 0, also when start-up is cancelled.

#include "MainWindow.h"
#include "WideText.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <filesystem>
#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    using namespace spawn::win32;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::string namedFile = argc > 1 ? utf8Of(argv[1]) : std::string();
    LocalFree(argv);
    std::error_code ec;
    const std::string folder = utf8Of(std::filesystem::current_path(ec).wstring());

    MainWindow window(instance);
    if (!window.create() || !window.start(folder, namedFile)) {
        return 0;
    }
    window.show(show);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(window.window(), window.accelerators(), &message) &&
            !IsDialogMessageW(window.window(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
