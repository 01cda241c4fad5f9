// The four-process room test's program. Started with QZ_LOBBY_TEST_ROLE=host
// or =member it is one player instead: the platform services over the
// networked backend (QZ_ONLINE_* settings), the lobby session server, the
// match controller and the sender, run at about 60 frames a second. The host
// creates a room for four; members search until they find it and join. Once
// four are in, each sends one chat line, waits for all four, then plays a
// short lockstep match with pads from a hash of (battler, frame) and writes
// the words it consumed to QZ_LOBBY_TEST_LOG.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/netcheck/netcheck.h"
#include "platform/online/online_redis.h"
#include "proj/network/game_network_ctrl.h"
#include "proj/network/game_network_server.h"
#include "proj/network/p2p_buffers.h"
#include "proj/network/p2p_network_tasks.h"
#include "proj/script/net_key_buffer.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/win/qz_networker.h"
#include "tests/proj/lobby_e2e/lobby_e2e.h"

namespace {

using namespace Sample;
namespace R = NetResult;

struct Receiver : vho::Listener {
    void OnPacket(void* data) {
        const auto* e = static_cast<const vho::P2PPacketEvent*>(data);
        ReceiveP2PPacket(e->sender.ConvertToUint64(), e->data, e->size);
    }
};

class Player {
public:
    explicit Player(vho::Steam& steam) : steam_(steam) {}

    void Frame() {
        steam_.Update();
        CGameNetworkCtrl& ctrl = CGameNetworkCtrl::GetInstance();
        ctrl.ManagementNetwork();
        seenLow |= ctrl.resultLow;
        if (match_) {
            MatchFrame();
        }
        RunP2PSender(steam_);
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    bool RunUntil(const std::function<bool()>& done, int seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (done()) {
                return true;
            }
            Frame();
        }
        return done();
    }
    bool Order(const std::function<int()>& order, std::uint32_t ok, std::uint32_t failed,
               int seconds) {
        seenLow = 0;
        if (order() != 0) {
            return false;
        }
        return RunUntil([&] { return (seenLow & (ok | failed)) != 0; }, seconds) &&
               (seenLow & ok) != 0;
    }
    static int Connected() {
        int n = 0;
        for (const CGameMemberSlot& s : GetNetworkDatabase().session.slots) {
            n += s.IsConnect() ? 1 : 0;
        }
        return n;
    }
    void StartMatch() {
        SGameSessionRecord& s = GetNetworkDatabase().session;
        for (CGameMemberSlot& slot : s.slots) {
            if (slot.IsConnect()) {
                slot.sequence = 6;
            }
        }
        s.RefreshBattlerNumbers();
        s.UpdateSlotPointers(GetNetworkDatabase().ownUser.id);
        CGameNetworkCtrl::GetInstance().InitKeyData(lobby_e2e::kDelay);
        SetNetKeyOnline(true);
        match_ = true;
    }
    void MatchFrame() {
        CGameNetworkCtrl& ctrl = CGameNetworkCtrl::GetInstance();
        ctrl.UpdateNetworkWait();
        const std::uint16_t frame = GetNetworkDatabase().battleData.battleParam.currentFrame;
        const int own = GetNetworkDatabase().session.ownSlot->BattlerNo();
        ctrl.UpdateNetKeyBuffer(lobby_e2e::Pad(own, frame), false);
        if (!ctrl.networkWaiting && frame < lobby_e2e::kFrames && consumed_.size() == frame) {
            std::string line = std::to_string(frame);
            for (int b = 0; b < kNetKeyPlayers; ++b) {
                line += " " + std::to_string(GetNetKeyEntry(b)->held);
            }
            consumed_.push_back(line);
        }
        ctrl.TimeStep();
    }
    std::size_t ConsumedFrames() const { return consumed_.size(); }
    const std::vector<std::string>& Consumed() const { return consumed_; }

