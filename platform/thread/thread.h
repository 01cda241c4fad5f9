// Worker threads and recursive locks, in place of CreateThread and critical
// sections. Plain functions over the standard library; nothing to fake.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform::thread {

// A recursive lock: the owning thread may take it again (CRITICAL_SECTION).
using RecursiveMutex = std::recursive_mutex;

// A started thread running `body` once. join() waits for it; running() is
// true until `body` has returned (GetExitCodeThread == STILL_ACTIVE).
class Worker {
public:
    explicit Worker(std::function<void()> body);
    ~Worker();  // joins
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void join();
    bool running() const { return running_.load(std::memory_order_acquire); }
    // False when the system could not start the thread.
    bool started() const { return thread_.joinable() || finished_once_; }

private:
    std::atomic<bool> running_{true};
    bool finished_once_ = false;
    std::thread thread_;
};

}  // namespace platform::thread
