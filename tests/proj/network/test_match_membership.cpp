// Membership changes during a battle, three and four members over lossy
// links: the host lost and taken over, a battler leaving (under any key
// delay, latency and cut), a staggered start after an earlier battle, the
// delay raise, host changes that must not be taken, and a member that keeps
// back its key words. Afterwards every remaining member consumes the same
// words, a departed battler's real words up to the frame the host fixed and
// 0 after it, and the match goes on.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/online/online_redis.h"
#include "proj/network/lobby_messages.h"
#include "tests/support/match_departure.h"
#include "tests/support/match_harness.h"
#include "tests/support/test_seed.h"

namespace {

using match_test::AllReach;
using match_test::DepartureCase;
using match_test::Faults;
using match_test::LastConsumed;
using match_test::MatchHarness;
using match_test::RunDeparture;
using Sample::CGameNetworkCtrl;
using Sample::GetNetworkDatabase;

Faults Lossy() {
    Faults f;
    f.link.loss = 0.05;
    f.link.duplicate = 0.02;
    f.link.delay_max = 3;
    return f;
}

// Every member in `members` consumed, for every battler, the pressed word,
// except battler `departed` from frame `end` on, whose word is 0; and all
// consumed the same words for the frames they share.
void ExpectSameWords(MatchHarness& h, const std::vector<int>& members, int battlers, int departed,
                     int end) {
    EXPECT_EQ("", match_test::FirstDifference(h, members, battlers, departed, end));
}

// The first frame at which member i consumed for battler b another word
// than the pressed one (a large number when none).
int FirstFrameOff(MatchHarness& h, int i, int b) {
    for (const auto& [frame, words] : h.member(i).consumed) {
        if (words[b] != h.Expected(b, frame)) {
            return frame;
        }
    }
    return 1 << 20;
}

int HostSlotOf(MatchHarness& h, int i) {
    return h.With(i, [](CGameNetworkCtrl&) {
        const auto& s = GetNetworkDatabase().session;
        return s.IndexOf(s.hostSlot);
    });
}

TEST(MatchMembership, HostLostMidBattleEveryOtherMemberGoesOnUnderTheNewHost) {
    const std::uint64_t seed = qz_test::TestSeed("host take-over");
    for (int n : {3, 4}) {
        SCOPED_TRACE(testing::Message() << n << " members, seed " << seed);
        MatchHarness h(n, seed + n, Lossy());
        h.StartBattle(3);
        h.Frames(145);
        // The host's last words reach member n - 1 no more: the members hold
        // different runs of them when it goes.
        h.Cut(0, n - 1);
        h.Frames(5);
        const int lostAt = LastConsumed(h, 1);
        h.member(0).running = false;  // the host's process is gone
        h.Frames(40);                 // until the lobby names a new owner
        h.HandOverHost(1);
        h.Frames(20);
        h.LobbyRemoves(1, 0);
        std::vector<int> survivors;
        for (int i = 1; i < n; ++i) {
            survivors.push_back(i);
        }
        ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, survivors, lostAt + 500); }, 3000))
            << "the match went on; member 1 at " << LastConsumed(h, 1) << ", member " << n - 1
            << " at " << LastConsumed(h, n - 1);
        // The same words everywhere, the old host's ending where member 1's do.
        ExpectSameWords(h, survivors, n, 0, FirstFrameOff(h, 1, 0));
        const int end = h.With(1, [](CGameNetworkCtrl& c) { return c.DepartedEnd(0); });
        ASSERT_GE(end, 0) << "the new host fixed the old host's last frame";
        for (int i : survivors) {
            EXPECT_EQ(1, HostSlotOf(h, i)) << "member " << i << " knows the new host";
            EXPECT_EQ(0, h.member(i).server.disconnectOrders) << "member " << i << " stayed";
            EXPECT_FALSE(h.With(i, [](CGameNetworkCtrl& c) { return c.IsDeparted(1); }));
        }
        ExpectSameWords(h, survivors, n, 0, end);
    }
}

