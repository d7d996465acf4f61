#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace spawn {

// A single-shot timer of the window's event loop: `timeout` runs on the window's thread.
class Timer {
public:
    virtual ~Timer() = default;
    // (Re)starts the countdown.
    virtual void start(std::chrono::milliseconds delay) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// What the editing core needs of the window's event loop: the clock, timers, and a way to run
// work on the window's thread later. The window hands in its own; tests hand in one they drive.
class EventLoop {
public:
    using Clock = std::chrono::system_clock;
    virtual ~EventLoop() = default;

    virtual Clock::time_point now() const = 0;
    // A timer whose `timeout` runs on the window's thread; it never fires once destroyed.
    virtual std::unique_ptr<Timer> makeTimer(std::function<void()> timeout) = 0;
    // Runs `task` on the window's thread soon; callable from any thread.
    virtual void post(std::function<void()> task) = 0;
};

// Runs jobs off the window's thread, one at a time, in the order given.
class BackgroundQueue {
public:
    virtual ~BackgroundQueue() = default;
    virtual void run(std::function<void()> job) = 0;
};

// Tells when a file may have changed on disk (it was written, replaced, removed). The window hands
// in its own; notices may come in bursts and may be false alarms, so the receiver compares stamps.
class FileWatcher {
public:
    virtual ~FileWatcher() = default;
    // Watches `path` (and its folder, so that a file replaced by rename is seen again) instead of
    // what was watched before; `noticed` runs on the window's thread.
    virtual void watch(const std::string& path, std::function<void()> noticed) = 0;
    // Watches again after the file was replaced (some watchers drop a file that was renamed over).
    virtual void rewatch() = 0;
};

} // namespace spawn
