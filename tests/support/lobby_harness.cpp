// Lobby harness: member set-up, the per-frame road and the scripted steps.
#include "tests/support/lobby_harness.h"

#include <string>

#include "platform/netcheck/netcheck.h"
#include "proj/network/game_network_ctrl.h"
#include "proj/network/p2p_buffers.h"
#include "proj/network/p2p_network_tasks.h"

namespace lobby_test {

using namespace Sample;

namespace {}  // namespace

LobbyHarness::LobbyHarness(int members, std::uint64_t seed, std::vector<std::string> names)
    : world_(seed), members_(members) {
    platform::netcheck::set_fixed_answer(true);
    for (int i = 0; i < members; ++i) {
        Member& m = members_[static_cast<std::size_t>(i)];
        const std::size_t at = static_cast<std::size_t>(i);
        m.platform =
            &world_.add_member(5001 + i, at < names.size() ? names[at] : "P" + std::to_string(i));
        m.steam = std::make_unique<vho::Steam>(*m.platform, vho::Steam::Unregistered{});
        std::string message;
        m.steam->Start(message);
        m.context = std::make_unique<NetworkMemberContext>();
        m.networker = std::make_unique<QZW::Win::CQzNetworker>();
        m.receiver = std::make_unique<vho::Listener>();
        ScopedNetworkMember use(*m.context);
        CreateP2PBuffers(kP2PSendQueueSize);
        CreatePeriodicSends();
        m.server = std::make_unique<Win::CGameNetworkServer>(m.steam.get(), m.networker.get());
        m.server->AllocSearchResults();
        CGameNetworkCtrl::GetInstance().SetServer(m.server.get());
        NetworkMemberContext* context = m.context.get();
        m.steam->GetSubject()->Attach(vho::kSteamP2PPacket, m.receiver.get(), [context](void* d) {
            ScopedNetworkMember in(*context);
            const auto* e = static_cast<const vho::P2PPacketEvent*>(d);
            ReceiveP2PPacket(e->sender.ConvertToUint64(), e->data, e->size);
        });
    }
}

LobbyHarness::~LobbyHarness() {
    for (Member& m : members_) {
        ScopedNetworkMember use(*m.context);
        CGameNetworkCtrl::GetInstance().SetServer(nullptr);
        m.server.reset();
        m.steam->Shutdown();
    }
    UseNetworkMemberContext(nullptr);
    platform::netcheck::set_fixed_answer(std::nullopt);
}

void LobbyHarness::MemberFrame(Member& m) {
    ScopedNetworkMember use(*m.context);
    m.steam->Update();
    CGameNetworkCtrl& ctrl = CGameNetworkCtrl::GetInstance();
    ctrl.ManagementNetwork();
    m.seenLow |= ctrl.resultLow;
    m.seenHigh |= ctrl.resultHigh;
    RunP2PSender(*m.steam);
}

void LobbyHarness::Frame() {
    for (Member& m : members_) {
        if (m.running) {
            MemberFrame(m);
        }
    }
}

bool LobbyHarness::RunUntil(const std::function<bool()>& done, int limit) {
    for (int i = 0; i < limit; ++i) {
        if (done()) {
            return true;
        }
        Frame();
    }
    return done();
}

namespace R = NetResult;

bool LobbyHarness::Init(int i) {
    Member& m = member(i);
    m.ClearSeen();
    With(i, [&] { return m.server->OrderNetworkInit(m.server->initObj); });
    return RunUntil([&] { return (m.seenLow & (R::kInitSucceeded | R::kInitFailed)) != 0; }) &&
           (m.seenLow & R::kInitSucceeded);
}

bool LobbyHarness::Create(int i, int memberMax, const char* keyword) {
    Member& m = member(i);
    m.ClearSeen();
    const int order = With(i, [&] {
        SNetCreateSessionObj& c = m.server->createObj;
        c = SNetCreateSessionObj{};
        c.flags = CreateFlag::kQuickRoom;
        c.ownId = GetNetworkDatabase().ownUser.id;
        c.gameVersion = kGameVersion;
        c.hostArea = 255;
        c.MemberMax = static_cast<std::uint8_t>(memberMax);
        CopyBoundedText(c.sessionName, sizeof c.sessionName, "room");
        CopyBoundedText(c.keyword, sizeof c.keyword, keyword);
        const int r = m.server->OrderCreateSession(c);
        if (r == 0) {
            GetNetworkDatabase().session.state = SGameSessionRecord::kRequested;
        }
        return r;
    });
    return order == 0 &&
           RunUntil([&] { return (m.seenLow & (R::kCreateSucceeded | R::kCreateFailed)) != 0; }) &&
           (m.seenLow & R::kCreateSucceeded);
}

bool LobbyHarness::Search(int i, const char* keyword) {
    Member& m = member(i);
    m.ClearSeen();
    With(i, [&] {
        SNetSearchSessionObj& s = m.server->searchObj;
        s = SNetSearchSessionObj{};
        s.gameVersion = kGameVersion;
        s.MemberNum = 3;
        s.hostArea = 255;
        CopyBoundedText(s.keyword, sizeof s.keyword, keyword);
        return m.server->OrderSearchSession(s);
    });
    return RunUntil([&] { return (m.seenLow & (R::kSearchSucceeded | R::kSearchFailed)) != 0; }) &&
           (m.seenLow & R::kSearchSucceeded);
}

bool LobbyHarness::Connect(int i, int index) {
    Member& m = member(i);
    m.ClearSeen();
    const int order = With(i, [&] {
        SNetConnectSessionObj& c = m.server->connectObj;
        c = SNetConnectSessionObj{};
        c.ownId = GetNetworkDatabase().ownUser.id;
        c.AppVer = kGameVersion;
        c.SearchIndex = static_cast<std::uint8_t>(index);
        const int r = m.server->OrderConnectSession(c);
        if (r == 0) {
            GetNetworkDatabase().session.state = SGameSessionRecord::kRequested;
        }
        return r;
    });
    return order == 0 && RunUntil([&] {
               return (m.seenLow & (R::kConnectSucceeded | R::kConnectFailed)) != 0;
           }) &&
           (m.seenLow & R::kConnectSucceeded);
}

bool LobbyHarness::Settle(int members) {
    for (int i = 0; i < members; ++i) {
        if (!Init(i)) {
            return false;
        }
    }
    if (!Create(0)) {
        return false;
    }
    for (int i = 1; i < members; ++i) {
        if (!Search(i) || server(i).searchResultCount < 1 || !Connect(i, 0)) {
            return false;
        }
    }
    // The host's session broadcast reaches everyone.
    Frames(30);
    return true;
}

}  // namespace lobby_test
