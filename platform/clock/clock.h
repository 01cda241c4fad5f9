// The millisecond clock and sleeping, in place of timeGetTime and Sleep.
// Everything in the engine that reads time goes through here so tests can
// swap in a manual clock. Any thread may call these.
#pragma once

#include <cstdint>

namespace platform::clock {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds from an arbitrary origin, wrapping at 2^32 (timeGetTime).
    virtual std::uint32_t now_ms() = 0;
    // Blocks the calling thread for about ms milliseconds (a fake advances).
    virtual void sleep_ms(std::uint32_t ms) = 0;
};

// The clock in force: the monotonic system clock unless a test set another.
Clock& current();
// Makes `clock` the clock in force; nullptr restores the system clock.
// The caller keeps ownership and must restore before destroying it.
void set_current(Clock* clock);

inline std::uint32_t now_ms() {
    return current().now_ms();
}
inline void sleep_ms(std::uint32_t ms) {
    current().sleep_ms(ms);
}

// The system clock (CLOCK_MONOTONIC); the default of current().
Clock& system_clock();

}  // namespace platform::clock
