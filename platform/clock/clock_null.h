// A manual clock for tests: time moves only when the test (or a sleep) moves
// it. Thread-safe, so a worker thread's sleeps advance it too.
#pragma once

#include <atomic>

#include "platform/clock/clock.h"

namespace platform::clock {

class ManualClock final : public Clock {
public:
    explicit ManualClock(std::uint32_t start_ms = 0) : now_(start_ms) {}
    std::uint32_t now_ms() override { return now_.load(); }
    // Sleeping advances the clock by the time asked, so paced loops finish at once.
    void sleep_ms(std::uint32_t ms) override {
        now_.fetch_add(ms);
        slept_.fetch_add(ms);
    }
    void advance(std::uint32_t ms) { now_.fetch_add(ms); }
    void set(std::uint32_t ms) { now_.store(ms); }
    std::uint32_t total_slept() const { return slept_.load(); }

private:
    std::atomic<std::uint32_t> now_;
    std::atomic<std::uint32_t> slept_{0};
};

// Installs a clock for one scope and restores the system clock after.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) { set_current(&clock); }
    ~ScopedClock() { set_current(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace platform::clock
