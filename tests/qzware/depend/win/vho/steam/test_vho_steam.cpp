// The platform services object: start messages, the answers it gives while
// not started, the singleton checks and the per-frame step.
#include "qzware/depend/win/vho/vho_steam.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/online/online_loopback.h"
#include "tests/qzware/depend/win/vho/steam/steam_fixture.h"

namespace {

using steam_test::SteamOnWorld;

struct AssertThrows {
    AssertThrows() {
        vho::SetAssertHandler(
            [](const char* expression, const char*, int) { throw std::runtime_error(expression); });
    }
    ~AssertThrows() { vho::SetAssertHandler({}); }
};

// Every operation of an object that never completed its start.
void ExpectNotStartedAnswers(vho::Steam& steam) {
    const CSteamID someone(platform::online::individual_id(55));
    struct Case {
        const char* operation;
        long long got;
        long long expected;
    } cases[] = {
        {"IsStarted", steam.IsStarted(), 0},
        {"GetSteamId", (long long)steam.GetSteamId()->ConvertToUint64(), 0},
        {"AddPeer peer id", steam.AddPeer(&someone)->peerId, 65535},
        {"AddPeer id", (long long)steam.AddPeer(&someone)->id.ConvertToUint64(), 0},
        {"FindPeer peer id", steam.FindPeer(&someone)->peerId, 65535},
        {"GetPeerId", steam.GetPeerId(&someone), 65535},
        {"GetPeerPing", steam.GetPeerPing(&someone), -1},
        {"GetPeerPingById", steam.GetPeerPingById(0), -1},
        {"GetSubject", steam.GetSubject() != nullptr, 0},
        {"GetEventDispatcher", steam.GetEventDispatcher() != nullptr, 0},
        {"GetP2P", steam.GetP2P() != nullptr, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.got) << c.operation;
    }
    // Operations without a result change nothing and reach no platform.
    steam.SetPeerPing(&someone, 5);
    steam.ClearPeers();
    steam.SendP2PPacket(&someone, "x", 1);
    steam.SendP2PPacketNoDelay(&someone, "x", 1);
    steam.PostEvent(9, nullptr);
    steam.Update();
    EXPECT_EQ(-1, steam.GetPeerPing(&someone));
}

TEST_F(SteamOnWorld, AnswersFixedValuesBeforeStart) {
    vho::Steam steam(self);
    ExpectNotStartedAnswers(steam);
}

TEST_F(SteamOnWorld, StartFailuresGiveTheirMessageAndLeaveItNotStarted) {
    struct Case {
        bool init_fails;
        bool logged_on;
        const char* message;
    } cases[] = {
        {true, true, "Failed initializing Steam."},
        {false, false, "Not logged into Steam."},
    };
    for (const Case& c : cases) {
        self.set_init_fails(c.init_fails);
        self.set_logged_on(c.logged_on);
        vho::Steam steam(self);
        std::string message;
        steam.Start(message);
        EXPECT_EQ(c.message, message);
        ExpectNotStartedAnswers(steam);
    }
}

TEST_F(SteamOnWorld, AfterShutdownItAnswersAsBeforeStartAndShutdownTwiceIsSafe) {
    vho::Steam steam(self);
    Started(steam);
    EXPECT_TRUE(steam.IsStarted());
    EXPECT_EQ(platform::online::individual_id(1001), steam.GetSteamId()->ConvertToUint64());
    steam.Shutdown();
    steam.Shutdown();
    EXPECT_FALSE(steam.IsStarted());
    const CSteamID someone(platform::online::individual_id(55));
    EXPECT_EQ(65535, steam.AddPeer(&someone)->peerId);
    EXPECT_EQ(nullptr, steam.GetSubject());
}

TEST_F(SteamOnWorld, IdentityComesFromThePlatform) {
    self.set_language("german");
    vho::Steam steam(self);
    EXPECT_STREQ("Self", steam.GetPersonaName());
    EXPECT_STREQ("german", steam.GetCurrentGameLanguage());
    EXPECT_TRUE(steam.GetSteamId()->ConvertToUint64() == 0);
    Started(steam);
    const CSteamID id = *steam.GetSteamId();
    EXPECT_TRUE(id.IsValid());
    EXPECT_FALSE(id.IsLobby());
    EXPECT_EQ(0x01100001u, std::uint32_t(id.ConvertToUint64() >> 32));
}

TEST(SteamSingleton, SecondInstanceAndGetBeforeConstructionFailTheirChecks) {
    AssertThrows throws;
    platform::online::LoopbackWorld world;
    platform::online::LoopbackMember& member = world.add_member(1);
    try {
        vho::Steam::GetInstance();
        FAIL() << "get before construction passed";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("(s_instance) != NULL", e.what());
    }
    vho::Steam first(member);
    EXPECT_EQ(&first, vho::Steam::GetInstance());
    try {
        vho::Steam second(member);
        FAIL() << "second construction passed";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("(!s_instance) != NULL", e.what());
    }
}

TEST_F(SteamOnWorld, PlatformShutdownCallbackBecomesEventTwoInTheFrameStep) {
    vho::Steam steam(self);
    Started(steam);
    struct Closer : vho::Listener {
        int calls = 0;
        void OnShutdown(void*) { ++calls; }
    } closer;
    steam.GetSubject()->Attach(vho::kSteamShutdown, &closer, &Closer::OnShutdown);
    self.raise(platform::online::PlatformShutdown{});
    EXPECT_EQ(0, closer.calls) << "callbacks only fire inside the frame step";
    steam.Update();
    EXPECT_EQ(1, closer.calls);
}

}  // namespace