TEST(MatchMembership, ABattlerLeavingMidBattleEndsItsWordsAtTheSameFrameForEveryone) {
    const std::uint64_t seed = qz_test::TestSeed("battler leaving");
    for (int n : {3, 4}) {
        SCOPED_TRACE(testing::Message() << n << " members, seed " << seed);
        MatchHarness h(n, seed + n, Lossy());
        h.StartBattle(3);
        const int gone = n - 1;
        h.Frames(116);
        h.Cut(gone, 1);  // member 1 misses the leaving battler's last words
        h.Frames(4);
        const int leftAt = LastConsumed(h, 0);
        h.member(gone).running = false;
        h.Frames(25);
        h.LobbyRemoves(0, gone);
        std::vector<int> survivors;
        for (int i = 0; i < gone; ++i) {
            survivors.push_back(i);
        }
        ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, survivors, leftAt + 500); }, 3000))
            << "member 0 at " << LastConsumed(h, 0);
        ExpectSameWords(h, survivors, n, gone, FirstFrameOff(h, 0, gone));
        const int end = h.With(0, [&](CGameNetworkCtrl& c) { return c.DepartedEnd(gone); });
        ASSERT_GE(end, leftAt) << "no word a member consumed is taken back";
        ExpectSameWords(h, survivors, n, gone, end);
    }
}

// Three members, battler 2 leaves at about frame 120 and the host fixes its
// end; returns that end.
int LeaveAndFixEnd(MatchHarness& h) {
    h.StartBattle(3);
    h.Frames(120);
    h.member(2).running = false;
    h.Frames(25);
    h.LobbyRemoves(0, 2);
    EXPECT_TRUE(h.RunUntil(
        [&] { return h.With(0, [](CGameNetworkCtrl& c) { return c.DepartedEnd(2); }) >= 0; }, 600))
        << "the host fixed the departed battler's end";
    return h.With(0, [](CGameNetworkCtrl& c) { return c.DepartedEnd(2); });
}

TEST(MatchMembership, AfterABattlerLeftTheOthersPlayAtTheHostsPaceWithoutAskingForItsWords) {
    MatchHarness h(3, 7, Faults{});
    const int end = LeaveAndFixEnd(h);
    h.Frames(20);  // whatever was asked for before the end was fixed is answered
    const std::size_t before = h.member(1).consumed.size();
    const std::uint32_t resends = h.member(1).resends;
    constexpr int kFrames = 300;
    h.Frames(kFrames);
    const std::size_t played = h.member(1).consumed.size() - before;
    // Asking the host for each run of 7 words holds about one frame in seven.
    EXPECT_GE(played * 100, kFrames * 98u)
        << "member 1 consumed " << played << " of " << kFrames << " frames";
    EXPECT_EQ(resends, h.member(1).resends) << "member 1 asked for words";
    ExpectSameWords(h, {0, 1}, 3, 2, end);
}

TEST(MatchMembership, AHostWhoseBattleEndedStillServesADepartedBattlersLastWords) {
    MatchHarness h(3, 11, Faults{});
    const int end = LeaveAndFixEnd(h);
    h.Frames(30);
    // Member 1 hears nothing from the host for a while; the host plays on as
    // far as member 1's words take it and ends its battle there.
    h.Cut(0, 1);
    h.Frames(12);
    h.EndBattleOf(0);
    const int hostEnd = LastConsumed(h, 0);
    h.Uncut(0, 1);
    ASSERT_LT(LastConsumed(h, 1), hostEnd) << "member 1 is behind the host";
    ASSERT_TRUE(h.RunUntil([&] { return LastConsumed(h, 1) >= hostEnd; }, 300))
        << "member 1 reached the host's last frame " << hostEnd << "; it is at "
        << LastConsumed(h, 1);
    ExpectSameWords(h, {0, 1}, 3, 2, end);
}

