// Networker logs: newest-first message rings and the clamped text-chat log.
#include "qzware/win/qz_networker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace QZW::Win {
namespace {

TEST(QzNetworker, FixedAnswersOfTheWorldAndRoomOperations) {
    auto n = std::make_unique<CQzNetworker>();
    NET::IQzNetworker& i = *n;
    EXPECT_EQ(i.CheckNetworkLogin(0), 1);
    EXPECT_EQ(i.GetInviteSeq(0), 0);
    EXPECT_EQ(i.CheckVoiceChatEnable(), 0);
    EXPECT_EQ(i.GetWorldInfo(0), nullptr);
    EXPECT_EQ(i.GetRoomInfo(0), nullptr);
    EXPECT_EQ(i.GetSearchRoomInfo(0), nullptr);
    EXPECT_EQ(i.GetMsgLogNum(), 32);
    n->SetVoiceChatEnabled(1);
    EXPECT_EQ(i.CheckVoiceChatEnable(), 1);
}

TEST(QzNetworker, SendingLogIsNewestFirstAndZeroedBeyondWhatWasSent) {
    auto n = std::make_unique<CQzNetworker>();
    n->AddSendingLog(14, 12, 0x0110000100000007ull, 0x1234567800000042ull);
    const NET::CQzNetMsgLog* e = n->GetSendingLog(0);
    EXPECT_EQ(e->count, 1u);
    EXPECT_EQ(e->msgId, 14u);
    EXPECT_EQ(e->msgSize, 12u);
    EXPECT_EQ(e->addr, 0x0110000100000007ull);
    EXPECT_EQ(e->port, 0x42u);
    EXPECT_EQ(n->GetSendingLog(1)->count, 0u);
    for (int k = 0; k < 40; ++k) {
        n->AddSendingLog(1, 8, 1, 0);
    }
    EXPECT_EQ(n->GetSendingLog(0)->count, 41u);
    EXPECT_EQ(n->GetSendingLog(31)->count, 10u);
    EXPECT_EQ(n->GetSendingLog(32)->count, 41u) << "indices wrap modulo 32";
    EXPECT_EQ(n->GetSendingLog(0xFFFFFFFFu)->count, n->GetSendingLog(31)->count);
}

TEST(QzNetworker, ReceivingLogReadsCategoryAndOwnLength) {
    auto n = std::make_unique<CQzNetworker>();
    const std::uint8_t m[] = {6, 0, 11, 0, 3, 0};
    n->AddReceivingLog(m, sizeof m, 99);
    const NET::CQzNetMsgLog* e = n->GetReceivingLog(0);
    EXPECT_EQ(e->count, 1u);
    EXPECT_EQ(e->msgId, 11u);
    EXPECT_EQ(e->msgSize, 6u);
    EXPECT_EQ(e->addr, 99u);
    EXPECT_EQ(e->port, 0u);
    n->AddReceivingLog(m, 2, 98);  // too short to carry a header
    EXPECT_EQ(n->GetReceivingLog(0)->msgId, 0u);
    EXPECT_EQ(n->GetReceivingLog(0)->count, 2u);
}

TEST(QzNetworker, ChatLineIsNameColonTextAndTheThirtyFirstPushesTheFirstOut) {
    auto n = std::make_unique<CQzNetworker>();
    for (int k = 0; k < 31; ++k) {
        const std::string text = "line" + std::to_string(k);
        n->AddTextChatLog("Ann", text.c_str(), static_cast<std::uint32_t>(text.size()));
    }
    const NET::CQzNetTextChatLog* log = n->GetTextChatLog();
    EXPECT_EQ(log->count, 30);
    EXPECT_STREQ(n->GetTextChatEntry(0)->GetMsg(), "Ann:line30");
    EXPECT_EQ(n->GetTextChatEntry(0)->sequence, 30u);
    EXPECT_STREQ(n->GetTextChatEntry(29)->text, "line1");
    EXPECT_EQ(n->GetTextChatEntry(30), nullptr);
    EXPECT_EQ(n->GetTextChatEntry(-1), nullptr);
}

TEST(QzNetworker, ChatFieldsAreClampedToTheirSizes) {
    auto n = std::make_unique<CQzNetworker>();
    const std::string name(19, 'N');
    const std::string text(500, 't');
    n->AddTextChatLog(name.c_str(), text.c_str(), 100000);  // lying chat length
    const NET::CQzNetTextChatString* e = n->GetTextChatEntry(0);
    EXPECT_EQ(std::string(e->name), std::string(15, 'N'));
    EXPECT_EQ(std::strlen(e->text), 179u);
    EXPECT_EQ(std::string(e->line), name + ":" + std::string(179, 't'));
    n->AddTextChatLog("Bo", "hi there", 2);
    EXPECT_STREQ(n->GetTextChatEntry(0)->GetMsg(), "Bo:hi");
    n->AddTextChatLog("Bo", "short", 50);  // chat length past the text's end
    EXPECT_STREQ(n->GetTextChatEntry(0)->GetMsg(), "Bo:short");
    n->AddTextChatLog(nullptr, "x", 1);
    n->AddTextChatLog("x", nullptr, 1);
    EXPECT_EQ(n->GetTextChatLog()->count, 3);
}

}  // namespace
}  // namespace QZW::Win