    std::uint32_t seenLow = 0;

private:
    vho::Steam& steam_;
    bool match_ = false;
    std::vector<std::string> consumed_;
};

int RunPlayer(bool host) {
    platform::online::NetworkedBackend platform(
        platform::online::NetworkConfig::from_environment());
    vho::Steam steam(platform);
    std::string message;
    steam.Start(message);
    if (!message.empty()) {
        std::printf("player: %s\n", message.c_str());
        return 2;
    }
    CreateP2PBuffers(kP2PSendQueueSize);
    CreatePeriodicSends();
    QZW::Win::CQzNetworker& networker = QZW::Win::GetNetworker();
    Win::CGameNetworkServer server(&steam, &networker);
    server.AllocSearchResults();
    CGameNetworkCtrl::GetInstance().SetServer(&server);
    Receiver receiver;
    steam.GetSubject()->Attach(vho::kSteamP2PPacket, &receiver, &Receiver::OnPacket);
    Player p(steam);

    if (!p.Order([&] { return server.OrderNetworkInit(server.initObj); }, R::kInitSucceeded,
                 R::kInitFailed, 10)) {
        std::printf("player: init failed\n");
        return 3;
    }
    if (host) {
        SNetCreateSessionObj& c = server.createObj;
        c.ownId = GetNetworkDatabase().ownUser.id;
        c.gameVersion = kGameVersion;
        c.hostArea = 255;
        c.MemberMax = 4;
        CopyBoundedText(c.sessionName, sizeof c.sessionName, "four");
        if (!p.Order(
                [&] {
                    GetNetworkDatabase().session.state = SGameSessionRecord::kRequested;
                    return server.OrderCreateSession(c);
                },
                R::kCreateSucceeded, R::kCreateFailed, 15)) {
            std::printf("player: create failed\n");
            return 4;
        }
        std::printf("player: room created\n");
    } else {
        bool joined = false;
        for (int attempt = 0; attempt < 20 && !joined; ++attempt) {
            SNetSearchSessionObj& s = server.searchObj;
            s = SNetSearchSessionObj{};
            s.gameVersion = kGameVersion;
            s.hostArea = 255;
            if (!p.Order([&] { return server.OrderSearchSession(s); }, R::kSearchSucceeded,
                         R::kSearchFailed, 20) ||
                server.searchResultCount == 0) {
                continue;
            }
            server.connectObj = SNetConnectSessionObj{};
            server.connectObj.SearchIndex = 0;
            joined = p.Order(
                [&] {
                    const int r = server.OrderConnectSession(server.connectObj);
                    if (r == 0) {
                        GetNetworkDatabase().session.state = SGameSessionRecord::kRequested;
                    }
                    return r;
                },
                R::kConnectSucceeded, R::kConnectFailed, 20);
        }
        if (!joined) {
            std::printf("player: could not join\n");
            return 5;
        }
        std::printf("player: joined\n");
    }
    if (!p.RunUntil([] { return Player::Connected() == 4; }, 40)) {
        std::printf("player: the room never filled (%d)\n", Player::Connected());
        return 6;
    }
    // A joiner clears its chat log when its connect completes, which may come
    // a little after the host counts it in: give the last one time to finish.
    p.RunUntil([] { return false; }, 2);
    const std::string line = std::string("hi from ") + steam.GetPersonaName();
    server.SendRoomChat(line.c_str());
    const bool chatted = p.RunUntil([&] { return networker.textChat.count >= 4; }, 20);
    for (int i = networker.textChat.count - 1; i >= 0; --i) {
        std::printf("chat: %s\n", networker.textChat.entries[i].line);
    }
    if (!chatted) {
        std::printf("player: chat incomplete (%d)\n", networker.textChat.count);
        return 7;
    }
    p.StartMatch();
    if (!p.RunUntil([&] { return p.ConsumedFrames() >= lobby_e2e::kFrames; }, 60)) {
        std::printf("player: match stalled at %zu\n", p.ConsumedFrames());
        return 8;
    }
    // The others may still ask for words this process sent.
    p.RunUntil([] { return false; }, 3);
    const char* logPath = std::getenv("QZ_LOBBY_TEST_LOG");
    std::ofstream log(logPath ? logPath : "/dev/null");
    for (const std::string& l : p.Consumed()) {
        log << l << "\n";
    }
    CGameNetworkCtrl::GetInstance().SetServer(nullptr);
    return log ? 0 : 9;
}

}  // namespace

int main(int argc, char** argv) {
    const char* role = std::getenv("QZ_LOBBY_TEST_ROLE");
    if (role != nullptr && (std::strcmp(role, "host") == 0 || std::strcmp(role, "member") == 0)) {
        platform::netcheck::set_fixed_answer(true);  // loopback only is still a network here
        return RunPlayer(std::strcmp(role, "host") == 0);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
