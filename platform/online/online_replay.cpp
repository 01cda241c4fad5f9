#include "platform/online/online_replay.h"

namespace platform::online {

ReplayWindow::Verdict ReplayWindow::take(std::uint32_t sequence) {
    if (!any_) {
        any_ = true;
        newest_ = sequence;
        seen_ = 1;
        return Verdict::fresh;
    }
    const std::uint32_t ahead = sequence - newest_;
    if (ahead != 0 && ahead < 0x80000000u) {
        seen_ = ahead >= kSize ? 1 : (seen_ << ahead) | 1;
        newest_ = sequence;
        return Verdict::fresh;
    }
    const std::uint32_t behind = newest_ - sequence;
    if (behind >= kSize) {
        return Verdict::too_old;
    }
    const std::uint64_t bit = std::uint64_t(1) << behind;
    if ((seen_ & bit) != 0) {
        return Verdict::replayed;
    }
    seen_ |= bit;
    return Verdict::late;
}

}  // namespace platform::online
