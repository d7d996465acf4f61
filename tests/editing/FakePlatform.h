#pragma once

// A platform for the editing core that the test drives: a clock that moves only when told, a
// background queue that does each job at once, and a file watcher whose notices the test sends.

#include "EventLoop.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace spawn::testing {

// An event loop on a manual clock. advance() moves now() forward and fires the timers that fall
// due on the way, in the order of their deadlines (timers due at the same moment in the order they
// were started), each at its own deadline, on the calling thread; the tasks posted meanwhile run
// after each timer, as the window's loop runs them between events. runPosted() runs the posted
// tasks without moving the clock.
class FakeEventLoop final : public EventLoop {
public:
    explicit FakeEventLoop(Clock::time_point start = Clock::time_point{}) : m_state(std::make_shared<State>()) {
        m_state->now = start;
    }
    FakeEventLoop(const FakeEventLoop&) = delete;
    FakeEventLoop& operator=(const FakeEventLoop&) = delete;

    Clock::time_point now() const override { return m_state->now; }

    std::unique_ptr<Timer> makeTimer(std::function<void()> timeout) override {
        return std::make_unique<FakeTimer>(m_state, std::move(timeout));
    }

    void post(std::function<void()> task) override {
        const std::lock_guard lock(m_state->mutex);
        m_state->posted.push_back(std::move(task));
    }

    // Runs the posted tasks, and those they post, in order; gives how many ran.
    int runPosted() {
        int ran = 0;
        for (;;) {
            std::function<void()> task;
            {
                const std::lock_guard lock(m_state->mutex);
                if (m_state->posted.empty()) {
                    return ran;
                }
                task = std::move(m_state->posted.front());
                m_state->posted.pop_front();
            }
            task();
            ++ran;
        }
    }

    // Moves the clock on by `by`, firing each timer that falls due meanwhile at its deadline.
    void advance(std::chrono::milliseconds by) {
        const Clock::time_point until = m_state->now + by;
        runPosted();
        while (FakeTimer* due = nextDue(until)) {
            m_state->now = *due->deadline;
            due->deadline.reset();
            const std::function<void()> timeout = due->timeout; // the timer may go while it runs
            timeout();
            runPosted();
        }
        m_state->now = until;
    }

private:
    struct FakeTimer;

    // What the loop shares with its timers, so that either may go first.
    struct State {
        Clock::time_point now;
        mutable std::mutex mutex; // posted tasks may come from any thread
        std::deque<std::function<void()>> posted;
        std::vector<FakeTimer*> timers;
        std::uint64_t starts = 0;
    };

    struct FakeTimer final : Timer {
        FakeTimer(std::shared_ptr<State> shared, std::function<void()> onTimeout)
            : state(std::move(shared)), timeout(std::move(onTimeout)) {
            state->timers.push_back(this);
        }
        ~FakeTimer() override { std::erase(state->timers, this); }

        void start(std::chrono::milliseconds delay) override {
            deadline = state->now + delay;
            order = state->starts++;
        }
        void stop() override { deadline.reset(); }
        bool isActive() const override { return deadline.has_value(); }

        std::shared_ptr<State> state;
        std::function<void()> timeout;
        std::optional<Clock::time_point> deadline;
        std::uint64_t order = 0;
    };

    FakeTimer* nextDue(Clock::time_point until) const {
        FakeTimer* next = nullptr;
        for (FakeTimer* timer : m_state->timers) {
            if (!timer->deadline || *timer->deadline > until) {
                continue;
            }
            if (!next || *timer->deadline < *next->deadline ||
                (*timer->deadline == *next->deadline && timer->order < next->order)) {
                next = timer;
            }
        }
        return next;
    }

    std::shared_ptr<State> m_state;
};

// Does each job at once, on the calling thread.
class ImmediateQueue final : public BackgroundQueue {
public:
    void run(std::function<void()> job) override {
        ++jobsRun;
        job();
    }
    int jobsRun = 0;
};

// Records what it was asked to watch; notice() is the test's stand-in for the system telling that
// the file may have changed.
class FakeFileWatcher final : public FileWatcher {
public:
    void watch(const std::string& path, std::function<void()> noticed) override {
        watchedPath = path;
        m_noticed = std::move(noticed);
        ++watchCalls;
    }
    void rewatch() override { ++rewatchCalls; }

    void notice() {
        if (m_noticed) {
            const auto noticed = m_noticed; // the receiver may watch anew meanwhile
            noticed();
        }
    }

    std::string watchedPath;
    int watchCalls = 0;
    int rewatchCalls = 0;

private:
    std::function<void()> m_noticed;
};

} // namespace spawn::testing
