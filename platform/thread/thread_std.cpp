#include "platform/thread/thread.h"

#include <system_error>

namespace platform::thread {

Worker::Worker(std::function<void()> body) {
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            body();
            running_.store(false, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        running_.store(false, std::memory_order_release);
    }
}

Worker::~Worker() {
    join();
}

void Worker::join() {
    if (thread_.joinable()) {
        thread_.join();
        finished_once_ = true;
    }
}

}  // namespace platform::thread
