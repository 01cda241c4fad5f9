// The sliding window over one sender's sequence numbers (as DTLS and IPsec
// keep): the newest number taken and a bitmap of the 64 before it. Numbers
// compare as serial numbers (RFC 1982), so the counter may wrap and one
// number far behind (0xFFFFFFFF after 5, say) counts as old, not new: no
// single datagram moves the window more than half the number space, and only
// datagrams whose code was checked reach it at all. Packets from one sender
// are delivered in the order they were sent, so only `fresh` ones are taken;
// the others say why they were not.
#pragma once

#include <cstdint>

namespace platform::online {

class ReplayWindow {
public:
    static constexpr std::uint32_t kSize = 64;
    enum class Verdict {
        fresh,     // newer than every number seen: the window moves to it
        late,      // within the window, not seen before, but behind the newest
        replayed,  // seen before
        too_old,   // further behind than the window reaches
    };

    // Records the number as seen and says what it was.
    Verdict take(std::uint32_t sequence);
    void reset() { *this = ReplayWindow{}; }

private:
    bool any_ = false;
    std::uint32_t newest_ = 0;
    std::uint64_t seen_ = 0;  // bit i: newest_ - i was seen
};

}  // namespace platform::online
