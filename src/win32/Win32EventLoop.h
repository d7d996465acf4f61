#pragma once

// The window's event loop for the editing core: timers on WM_TIMER and tasks posted to the GUI
// thread as messages, both through a message-only window of their own.

#include "EventLoop.h"

#include <windows.h>

#include <map>

namespace spawn::win32 {

class Win32EventLoop final : public EventLoop {
public:
    Win32EventLoop();
    ~Win32EventLoop() override;
    Win32EventLoop(const Win32EventLoop&) = delete;
    Win32EventLoop& operator=(const Win32EventLoop&) = delete;

    Clock::time_point now() const override { return Clock::now(); }
    std::unique_ptr<Timer> makeTimer(std::function<void()> timeout) override;
    void post(std::function<void()> task) override;

private:
    class LoopTimer;
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    UINT_PTR m_nextTimerId = 1;
    std::map<UINT_PTR, LoopTimer*> m_timers;
};

// No watcher of its own: the window compares the file on disk when it is activated.
class ActivationFileWatcher final : public FileWatcher {
public:
    void watch(const std::string&, std::function<void()>) override {}
    void rewatch() override {}
};

} // namespace spawn::win32
