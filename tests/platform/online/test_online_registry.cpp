// The networked backend's registration cache: bounded, forgetting the least
// recently used stranger first, never a pinned member; strangers get their
// small lookup budget a frame; an answer that did not reach the directory
// keeps what was known; an id said absent is absent for a while, then may
// be asked about again.
#include "platform/online/online_registry.h"

#include <gtest/gtest.h>

#include "platform/online/online_ids.h"

namespace {

using namespace platform::online;

LookupAnswer Found(std::uint64_t id, std::uint16_t port) {
    return {id, Registration{Endpoint{0x7f000001, port}, 7, {}}, true, false};
}

TEST(OnlineRegistry, StrangersAreAskedWithinTheirBudgetAndTheCacheForgetsThemFirst) {
    PeerRegistry r;
    const std::uint64_t member = individual_id(1);
    r.pin({member});
    std::uint32_t now = 1000;
    ASSERT_TRUE(r.ask(member, now));
    for (std::uint64_t id : r.due(now)) {
        r.answer(Found(id, 9), now);
    }
    std::size_t asked = 0;
    constexpr int kFrames = 3000;
    for (int frame = 0; frame < kFrames; ++frame, ++now) {
        r.new_frame();
        // Four strangers a frame knock; only the budget is asked.
        for (int k = 0; k < 4; ++k) {
            r.ask(individual_id(std::uint32_t(100000 + frame * 4 + k)), now);
        }
        const std::vector<std::uint64_t> due = r.due(now);
        asked += due.size();
        for (std::uint64_t id : due) {
            r.answer({id, std::nullopt, true, false}, now);
        }
        ASSERT_LE(r.size(), PeerRegistry::kCapacity) << "frame " << frame;
    }
    EXPECT_EQ(std::size_t(kFrames) * PeerRegistry::kStrangerLookupsPerFrame, asked);
    EXPECT_EQ(PeerRegistry::kCapacity, r.size()) << "full, forgetting the oldest";
    ASSERT_TRUE(r.find(member, now).has_value()) << "the pinned member was forgotten";
    EXPECT_EQ(PeerRegistry::State::unknown, r.state(individual_id(100000)))
        << "the first stranger was not forgotten";
}

TEST(OnlineRegistry, AnAnswerThatMissedTheDirectoryKeepsTheKnownEndpoint) {
    PeerRegistry r;
    const std::uint64_t member = individual_id(2);
    r.pin({member});
    std::uint32_t now = 5000;
    r.ask(member, now);
    for (std::uint64_t id : r.due(now)) {
        r.answer(Found(id, 4242), now);
    }
    // Used and stale: refreshed, and the directory is away.
    now += PeerRegistry::kStaleMs + 1;
    ASSERT_TRUE(r.find(member, now).has_value());
    const std::vector<std::uint64_t> due = r.due(now);
    ASSERT_EQ(1u, due.size()) << "a stale member in use is refreshed";
    r.answer({member, std::nullopt, false, false}, now);
    const auto kept = r.find(member, now);
    ASSERT_TRUE(kept.has_value()) << "the outage dropped the member's endpoint";
    EXPECT_EQ(4242, kept->endpoint.port);
    // A definite answer that it is gone does drop it.
    r.answer({member, std::nullopt, true, false}, now);
    EXPECT_FALSE(r.find(member, now).has_value());
    EXPECT_EQ(PeerRegistry::State::absent, r.state(member));
}

TEST(OnlineRegistry, AnAbsentIdIsAbsentForAWhileAndThenMayBeAskedAgain) {
    PeerRegistry r;
    const std::uint64_t id = individual_id(3);
    std::uint32_t now = 0xFFFFFF00u;  // the clock wraps on the way
    EXPECT_TRUE(r.may_ask(id, now));
    EXPECT_FALSE(r.absent_now(id, now)) << "never asked is not absent";
    r.want(id, now);
    ASSERT_TRUE(r.ask(id, now));
    EXPECT_FALSE(r.may_ask(id, now)) << "asked twice";
    ASSERT_EQ(1u, r.due(now).size());
    EXPECT_FALSE(r.absent_now(id, now)) << "no answer yet";
    now += 10;
    r.answer({id, std::nullopt, true, false}, now);
    EXPECT_TRUE(r.absent_now(id, now));
    EXPECT_FALSE(r.may_ask(id, now));
    now += PeerRegistry::kStaleMs;
    EXPECT_FALSE(r.absent_now(id, now));
    ASSERT_TRUE(r.may_ask(id, now));
    ASSERT_TRUE(r.ask(id, now));
    EXPECT_FALSE(r.absent_now(id, now)) << "a new lookup is on its way";
    EXPECT_FALSE(r.may_ask(id, now));
    ASSERT_EQ(1u, r.due(now).size());
    EXPECT_FALSE(r.absent_now(id, now + 1)) << "handed out, not answered";
    EXPECT_FALSE(r.may_ask(id, now + 1));
    r.answer(Found(id, 77), now + 2);
    EXPECT_FALSE(r.absent_now(id, now + 2));
    EXPECT_TRUE(r.find(id, now + 2).has_value());
}

}  // namespace
