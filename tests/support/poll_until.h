// Waits for what another thread shows: runs `step` (a frame's pump, say) and
// checks `done` until it holds. The limit only turns a hang into a failure;
// it is long enough that a busy machine never reaches it.
#pragma once

#include <chrono>
#include <thread>

namespace qz_test {

constexpr std::chrono::milliseconds kPollLimit{30000};

template <class Done, class Step>
bool PollUntil(Done done, Step step, std::chrono::milliseconds limit = kPollLimit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        step();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace qz_test
