// Waits for what another thread or process shows. PollUntil runs `step` (a
// frame's pump, say) and checks `done` until it holds; its limit only turns
// a hang of our own threads into a failure. PollWhileProgressing also
// watches a measure of the other side's progress (frames drawn, bytes of its
// log) and gives up only once that has stood still for a while, or at a
// ceiling far above what the slowest machine needs: a loaded machine makes
// such a wait longer, never fail, while a stuck program still fails it soon.
#pragma once

#include <chrono>
#include <string>
#include <thread>

namespace qz_test {

// How long a wait on our own threads may take, and how long the watched
// side of a progress wait may go without moving on.
constexpr std::chrono::milliseconds kPollLimit{30000};
// The most a wait lasts while the other side keeps making progress: far
// above the slowest run seen, and below the tests' own time limit, so a
// program that keeps going without ever showing what is waited for still
// fails with the wait's message.
constexpr std::chrono::milliseconds kPollCeiling{200000};

// Decides when a progress wait gives up: once the watched value has not
// changed for `stall`, or `ceiling` after the start however it goes.
template <class Value, class Clock = std::chrono::steady_clock>
class ProgressLimit {
public:
    ProgressLimit(Value start, std::chrono::milliseconds stall,
                  std::chrono::milliseconds ceiling = kPollCeiling)
        : last_(start),
          stall_(stall),
          ceiling_(ceiling),
          movedAt_(Clock::now()),
          end_(movedAt_ + ceiling) {}

    // False once the wait should give up, given the value as it is now.
    bool Allows(const Value& now) {
        const auto time = Clock::now();
        if (!(now == last_)) {
            last_ = now;
            movedAt_ = time;
        }
        stalled_ = time - movedAt_ >= stall_;
        return !stalled_ && time < end_;
    }
    // Why the wait gave up, for a failure message.
    std::string Reason() const {
        return stalled_
                   ? "no progress for " + std::to_string(stall_.count()) + " ms"
                   : "still going after the ceiling of " + std::to_string(ceiling_.count()) + " ms";
    }

private:
    Value last_;
    std::chrono::milliseconds stall_;
    std::chrono::milliseconds ceiling_;
    typename Clock::time_point movedAt_;
    typename Clock::time_point end_;
    bool stalled_ = false;
};

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

// As PollUntil, but `progress()` (any value that can be compared for
// equality) must change at least once every `stall`.
template <class Done, class Step, class Progress>
bool PollWhileProgressing(Done done, Step step, Progress progress,
                          std::chrono::milliseconds stall = kPollLimit,
                          std::chrono::milliseconds ceiling = kPollCeiling) {
    ProgressLimit limit(progress(), stall, ceiling);
    while (!done()) {
        if (!limit.Allows(progress())) {
            return false;
        }
        step();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace qz_test
