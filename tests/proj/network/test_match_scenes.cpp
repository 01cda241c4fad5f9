// Scene handshakes between a host and two members over lossy links: room,
// team select, character select and battle start, each move made only when
// every member has answered; lost requests and orders are resent.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "tests/support/match_harness.h"
#include "tests/support/test_seed.h"

namespace {

using match_test::Faults;
using match_test::MatchHarness;
using Sample::CGameNetworkCtrl;
using Sample::GetNetworkDatabase;

// Asks every member not yet there whether it may move to `scene` (a member
// that moved stays moved); true once all have.
bool AllReach(MatchHarness& h, int scene, std::vector<int>& reached) {
    reached.resize(static_cast<std::size_t>(h.size()), -1);
    bool all = true;
    for (int i = 0; i < h.size(); ++i) {
        if (reached[i] != scene &&
            h.With(i, [&](CGameNetworkCtrl& c) { return c.CheckGotoScene(scene); })) {
            reached[i] = scene;
        }
        all = all && reached[i] == scene;
    }
    return all;
}

TEST(MatchScenes, HostAndMembersMoveThroughTheScenesTogether) {
    const std::uint64_t seed = qz_test::TestSeed("match scenes");
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    Faults f;
    f.link.loss = 0.2;
    f.link.delay_max = 3;
    MatchHarness h(3, seed, f);
    h.JoinRoom();
    std::vector<int> reached;

    // Room: each member asks, the host orders team select once all have.
    for (int i = 1; i < 3; ++i) {
        h.With(i, [](CGameNetworkCtrl& c) {
            c.SendPlayerRoom(1, 1);
            return 0;
        });
    }
    auto subOf = [&](int slot) {
        return h.With(0, [&](CGameNetworkCtrl&) {
            return GetNetworkDatabase().session.slots[slot].GetSequenceSub();
        });
    };
    ASSERT_TRUE(h.RunUntil([&] { return subOf(1) == 1 && subOf(2) == 1; }, 400));
    h.With(0, [](CGameNetworkCtrl& c) {
        c.SendPlayerRoom(3);
        return 0;
    });
    ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, 2, reached); }, 400));
    EXPECT_TRUE(h.With(0, [](CGameNetworkCtrl&) {
        return (GetNetworkDatabase().session.param.flags & 0x1000) != 0;
    })) << "the room is locked";

    // Team select: member 1 picks team 3; member 2 then asks for the same team.
    h.With(1, [](CGameNetworkCtrl& c) {
        GetNetworkDatabase().battleData.battlers[1].teamId = 3;
        c.SendTeamSelect(1, 1);
        return 0;
    });
    ASSERT_TRUE(h.RunUntil(
        [&] {
            return h.With(1, [](CGameNetworkCtrl&) {
                return GetNetworkDatabase().session.ownSlot->MsgState() == 0;
            });
        },
        400));
    h.With(2, [](CGameNetworkCtrl& c) {
        GetNetworkDatabase().battleData.battlers[2].teamId = 3;
        c.SendTeamSelect(1, 2);
        return 0;
    });
    ASSERT_TRUE(h.RunUntil(
        [&] {
            return h.With(2, [](CGameNetworkCtrl&) {
                return GetNetworkDatabase().session.ownSlot->MsgState() == 0;
            });
        },
        400));
    EXPECT_EQ(h.With(0,
                     [](CGameNetworkCtrl&) {
                         return int(GetNetworkDatabase().battleData.battlers[2].flags & 1);
                     }),
              0)
        << "a team id already held is refused";
    h.With(0, [](CGameNetworkCtrl& c) {
        c.SendTeamSelect(5);
        return 0;
    });
    ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, 3, reached); }, 400));
    EXPECT_EQ(h.With(2,
                     [](CGameNetworkCtrl&) {
                         return int(GetNetworkDatabase().battleData.battlers[1].teamId);
                     }),
              3)
        << "the host's records reached every member";

    // Character select.
    for (int i = 1; i < 3; ++i) {
        h.With(i, [](CGameNetworkCtrl& c) {
            c.SendCharaSelect(1);
            return 0;
        });
    }
    ASSERT_TRUE(h.RunUntil([&] { return subOf(1) == 1 && subOf(2) == 1; }, 400));
    h.With(0, [](CGameNetworkCtrl& c) {
        c.SendCharaSelect(3);
        return 0;
    });
    ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, 4, reached); }, 400));

    // Before battle: every member announces itself, the host starts.
    for (int i = 0; i < 3; ++i) {
        h.With(i, [](CGameNetworkCtrl& c) {
            c.SendArrivalPreBattle();
            return 0;
        });
    }
    auto seqOf = [&](int slot) {
        return h.With(0, [&](CGameNetworkCtrl&) {
            return GetNetworkDatabase().session.slots[slot].GetSequence();
        });
    };
    ASSERT_TRUE(h.RunUntil([&] { return seqOf(1) == 6 && seqOf(2) == 6; }, 400));
    EXPECT_TRUE(h.With(0, [](CGameNetworkCtrl& c) { return c.SendBattleStart(); }));
    EXPECT_FALSE(h.With(1, [](CGameNetworkCtrl& c) { return c.SendBattleStart(); }));
    ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, 6, reached); }, 400));
}

}  // namespace
