#pragma once

#include "EventLoop.h"

#include <QFileSystemWatcher>
#include <QObject>

namespace spawn {

// The Qt event loop for the editing core: QTimer timers, tasks queued to the GUI thread.
class QtEventLoop final : public EventLoop {
public:
    QtEventLoop();
    ~QtEventLoop() override;

    Clock::time_point now() const override { return Clock::now(); }
    std::unique_ptr<Timer> makeTimer(std::function<void()> timeout) override;
    void post(std::function<void()> task) override;

private:
    QObject m_context; // lives on the GUI thread; tasks queued to it die with it
};

// A file watcher on QFileSystemWatcher: the file and its folder, so that a file replaced by rename
// is noticed and watched again.
class QtFileWatcher final : public FileWatcher {
public:
    QtFileWatcher();

    void watch(const std::string& path, std::function<void()> noticed) override;
    void rewatch() override;

private:
    QFileSystemWatcher m_watcher;
    std::string m_path;
    std::function<void()> m_noticed;
};

} // namespace spawn
