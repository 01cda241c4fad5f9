// Match outcome checks and the seeded departure run.
#include "tests/support/match_departure.h"

#include <sstream>

namespace match_test {

using Sample::CGameNetworkCtrl;

int LastConsumed(MatchHarness& h, int i) {
    const auto& log = h.member(i).consumed;
    return log.empty() ? -1 : log.rbegin()->first;
}

bool AllReach(MatchHarness& h, const std::vector<int>& members, int frame) {
    for (int i : members) {
        if (LastConsumed(h, i) < frame) {
            return false;
        }
    }
    return true;
}

std::string FirstDifference(MatchHarness& h, const std::vector<int>& members, int battlers,
                            int departed, int end) {
    const auto& reference = h.member(members[0]).consumed;
    for (int i : members) {
        for (const auto& [frame, words] : h.member(i).consumed) {
            for (int b = 0; b < battlers; ++b) {
                const std::uint16_t want =
                    (b == departed && frame >= end) ? 0 : h.Expected(b, frame);
                if (want != words[b]) {
                    std::ostringstream out;
                    out << "member " << i << " consumed " << words[b] << " for battler " << b
                        << " at frame " << frame << ", not " << want << " (departed battler's end "
                        << end << ")";
                    return out.str();
                }
            }
            auto it = reference.find(frame);
            if (it != reference.end() && it->second != words) {
                std::ostringstream out;
                out << "members " << members[0] << " and " << i << " differ at frame " << frame;
                return out.str();
            }
        }
    }
    return "";
}

std::string RunDeparture(const DepartureCase& c) {
    Faults f;
    f.link.delay_min = c.latency;
    f.link.delay_max = c.latency + c.jitter;
    f.link.loss = 0.02;
    f.link.duplicate = 0.02;
    MatchHarness h(3, c.seed, f);
    h.StartBattle(c.delay);
    h.Frames(120 - c.cut);
    h.Cut(2, 0);
    h.Frames(c.cut);
    const int leftAt = LastConsumed(h, 1);
    h.member(2).running = false;
    h.Frames(25);
    h.LobbyRemoves(0, 2);
    if (!h.RunUntil([&] { return AllReach(h, {0, 1}, leftAt + 300); }, 3000)) {
        std::ostringstream out;
        out << "the match stalled: member 0 at frame " << LastConsumed(h, 0) << ", member 1 at "
            << LastConsumed(h, 1);
        return out.str();
    }
    const int end = h.With(0, [](CGameNetworkCtrl& ctrl) { return ctrl.DepartedEnd(2); });
    if (end < 0) {
        return "the host fixed no end";
    }
    return FirstDifference(h, {0, 1}, 3, 2, end);
}

}  // namespace match_test
