#include "WorkerThread.h"

namespace spawn {

WorkerThread::WorkerThread() : m_thread([this] { work(); }) {}

WorkerThread::~WorkerThread() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void WorkerThread::run(std::function<void()> job) {
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void WorkerThread::waitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

void WorkerThread::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty()) {
            return; // stopping with nothing left to do
        }
        auto job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        job();
        lock.lock();
        m_busy = false;
        m_wake.notify_all();
    }
}

} // namespace spawn
