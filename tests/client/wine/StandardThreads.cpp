// Standard threads in a Windows build: workers add to one count under a mutex while the main
// thread waits on a condition variable for the last of them. Prints "4 threads: 40000" and exits
// 0 when every addition arrived.

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

int main() {
    constexpr int kThreads = 4;
    constexpr long kAdditions = 10000;
    std::mutex mutex;
    std::condition_variable allDone;
    int finished = 0;
    long total = 0;

    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&] {
            for (long i = 0; i < kAdditions; ++i) {
                const std::lock_guard lock(mutex);
                ++total;
            }
            {
                const std::lock_guard lock(mutex);
                ++finished;
            }
            allDone.notify_one();
        });
    }
    {
        std::unique_lock lock(mutex);
        allDone.wait(lock, [&] { return finished == kThreads; });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    std::printf("%d threads: %ld\n", kThreads, total);
    return total == kThreads * kAdditions ? 0 : 1;
}
