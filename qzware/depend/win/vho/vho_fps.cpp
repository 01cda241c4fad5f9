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
    const std::uint32_t elapsed = ElapsedMs(frameStart, platform::clock::now_ms());
    if (elapsed >= frame) {
        frameStart += elapsed;
        lateCount = 0;
        return;
    }
    Sleep(frame - elapsed - 1u);
    frameStart += frame;
}

}  // namespace vho
