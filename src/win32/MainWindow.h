#pragma once

// The editor's one window: the dialog from template 102 made the program's main window. It owns
// the controls' helpers and routes every command and notification to the part that handles it.

#include "CoordinateEdits.h"
#include "CoreLink.h"
#include "FormPanel.h"
#include "MapMarker.h"
#include "RecordListView.h"
#include "Win32DialogService.h"

#include <windows.h>

#include <memory>
#include <string>

namespace spawn::win32 {

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

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void fillClientProfiles();
    void onCommand(int id, int code);
    bool onNotify(const NMHDR& header, LPARAM lParam, LRESULT& result);
    bool paintIcon();
    void close();

    HINSTANCE m_instance;
    HWND m_window = nullptr;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    Win32DialogService m_dialogs;
    CoreLink m_core{m_dialogs};
    std::unique_ptr<RecordListView> m_list;
    std::unique_ptr<FormPanel> m_form;
    std::unique_ptr<MapMarker> m_marker;
    std::unique_ptr<CoordinateEdits> m_coordinates;
};

} // namespace spawn::win32
