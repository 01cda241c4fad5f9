// Frame pacing: holds the game to a fixed frame rate on a drift-free
// schedule kept in 16.16 fixed-point milliseconds. Never busy-waits; a late
// frame restarts the schedule at the current time. Clock: platform::clock.
#pragma once

#include <cstdint>

namespace vho {

class FPS {
public:
    FPS() = default;
    virtual ~FPS() = default;

    virtual void Reset();
    virtual void Initialize(std::uint32_t fps);
    virtual void SetFPS(std::uint32_t fps);
    virtual std::uint32_t GetFPS() { return fps; }
    // Sleeps out the rest of the frame (call once per frame after its work).
    virtual void Wait();
    virtual void Sleep(std::uint32_t ms);
    virtual std::uint32_t GetLateCount() { return lateCount; }

    std::uint32_t fps = 0;
    std::uint32_t frameStart = 0;
    std::uint32_t period = 0;       // 16.16 ms
    std::uint32_t accumulator = 0;  // 16.16 ms: this frame's length and the carried fraction
    std::uint32_t lateCount = 0;
};

// Milliseconds from `from` to `to` on the wrapping 32-bit clock, counted the
// way the engine always has: one less when the clock wrapped.
inline std::uint32_t ElapsedMs(std::uint32_t from, std::uint32_t to) {
    return to < from ? to - from - 1u : to - from;
}

}  // namespace vho
