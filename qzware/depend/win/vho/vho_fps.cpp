#include "qzware/depend/win/vho/vho_fps.h"

#include "platform/clock/clock.h"

namespace vho {

void FPS::Reset() {
    fps = 0;
    frameStart = 0;
    period = 0;
    accumulator = 0;
    lateCount = 0;
}

void FPS::Initialize(std::uint32_t rate) {
    Reset();
    SetFPS(rate);
}

void FPS::SetFPS(std::uint32_t rate) {
    fps = rate;
    if (rate != 0) {
        period = 65536000u / rate;
        accumulator = 0;
        lateCount = 0;
    }
}

void FPS::Sleep(std::uint32_t ms) {
    platform::clock::sleep_ms(ms);
}

void FPS::Wait() {
    if (fps == 0) {
        return;
    }
    accumulator = period + (accumulator & 0xFFFFu);
    const std::uint32_t frame = accumulator >> 16;
    // Signed distance from the scheduled frame start. Each sleep ends a
    // millisecond before the next start, so a frame whose work took less than
    // that begins before its start: that is early, not a wrapped clock (on a
    // precise timer, reading it as a wrap would skip every other sleep and run
    // the game at twice the rate). More than a frame before the start only
    // happens on a fresh or broken schedule, which restarts like a late frame.
    const std::int32_t elapsed = std::int32_t(platform::clock::now_ms() - frameStart);
    if (elapsed >= std::int32_t(frame) || elapsed < -std::int32_t(frame)) {
        frameStart += std::uint32_t(elapsed);
        lateCount = 0;
        return;
    }
    Sleep(std::uint32_t(std::int32_t(frame) - elapsed - 1));
    frameStart += frame;
}

}  // namespace vho
