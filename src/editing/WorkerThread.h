#pragma once

#include "EventLoop.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace spawn {

// A BackgroundQueue on a thread of its own, which a window hands to the core. The destructor
// finishes every job given so far.
class WorkerThread final : public BackgroundQueue {
public:
    WorkerThread();
    ~WorkerThread() override;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void run(std::function<void()> job) override;
    // Waits until every job given so far is done.
    void waitUntilIdle();

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace spawn
