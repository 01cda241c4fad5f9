#include "platform/clock/clock.h"

#include <atomic>
#include <ctime>

// System clock on CLOCK_MONOTONIC. timeGetTime counts from boot; this counts
// from the first reading, which keeps the wrap far away in practice.
namespace platform::clock {
namespace {

class PosixClock final : public Clock {
public:
    std::uint32_t now_ms() override {
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        const std::uint64_t ms =
            std::uint64_t(ts.tv_sec) * 1000u + std::uint64_t(ts.tv_nsec) / 1000000u;
        return std::uint32_t(ms);
    }
    void sleep_ms(std::uint32_t ms) override {
        timespec req{time_t(ms / 1000u), long(ms % 1000u) * 1000000L};
        while (::nanosleep(&req, &req) != 0) {
        }
    }
};

std::atomic<Clock*> g_override{nullptr};

}  // namespace

Clock& system_clock() {
    static PosixClock clock;
    return clock;
}

Clock& current() {
    Clock* c = g_override.load(std::memory_order_acquire);
    return c ? *c : system_clock();
}

void set_current(Clock* clock) {
    g_override.store(clock, std::memory_order_release);
}

}  // namespace platform::clock
