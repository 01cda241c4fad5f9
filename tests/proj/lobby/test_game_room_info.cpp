// Room information in the lobby data: member records written and read back,
// the kick list, and the refusals of AddMember.
#include <gtest/gtest.h>

#include <string>

#include "proj/network/game_room_info.h"
#include "tests/support/lobby_harness.h"

namespace {

using lobby_test::LobbyHarness;
using namespace Sample;

TEST(RoomInfo, KickListMatchesWholeIdsOnly) {
    struct Case {
        const char* list;
        std::uint64_t id;
        bool listed;
    };
    const Case cases[] = {
        {" 12 345", 12, true},
        {" 12 345", 345, true},
        {" 12 345", 1234, false},
        {" 12 345", 34, false},
        {" 12 345", 1, false},
        {"", 12, false},
        {"x12y", 12, true},
        {" 18446744073709551615", 18446744073709551615ull, true},
        {" 123456789012345678901234567890", 1234567890, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.listed, CGameRoomInfo::ListsId(c.list, c.id)) << c.list << " / " << c.id;
    }
}

TEST(RoomInfo, ParsedNamesAreOneBoundedWord) {
    const RoomMemberRecord blank = CGameRoomInfo::ParseMemberValue("2 77 Ann Lee");
    EXPECT_EQ(2, blank.state);
    EXPECT_EQ(77u, blank.id);
    EXPECT_STREQ("Ann", blank.name);
    const std::string longName(60, 'n');
    const RoomMemberRecord cut = CGameRoomInfo::ParseMemberValue(("2 5 " + longName).c_str());
    EXPECT_EQ(std::string(19, 'n'), cut.name);
    const RoomMemberRecord junk = CGameRoomInfo::ParseMemberValue("abc");
    EXPECT_EQ(0, junk.state);
    EXPECT_EQ(0u, junk.id);
}

struct RoomInfoInRoom : ::testing::Test {
    LobbyHarness h{2, 31};
    void SetUp() override { ASSERT_TRUE(h.Settle(2)); }
    CGameRoomInfo& host() { return h.server(0).RoomInfo(); }
    std::string Value(const char* key) { return h.server(0).Steam()->GetLobbyData(0, key); }
};

TEST_F(RoomInfoInRoom, ANameWithABlankIsWrittenWholeAndReadAsItsFirstWord) {
    h.With(0, [&] { return host().WriteMemberData(2, 99, "Ann Lee", 2); });
    EXPECT_EQ("2 99 Ann Lee", Value("player2 info"));
    EXPECT_STREQ("Ann", h.With(0, [&] { return host().ReadMemberData(2); }).name);
}

TEST_F(RoomInfoInRoom, ALobbyValueThatDiffersFromTheCacheReadsAsState5) {
    const std::uint64_t id = h.member(1).platform->own_id();
    h.server(0).Steam()->SetLobbyData(0, "player1 info",
                                      ("1 " + std::to_string(id) + " P1").c_str());
    EXPECT_EQ(RoomMemberRecord::kChanged,
              h.With(0, [&] { return host().ReadMemberData(1); }).state);
}

TEST_F(RoomInfoInRoom, KickingTwiceListsTheIdOnce) {
    EXPECT_TRUE(h.With(0, [&] { return host().KickMember(1); }));
    EXPECT_FALSE(h.With(0, [&] { return host().KickMember(1); }));
    EXPECT_EQ(" " + std::to_string(h.member(1).platform->own_id()), Value("kick_out"));
    EXPECT_FALSE(h.With(0, [&] { return host().KickMember(7); }));
}

TEST_F(RoomInfoInRoom, AddMemberRefusesStrangersRepeatsAndAFullTable) {
    // Not in the platform lobby.
    EXPECT_FALSE(h.With(0, [&] { return host().AddMember(123456, "Nobody"); }));
    // Already present.
    EXPECT_FALSE(h.With(0, [&] { return host().AddMember(h.member(1).platform->own_id(), "P1"); }));
    // A third player in the lobby but not yet taken: taken once, then refused.
    platform::online::LoopbackMember& third = h.world().add_member(5999, "Third");
    third.init();
    third.join_lobby(h.server(0).Steam()->GetLobbyId(0).ConvertToUint64());
    third.run_callbacks();
    EXPECT_TRUE(h.With(0, [&] { return host().AddMember(third.own_id(), "Third"); }));
    EXPECT_FALSE(h.With(0, [&] { return host().AddMember(third.own_id(), "Third"); }));
    // Every session slot taken: refused.
    h.With(0, [] {
        for (CGameMemberSlot& s : GetNetworkDatabase().session.slots) {
            s.state = CGameMemberSlot::kConnected;
        }
    });
    platform::online::LoopbackMember& fourth = h.world().add_member(5998, "Fourth");
    fourth.init();
    fourth.join_lobby(h.server(0).Steam()->GetLobbyId(0).ConvertToUint64());
    fourth.run_callbacks();
    EXPECT_FALSE(h.With(0, [&] { return host().AddMember(fourth.own_id(), "Fourth"); }));
}

TEST_F(RoomInfoInRoom, OutOfRangeIndexesChangeNothing) {
    for (int i : {-1, 4, 100}) {
        EXPECT_FALSE(h.With(0, [&] { return host().WriteMemberData(i, 1, "x", 2); })) << i;
        EXPECT_FALSE(h.With(0, [&] { return host().AcceptMember(i); })) << i;
        EXPECT_FALSE(h.With(0, [&] { return host().LeaveMember(i); })) << i;
        EXPECT_FALSE(h.With(0, [&] { return host().ClearMemberData(i); })) << i;
        EXPECT_EQ(0, h.With(0, [&] { return host().ReadMemberData(i); }).state) << i;
    }
}

}  // namespace