// The lobby moves its owner on once a gone host's presence has expired; the
// members must not have given the host up by then.
TEST(MatchMembership, AGoneHostLeavesTheLobbyBeforeTheMembersGiveItUp) {
    const int giveUpMs = CGameNetworkCtrl::kHostSilenceLimit * 1000 / 60;
    const std::uint32_t presenceMs = platform::online::NetworkConfig{}.presence_ttl_ms;
    EXPECT_LT(presenceMs, static_cast<std::uint32_t>(giveUpMs))
        << "presence lasts " << presenceMs << " ms; members wait " << giveUpMs << " ms";
}

TEST(MatchMembership, AStaggeredStartAfterAnEarlierBattleConsumesOnlyThisBattlesWords) {
    const std::uint64_t seed = qz_test::TestSeed("staggered start");
    MatchHarness h(3, seed, Lossy());
    h.StartBattle(3);
    ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, {0, 1, 2}, 200); }, 1000));
    h.EndBattle();
    h.Frames(5);
    // The second battle: member 2 arms 30 frames after the others, member 1
    // 10 frames after; meanwhile the early ones ask them for words.
    h.StartBattleStaggered(3, {0, 10, 30});
    ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, {0, 1, 2}, 300); }, 2000));
    ExpectSameWords(h, {0, 1, 2}, 3, -1, 0);
}

TEST(MatchMembership, TheDelayRaiseIsAgreedByEveryMemberWhenTimeStepsOnWaitingFrames) {
    const std::uint64_t seed = qz_test::TestSeed("delay raise");
    Faults f;
    f.link.delay_min = 4;  // slower than the starting delay: members keep waiting
    f.link.delay_max = 8;
    f.link.loss = 0.02;
    MatchHarness h(4, seed, f);
    h.stepOnWaitingFrames = true;
    h.StartBattle(2);
    ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, {0, 1, 2, 3}, 800); }, 5000));
    int delays[4] = {};
    for (int i = 0; i < 4; ++i) {
        delays[i] = h.With(i, [](CGameNetworkCtrl&) {
            return int(GetNetworkDatabase().battleData.battleParam.KeyBufferDelay);
        });
    }
    EXPECT_GT(delays[0], 2) << "the host raised the delay";
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(delays[0], delays[i]) << "member " << i;
    }
    ExpectSameWords(h, {0, 1, 2, 3}, 4, -1, 0);
}

TEST(MatchMembership, AHostThatWasAwayWhileAnotherTookOverIsToldAndEndsItsMatch) {
    MatchHarness h(3, 41, Faults{});
    h.StartBattle(3);
    h.Frames(100);
    h.member(0).running = false;  // stopped, not gone
    h.Frames(30);
    h.HandOverHost(1);
    h.Frames(20);
    h.member(0).running = true;
    bool lost = false;
    ASSERT_TRUE(h.RunUntil(
        [&] {
            lost = lost || h.With(0, [](CGameNetworkCtrl& c) {
                return (c.resultLow & Sample::NetResult::kHostLost) != 0;
            });
            return lost;
        },
        200))
        << "the old host learnt that member 1 hosts now";
    EXPECT_GE(h.member(0).server.disconnectOrders, 1) << "and left the room";
    EXPECT_EQ(1, HostSlotOf(h, 2));
}

// The host hears the leaving battler's last words later than member 1 does,
// or never: round trips longer than the host's asking interval, members that
// hold many more of them than the host.
TEST(MatchMembership, EveryMemberPlaysTheSameWordsForADepartedBattlerUnderAnyDelayLatencyAndCut) {
    const std::uint32_t seed = qz_test::TestSeed("departure table");
    int runs = 0;
    int diverged = 0;
    for (std::uint8_t delay : {3, 5, 7}) {
        for (std::uint32_t latency : {0u, 2u, 5u, 8u, 10u}) {
            for (int cut : {0, 4, 8, 12, 16}) {
                for (std::uint32_t k = 0; k < 2; ++k) {
                    const DepartureCase c{delay, latency, 0, cut, seed + k};
                    const std::string what = RunDeparture(c);
                    ++runs;
                    if (!what.empty()) {
                        ++diverged;
                        ADD_FAILURE() << "delay " << int(delay) << " latency " << latency << " cut "
                                      << cut << " seed " << c.seed << ": " << what;
                    }
                }
            }
        }
    }
    std::printf("departure table: %d of %d runs diverged\n", diverged, runs);
}

