// The network script classes and globals driven by small scripts in a real
// VM, over a settled room of the lobby harness: every index a script passes
// outside its table answers null, 0 or false; the request objects keep their
// bounds; a search and its results read through "SQ_GameServer".
#include <gtest/gtest.h>
#include <squirrel.h>

#include <string>

#include "proj/game/igame_control.h"
#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"
#include "tests/proj/script/script_snippet.h"
#include "tests/support/lobby_harness.h"

namespace {

using lobby_test::LobbyHarness;
using namespace Sample;

class HarnessGameControl final : public IGameControl {
public:
    IAutoSaveControl* GetAutoSaveControl() override { return nullptr; }
    ISystemUtilControl* GetSystemUtilControl() override { return nullptr; }
    IGameNetworkServer* GetNetworkServer() override { return server; }
    void Exit() override {}
    IGameNetworkServer* server = nullptr;
};

struct NetworkScripts : ::testing::Test {
    LobbyHarness h{2, 51};
    HarnessGameControl control;
    HSQUIRRELVM v = nullptr;

    void SetUp() override {
        ASSERT_TRUE(h.Settle(2));
        v = sq_open(1024);
        SetSquirrelVM(v);
        SetScriptServices(nullptr, &control);
        sq_pushroottable(v);
        RegisterNetworkScriptApi(nullptr, &control);
        sq_pop(v, 1);
    }
    void TearDown() override {
        SetScriptServices(nullptr, nullptr);
        SetSquirrelVM(nullptr);
        SqBind::ForgetClasses();
        sq_close(v);
    }
    // Runs the script as member i.
    std::string Run(int i, const char* script) {
        control.server = &h.server(i);
        script_test::SnippetResult r =
            h.With(i, [&] { return script_test::RunSnippet(v, script); });
        EXPECT_TRUE(r.ok) << script << ": " << r.text;
        return r.text;
    }
};

TEST_F(NetworkScripts, IndexesOutsideTheirTablesAnswerNullOrZero) {
    struct Case {
        const char* script;
        const char* result;
    };
    const Case cases[] = {
        {"return SQ_NetSession().BattlerCount()", "2"},
        {"return SQ_NetSession().GetMemberSlot(4)", "null"},
        {"return SQ_NetSession().GetMemberSlot(-1)", "null"},
        {"return SQ_NetSession().GetMemberSlot(1).MemberName()", "P1"},
        {"return SQ_NetSession().GetMySelfSlot().IsHost()", "true"},
        {"return SQ_NetSession().IsBattleOK(9)", "false"},
        {"return SQ_NetSession().IsSyncPlayData(-3)", "false"},
        {"return SQ_NetBattle().GetBattlerInfo(4)", "null"},
        {"local b = SQ_NetBattle().GetBattlerInfo(0); b.SetKeyConfig(7, 3); return "
         "b.GetKeyConfig(7)",
         "0"},
        {"local b = SQ_NetBattle().GetBattleInfo(); b.SetTag(9, 5); return b.GetTag(9)", "0"},
        {"local p = SQ_NetBattle().GetBattleProsParam(); p.SetGameCount(4, 1); return "
         "p.GetGameCount(4)",
         "0"},
        {"return SQ_GetRoomMemberInfo(4)", "null"},
        {"return SQ_GetRoomMemberInfo(1).IsConnect()", "true"},
        {"return SQ_GetInBuffer(4)", "0"},
        {"return SQ_DumpKeyBufferData(-1)", "0"},
        {"return SQ_GetSearchedRoomHost(20)", ""},
        {"SQ_SetNetDebugMsg(8, \"x\"); SQ_SetNetDebugMsg(-1, \"y\"); return 1", "1"},
        {"local r = SQ_NetSearchResult(); r.BindValue(25); return r.IsActive()", "false"},
        {"local f = SQ_NetFriend(); f.BindValue(0); return f.IsActive()", "false"},
        {"return SQ_IsNetworkWaiting()", "false"},
        {"SQ_SetNetwrokPause(true); local p = SQ_IsNetwrokPause(); SQ_SetNetwrokPause(false); "
         "return p",
         "true"},
        {"return SQ_NetworkCtrl().FailedDisconnectRoom()", "false"},
        {"return SQ_VoiceChatManager().GetHeadSetEnable()", "false"},
        {"SQ_NetworkCtrl().SendPlayerRoom(1); return 2", "2"},
        {"return SQ_GameServer().KickOutRoomMember(9)", "100"},
        {"return SQ_IsHostChangePopup()", "false"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, Run(0, c.script)) << c.script;
    }
}

TEST_F(NetworkScripts, RequestObjectsKeepTheirBounds) {
    EXPECT_EQ("125", Run(0,
                         "local c = SQ_GameServer().GetCreateSessionObj(); "
                         "local s = \"\"; for (local i = 0; i < 200; i++) s += \"a\"; "
                         "c.SetSessionName(s); return c.GetSessionName().len()"));
    EXPECT_EQ("20", Run(0,
                        "local o = SQ_SearchUpdateObj(); for (local i = 0; i < 25; i++) "
                        "o.AddID(i); return o.UpdateNum"));
    EXPECT_EQ("20", Run(0, "local o = SQ_SearchUpdateObj(); o.UpdateNum = 99; return o.UpdateNum"));
    EXPECT_EQ("-1", Run(0,
                        "local f = SQ_GameServer().GetFriendRequestObj(); f.SetMemberIndex(3); "
                        "f.Clear(); return 0 - 1"));
    EXPECT_EQ(-1, h.server(0).friendObj.memberIndex);
}

TEST_F(NetworkScripts, DeleteInARoomAnswers100AndLeavesTheSessionState) {
    const std::uint32_t before = h.With(0, [] { return GetNetworkDatabase().session.state; });
    EXPECT_EQ("100", Run(0, "return SQ_GameServer().OrderDeleteSession()"));
    EXPECT_EQ(before, h.With(0, [] { return GetNetworkDatabase().session.state; }));
    EXPECT_EQ(Win::CGameNetworkServer::kDeleting, h.server(0).State());
}

TEST_F(NetworkScripts, AScriptedSearchFindsTheRoomAndReadsItsResult) {
    h.With(1, [&] {
        h.server(1).OrderDisconnectSession();
        return 0;
    });
    h.Frames(5);
    EXPECT_EQ("true", Run(1,
                          "local g = SQ_GameServer(); local ok = g.InitSearchObj(); "
                          "g.GetSearchSessionObj().SetHostArea(255); return ok"));
    EXPECT_EQ("0", Run(1, "return SQ_GameServer().GetSearchResultNum()"));
    EXPECT_EQ("0", Run(1, "return SQ_GameServer().OrderSearchSession()"));
    h.member(1).ClearSeen();
    ASSERT_TRUE(
        h.RunUntil([&] { return (h.member(1).seenLow & NetResult::kSearchSucceeded) != 0; }));
    EXPECT_EQ("1", Run(1, "return SQ_GameServer().GetSearchResultNum()"));
    EXPECT_EQ("P0",
              Run(1, "local r = SQ_NetSearchResult(); r.BindValue(0); return r.GetHostName()"));
    EXPECT_EQ("room", Run(1,
                          "local r = SQ_NetSearchResult(); r.BindValue(0); "
                          "return r.GetSessionName()"));
    EXPECT_EQ(std::to_string(h.member(0).platform->own_id()),
              Run(1, "local r = SQ_NetSearchResult(); r.BindValue(0); return r.GetHostID()"));
    EXPECT_EQ("true", Run(1,
                          "local r = SQ_NetSearchResult(); r.BindValue(0); "
                          "return r.GetHostRTT() >= 0 && r.GetHostRTT() <= 180"));
}

}  // namespace
