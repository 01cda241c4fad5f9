// "SQ_Networker" in a real VM: fixed answers, newest-first message logs and
// the chat log, with a chat index outside the log answering null.
#include <gtest/gtest.h>
#include <squirrel.h>

#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/win/qz_networker.h"
#include "tests/proj/script/script_snippet.h"

namespace {

TEST(NetworkerScriptApi, ScriptsReadTheNetworkerLogs) {
    QZW::Win::CQzNetworker& n = QZW::Win::GetNetworker();
    const std::uint32_t sentBefore = n.sendingCounter;
    n.AddSendingLog(14, 12, 0x0110000100000007ull, 5);
    n.AddTextChatLog("Ann", "hello", 5);

    HSQUIRRELVM v = sq_open(1024);
    sq_pushroottable(v);
    Sample::RegisterNetworkerClasses(v);
    struct Case {
        const char* script;
        std::string result;
    };
    const Case cases[] = {
        {"return SQ_Networker().GetNetworkID()", "0"},
        {"return SQ_Networker().CheckNetworkLogin()", "1"},
        {"return SQ_Networker().GetMsgLogNum()", "32"},
        {"return SQ_Networker().GetWorldInfo(0)", "null"},
        {"return SQ_Networker().GetSendingLog(0).count", std::to_string(sentBefore + 1)},
        {"return SQ_Networker().GetSendingLog(0).msgId", "14"},
        {"return SQ_Networker().GetSendingLog(0).addr", std::to_string(0x0110000100000007ull)},
        {"return SQ_Networker().GetSendingLog(0).GetIP()", ""},
        {"return SQ_Networker().GetTextChatLog(0).GetMsg()", "Ann:hello"},
        {"return SQ_Networker().GetTextChatLog(30)", "null"},
        {"return SQ_Networker().GetTextChatLog(-1)", "null"},
        {"return SQ_Networker().GetTextChatLogNum() > 0", "true"},
        {"SQ_Networker().SendRoomChat(0, \"x\"); return 1", "1"},
        {"local r = NetRoomInfo(); r.lock = 3; return r.lock + r.roomId", "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        script_test::SnippetResult r = script_test::RunSnippet(v, c.script);
        EXPECT_TRUE(r.ok) << r.text;
        EXPECT_EQ(r.text, c.result);
    }
    sq_pop(v, 1);
    Sample::SqBind::ForgetClasses();
    sq_close(v);
}

}  // namespace