bool ActsAsHost(MatchHarness& h, int i) {
    return h.With(i, [](CGameNetworkCtrl&) {
        const auto* own = GetNetworkDatabase().session.ownSlot;
        return own != nullptr && own->IsHost();
    });
}

bool HostLost(MatchHarness& h, int i) {
    return h.With(
        i, [](CGameNetworkCtrl& c) { return (c.resultLow & Sample::NetResult::kHostLost) != 0; });
}

// A program in the lobby but not in the session (a searcher, one the host has
// not taken in), whether or not the lobby names it owner, changes no host:
// neither by a host change nor by a snapshot sent as if it hosted.
TEST(MatchMembership, AHostChangeFromOutsideTheSessionChangesNoHost) {
    for (bool namedOwner : {false, true}) {
        SCOPED_TRACE(testing::Message() << "the lobby names the stranger owner: " << namedOwner);
        MatchHarness h(3, 5, Faults{});
        h.StartBattle(3);
        h.Frames(60);
        platform::online::LoopbackMember& stranger = h.world().add_member(3999, "X");
        stranger.init();
        if (namedOwner) {
            h.NameLobbyOwner(stranger.own_id());
        }
        const Sample::LobbyBytes change = Sample::BuildHostChange(stranger.own_id());
        Sample::GameMessage snapshot;
        snapshot.category = Sample::GameMessageCategory::kBattleSessionInfo;
        std::uint8_t bytes[Sample::kMaxMatchMessage];
        const std::size_t n = Sample::BuildGameMessage(snapshot, bytes, sizeof bytes);
        ASSERT_NE(n, 0u);
        for (int i = 0; i < 3; ++i) {
            const std::uint64_t to = h.member(i).platform->own_id();
            h.member(i).platform->accept_p2p_session(stranger.own_id());
            stranger.send_p2p_packet(to, change.data(), std::uint32_t(change.size()), 0, 0);
            stranger.send_p2p_packet(to, bytes, std::uint32_t(n), 0, 0);
        }
        bool lost = false;
        for (int frame = 0; frame < 30; ++frame) {
            h.Frame();
            lost = lost || HostLost(h, 0);
        }
        EXPECT_FALSE(lost) << "the host did not step down";
        EXPECT_TRUE(ActsAsHost(h, 0));
        EXPECT_EQ(0, h.member(0).server.disconnectOrders);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(0, HostSlotOf(h, i)) << "member " << i;
        }
        stranger.run_callbacks();
        std::uint32_t size = 0;
        EXPECT_FALSE(stranger.is_p2p_packet_available(&size, 0)) << "the stranger got an answer";
    }
}

