// The four-process room test's program. Started with QZ_LOBBY_TEST_ROLE=host
// or =member it is one player instead: the platform services over the
// networked backend (QZ_ONLINE_* settings), the lobby session server, the
// match controller and the sender, run at about 60 frames a second. The host
// creates a room for four; members search until they find it and join. Once
// four are in, each sends one chat line, waits for all four, then plays a
// short lockstep match with pads from a hash of (battler, frame) and writes
// the words it consumed to QZ_LOBBY_TEST_LOG. With QZ_LOBBY_TEST_FORGE=1 the
// host also plays an attacker on the path: every match frame it sends each
// member key input for its own battler that differs from what it pressed,
// from its own address with its id and session, numbered far ahead of its
// real traffic (so only the code check can stop them), under a key that is
// not its own; the members must drop all of it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/netcheck/netcheck.h"
#include "platform/online/online_directory.h"
#include "platform/online/online_redis.h"
#include "proj/network/game_message.h"
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
    Player(vho::Steam& steam, platform::online::NetworkedBackend& platform)
        : steam_(steam), platform_(platform) {}
    bool forge = false;
    int forged = 0;

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
    // Four are in and this player has every other one's address. A member
    // takes another member's address from the host's session snapshot after
    // the one that first listed it (up to a rebroadcast, about a second,
    // later); until then its key words to and from that member go nowhere
    // and the whole match waits.
    static bool RoomReady() {
        const SGameSessionRecord& s = GetNetworkDatabase().session;
        if (Connected() != 4 || s.ownSlot == nullptr) {
            return false;
        }
        for (const CGameMemberSlot& slot : s.slots) {
            if (&slot != s.ownSlot && slot.peer.id != slot.memberId) {
                return false;
            }
        }
        return true;
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
    // One frame as the scripts run it: the wait, the key buffer, the time
    // step. A frame held for a missing word comes again; a frame in which
    // the delay was raised is stepped over by every member alike, so the
    // log says so instead of the words.
    void MatchFrame() {
        CGameNetworkCtrl& ctrl = CGameNetworkCtrl::GetInstance();
        ctrl.UpdateNetworkWait();
        const SGameBattleParam& keys = GetNetworkDatabase().battleData.battleParam;
        const std::uint16_t frame = keys.currentFrame;
        const int own = GetNetworkDatabase().session.ownSlot->BattlerNo();
        // The word pressed now is recorded for frame last frame [own]: its
        // pad is that frame's less the starting delay, whatever the delay
        // has grown to since.
        const auto pressed = static_cast<std::uint16_t>(keys.lastFrame[own] - lobby_e2e::kDelay);
        ctrl.UpdateNetKeyBuffer(lobby_e2e::Pad(own, pressed), false);
        if (forge) {
            Forge(own, pressed);
        }
        const bool stepped = !ctrl.networkWaiting || !ctrl.holdFlag;
        if (stepped && frame < lobby_e2e::kFrames && consumed_.size() == frame) {
            std::string line = std::to_string(frame);
            if (ctrl.networkWaiting) {
                line += lobby_e2e::kRaised;
            } else {
                for (int b = 0; b < kNetKeyPlayers; ++b) {
                    line += " " + std::to_string(GetNetKeyEntry(b)->held);
                }
            }
            consumed_.push_back(line);
        }
        ctrl.TimeStep();
    }
    // Key words for frames this battler has not sent yet, so a receiver
    // that took them would consume them instead of the real ones.
    void Forge(int own, std::uint16_t frame) {
        namespace po = platform::online;
        if (!directory_) {
            const po::NetworkConfig c = po::NetworkConfig::from_environment();
            directory_ = std::make_unique<po::Directory>(c.directory_host, c.directory_port,
                                                         c.key_prefix, 1000);
            directory_->set_login(c.directory_user, c.directory_password);
            std::string error;
            directory_->connect(&error);
        }
        GameMessage m;
        m.category = GameMessageCategory::kKeyInput;
        m.keyBattler = static_cast<std::uint8_t>(own);
        m.frame = static_cast<std::uint16_t>(frame + lobby_e2e::kDelay + 1);
        m.keyCount = kMaxKeyWords;
        for (int i = 0; i < kMaxKeyWords; ++i) {
            m.keys[i] = static_cast<std::uint16_t>(~lobby_e2e::Pad(own, frame) & 0x0ff0);
        }
        std::uint8_t message[64];
        const std::size_t size = BuildGameMessage(m, message, sizeof message);
        for (const CGameMemberSlot& slot : GetNetworkDatabase().session.slots) {
            const std::uint64_t to = slot.MemberID();
            if (!slot.IsConnect() || to == platform_.own_id() || size == 0) {
                continue;
            }
            const auto reg = directory_->lookup(to);
            if (!reg) {
                continue;
            }
            std::uint8_t datagram[po::kMaxDatagramSize];
            const std::size_t n = po::encode_datagram(
                {platform_.own_id(), platform_.epoch(), 0x40000000u + std::uint32_t(forged)},
                {to, reg->epoch}, po::new_presence_key(), message, std::uint32_t(size), datagram,
                sizeof datagram);
            forged += platform_.send_raw_datagram(reg->endpoint, datagram, n) ? 1 : 0;
        }
    }
    std::size_t ConsumedFrames() const { return consumed_.size(); }
    const std::vector<std::string>& Consumed() const { return consumed_; }

    std::uint32_t seenLow = 0;

private:
    vho::Steam& steam_;
    platform::online::NetworkedBackend& platform_;
    std::unique_ptr<platform::online::Directory> directory_;
    bool match_ = false;
    std::vector<std::string> consumed_;
};

// A handshake between the four player processes through their shared
// working folder: each leaves a mark "<step>-<id>" once it reached the step;
// the returned check holds once all four marks are there.
std::function<bool()> Handshake(const std::string& step, std::uint64_t own) {
    std::ofstream(step + "-" + std::to_string(own)) << "\n";
    return [step] {
        int marks = 0;
        for (const auto& e : std::filesystem::directory_iterator(".")) {
            marks += e.path().filename().string().rfind(step + "-", 0) == 0 ? 1 : 0;
        }
        return marks >= 4;
    };
}

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
    Player p(steam, platform);
    const char* forge = std::getenv("QZ_LOBBY_TEST_FORGE");
    p.forge = host && forge != nullptr && std::strcmp(forge, "1") == 0;

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
    if (!p.RunUntil(Player::RoomReady, 40)) {
        std::printf("player: the room never filled (%d)\n", Player::Connected());
        return 6;
    }
    // A joiner clears its chat log when its connect completes, which may come
    // a little after the host counts it in, and it reaches the others only
    // once it has their addresses: nobody chats (and so nobody starts the
    // match) before all four say that they are in and reach everyone.
    if (!p.RunUntil(Handshake("ready", platform.own_id()), 40)) {
        std::printf("player: not every player got ready\n");
        return 10;
    }
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
    // The others may still ask for words this process sent: it stays until
    // every player has played all its frames.
    if (!p.RunUntil(Handshake("done", platform.own_id()), 40)) {
        std::printf("player: not every player finished its match\n");
        return 11;
    }
    std::printf("player: forged %d, dropped for their code %llu\n", p.forged,
                static_cast<unsigned long long>(platform.datagram_drops().code));
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
