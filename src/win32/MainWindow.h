#pragma once

// The editor's one window: the dialog from template 102 made the program's main window. It owns
// the editing session and the controls' helpers, draws what the session holds and routes every
// command and notification to it.

#include "CoordinateEdits.h"
#include "EditorSession.h"
#include "FormPanel.h"
#include "MapDots.h"
#include "MapMarker.h"
#include "RecordListControl.h"
#include "SpawnDots.h"
#include "Win32DialogService.h"
#include "Win32EventLoop.h"
#include "WorkerThread.h"

#include <windows.h>

#include <memory>
#include <string>

namespace spawn::win32 {

// The commands of the window's keys (Ctrl+Z; Ctrl+Y and Ctrl+Shift+Z), as the framework numbers them.
inline constexpr int kUndoCommand = 0xE12B;
inline constexpr int kRedoCommand = 0xE12C;

class MainWindow {
public:
    explicit MainWindow(HINSTANCE instance);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Makes the window from its template and initialises its controls, still hidden; false when
    // it cannot be made.
    bool create();
    // Start-up: the element names, then the spawn file; false when the program is to end (status
    // 0) before the window shows.
    bool start(const std::string& folder, const std::string& namedFile);
    void show(int how);

    HWND window() const { return m_window; }
    // The window's keys, for the message loop.
    HACCEL accelerators() const { return m_accelerators; }

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void connectSession();
    void fillClientProfiles();
    void onCommand(int id, int code);
    bool onNotify(const NMHDR& header, LPARAM lParam, LRESULT& result);
    void onFormScroll(int request, int thumb);
    bool paintIcon();
    void close();

    void formRebuilt();
    void showList();
    void markRow(int row); // -1: none
    void showRecordOfDot(std::int32_t position);
    void refreshDots();
    void historyKey(bool redo);
    void updateCaption();
    std::string boxText(int id) const;

    HINSTANCE m_instance;
    HWND m_window = nullptr;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    HACCEL m_accelerators = nullptr;
    Win32DialogService m_dialogs;
    Win32EventLoop m_loop;
    ActivationFileWatcher m_watcher;
    WorkerThread m_worker; // writes the recovery copies
    EditorSession m_session;
    std::unique_ptr<RecordListControl> m_list;
    std::unique_ptr<FormPanel> m_form;
    std::unique_ptr<MapMarker> m_marker;
    std::unique_ptr<CoordinateEdits> m_coordinates;
    std::unique_ptr<MapDots> m_dots;
    bool m_dotsDue = false; // the dots are drawn anew once the command at hand is done
    Subscriptions m_subscriptions; // dropped first, before what they call goes
};

} // namespace spawn::win32