// The host's directory connection stalls while its peer links work: its
// presence lapses, the lobby names member 1 owner, and member 1 takes over.
// The old host's own copy of the lobby still names it owner; it steps down
// when member 1 tells it, and the two act as host together only briefly.
// Also when member 1's notice is lost and member 1 has already taken the old
// host out of its session: the old host's next snapshot is answered.
TEST(MatchMembership, AHostWhosePresenceLapsedStepsDownWhenAMemberTakesOver) {
    const std::uint64_t seed = qz_test::TestSeed("stale host");
    for (bool noticeLost : {false, true}) {
        SCOPED_TRACE(noticeLost ? "the take-over's notice is lost" : "the notice arrives");
        MatchHarness h(3, seed, Lossy());
        h.StartBattle(3);
        h.Frames(100);
        h.StallDirectory(0, true);
        const std::uint32_t presenceMs = h.member(0).server.presenceTtlMs;
        const int presenceFrames = static_cast<int>(presenceMs * 60 / 1000);
        ASSERT_TRUE(h.RunUntil(
            [&] {
                return h.With(0, [](CGameNetworkCtrl& c) { return c.server->OwnPresenceLapsed(); });
            },
            presenceFrames + 60));
        const int leftAt = LastConsumed(h, 1);
        if (noticeLost) {
            h.Cut(1, 0);
        }
        h.HandOverHost(1);
        int together = 0;
        bool lost = false;
        for (int frame = 0; frame < presenceFrames; ++frame) {
            if (frame == 5) {
                h.LobbyRemoves(1, 0);  // the lapsed presence left the lobby
            }
            if (frame == 6 && noticeLost) {
                h.Uncut(1, 0);
            }
            together += ActsAsHost(h, 0) && ActsAsHost(h, 1) ? 1 : 0;
            h.Frame();
            lost = lost || HostLost(h, 0);
        }
        EXPECT_TRUE(lost) << "the old host ended its match";
        EXPECT_FALSE(ActsAsHost(h, 0)) << "the old host stepped down";
        EXPECT_GE(h.member(0).server.disconnectOrders, 1) << "and left the room";
        EXPECT_LT(together, presenceFrames) << "frames two members acted as host";
        std::printf("two members acted as host for %d frames\n", together);
        ASSERT_TRUE(h.RunUntil(
            [&] {
                return AllReach(h, {1, 2}, leftAt + 300);
            },
            3000))
            << "member 1 at " << LastConsumed(h, 1) << ", member 2 at " << LastConsumed(h, 2);
        const int end = h.With(1, [](CGameNetworkCtrl& c) { return c.DepartedEnd(0); });
        ASSERT_GE(end, 0);
        ExpectSameWords(h, {1, 2}, 3, 0, end);
        EXPECT_EQ(1, HostSlotOf(h, 2));
    }
}

// A member keeps its status coming (so it is never silent) but sends no key
// words: the host takes it out as the silent host would be given up, and
// every survivor ends its words at the same frame and goes on.
TEST(MatchMembership, AMemberThatWithholdsItsKeyWordsDepartsAtTheSameFrameForEveryone) {
    const std::uint64_t seed = qz_test::TestSeed("withholding member");
    for (int n : {3, 4}) {
        for (int withholder : {1, n - 1}) {
            if (n == 3 && withholder == 2) {
                continue;  // the same as n - 1
            }
            SCOPED_TRACE(testing::Message()
                         << n << " members, member " << withholder << " withholds, seed " << seed);
            MatchHarness h(n, seed + n + withholder, Lossy());
            h.StartBattle(3);
            h.Frames(120);
            h.member(withholder).withholdKeys = true;
            const int from = LastConsumed(h, 0);
            std::vector<int> survivors;
            for (int i = 0; i < n; ++i) {
                if (i != withholder) {
                    survivors.push_back(i);
                }
            }
            // Held for the 601 frames, then on. Only the wait until the host
            // takes the withholder out counts: the lossy links hold other
            // frames too, before and after, and fixing its end takes the
            // survivors' answers (a lost session notice costs a rebroadcast).
            const std::uint32_t stallsBefore = h.member(0).stalls;
            ASSERT_TRUE(h.RunUntil([&] { return h.member(0).server.removeOrders > 0; }, 3000));
            const std::uint32_t held = h.member(0).stalls - stallsBefore;
            EXPECT_GE(held, 601u) << "the match waited as long as for a silent host";
            EXPECT_LT(held, 700u);
            ASSERT_TRUE(h.RunUntil(
                [&] {
                    return h.With(0, [&](CGameNetworkCtrl& c) {
                        return c.DepartedEnd(withholder);
                    }) >= 0;
                },
                601))
                << "the withholder's end was fixed from the survivors' answers";
            ASSERT_TRUE(h.RunUntil([&] { return AllReach(h, survivors, from + 300); }, 3000))
                << "member 0 at " << LastConsumed(h, 0);
            EXPECT_GE(h.member(0).server.removeOrders, 1) << "the host told the lobby";
            EXPECT_EQ(withholder, h.member(0).server.lastRemoved);
            const int end =
                h.With(0, [&](CGameNetworkCtrl& c) { return c.DepartedEnd(withholder); });
            ASSERT_GE(end, 0);
            EXPECT_LE(end, from + 8) << "its words end where it stopped sending them";
            ExpectSameWords(h, survivors, n, withholder, end);
            for (int i : survivors) {
                EXPECT_TRUE(
                    h.With(i, [&](CGameNetworkCtrl& c) { return c.IsDeparted(withholder); }))
                    << "member " << i;
                EXPECT_EQ(0, h.member(i).server.disconnectOrders) << "member " << i << " stayed";
            }
        }
    }
}

// A battler leaves, and one member never hands the host what it holds of the
// leaving battler's words: the host takes that member out 601 frames into
// its collecting and fixes the end from what the others hold.
TEST(MatchMembership, AMemberThatKeepsADepartedBattlersWordsToItselfIsTakenOut) {
    const std::uint64_t seed = qz_test::TestSeed("withheld collection");
    MatchHarness h(4, seed, Lossy());
    h.StartBattle(3);
    h.Frames(120);
    h.member(1).withholdOthersKeys = true;
    h.member(3).running = false;
    h.Frames(25);
    h.LobbyRemoves(0, 3);
    const int from = LastConsumed(h, 0);
    ASSERT_TRUE(h.RunUntil(
        [&] {
            return AllReach(h, {0, 2}, from + 300);
        },
        3000))
        << "member 0 at " << LastConsumed(h, 0) << ", member 2 at " << LastConsumed(h, 2);
    EXPECT_EQ(1, h.member(0).server.lastRemoved) << "the host took member 1 out";
    const int end = h.With(0, [](CGameNetworkCtrl& c) { return c.DepartedEnd(3); });
    ASSERT_GE(end, 0);
    EXPECT_TRUE(h.With(2, [](CGameNetworkCtrl& c) { return c.IsDeparted(1); }));
    // Member 1 departs too; its words end where the host fixed them.
    const int end1 = h.With(0, [](CGameNetworkCtrl& c) { return c.DepartedEnd(1); });
    ASSERT_GE(end1, 0);
    for (int i : {0, 2}) {
        for (const auto& [frame, words] : h.member(i).consumed) {
            ASSERT_EQ(frame >= end ? 0 : h.Expected(3, frame), words[3])
                << "member " << i << " frame " << frame;
        }
    }
    ExpectSameWords(h, {0, 2}, 3, 1, end1);
}

// The host itself keeps back its words while its snapshots keep coming. The
// members wait for them, so the host, waiting for theirs, takes them out;
// they give the host up as lost, in any case within twice a silent host's
// wait (the time a host held by another has to take that one out).
TEST(MatchMembership, AHostThatWithholdsItsKeyWordsIsGivenUpByItsMembers) {
    MatchHarness h(3, 23, Faults{});
    h.StartBattle(3);
    h.Frames(100);
    h.member(0).withholdKeys = true;
    int lostAt[3] = {0, 0, 0};
    for (int frame = 1; frame <= 2 * CGameNetworkCtrl::kHostKeysLimit; ++frame) {
        h.Frame();
        for (int i = 1; i < 3; ++i) {
            if (lostAt[i] == 0 && HostLost(h, i)) {
                lostAt[i] = frame;
            }
        }
    }
    for (int i = 1; i < 3; ++i) {
        EXPECT_GT(lostAt[i], CGameNetworkCtrl::kHostSilenceLimit) << "member " << i;
        EXPECT_LE(lostAt[i], CGameNetworkCtrl::kHostKeysLimit + 10) << "member " << i;
        EXPECT_GE(h.member(i).server.disconnectOrders, 1) << "member " << i << " left";
        std::printf("member %d gave the host up at frame %d\n", i, lostAt[i]);
    }
}

}  // namespace
