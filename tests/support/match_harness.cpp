// Match harness: member set-up and the per-frame road of one member (packets
// in, the scripts' network calls, the sender task).
#include "tests/support/match_harness.h"

#include <cstdio>
#include <string>

#include "proj/network/lobby_messages.h"
#include "proj/network/p2p_buffers.h"
#include "proj/network/session_members.h"

namespace match_test {

using namespace Sample;

namespace {

class HarnessTransport : public P2PTransport {
public:
    HarnessTransport(platform::online::LoopbackMember& from, double burstChance,
                     std::mt19937_64& rng, int& burstLeft, std::uint32_t& resends,
                     const std::set<std::pair<std::uint64_t, std::uint64_t>>& cut,
                     std::uint8_t withheld)
        : cut_(cut),
          from_(from),
          withheld_(withheld),
          burstChance_(burstChance),
          rng_(rng),
          burstLeft_(burstLeft),
          resends_(resends) {}
    void Send(std::uint64_t to, const std::uint8_t* data, std::uint32_t size,
              int sendType) override {
        if (cut_.count({from_.own_id(), to}) != 0) {
            return;
        }
        if (data[2] == GameMessageCategory::kKeyResendRequest) {
            ++resends_;
        }
        // Byte 6 of a key message names its battler.
        if (data[2] == GameMessageCategory::kKeyInput && size > 6 && data[6] < 8 &&
            (withheld_ & (1u << data[6])) != 0) {
            return;
        }
        if (data[2] == GameMessageCategory::kKeyInput && burstChance_ > 0.0) {
            if (burstLeft_ == 0 && std::uniform_real_distribution<>(0, 1)(rng_) < burstChance_) {
                burstLeft_ = 5 + static_cast<int>(rng_() % 3);
            }
            if (burstLeft_ > 0) {
                --burstLeft_;
                return;
            }
        }
        from_.send_p2p_packet(to, data, size, sendType, 0);
    }

private:
    const std::set<std::pair<std::uint64_t, std::uint64_t>>& cut_;
    platform::online::LoopbackMember& from_;
    std::uint8_t withheld_;  // battlers whose key words are not sent
    double burstChance_;
    std::mt19937_64& rng_;
    int& burstLeft_;
    std::uint32_t& resends_;
};

}  // namespace

void FakeServer::ReceiveMessage(const std::uint8_t* m, std::uint16_t length,
                                const PeerAddress& from) {
    if (IsWellFormedLobbyMessage(m, length) && m[2] == LobbyCategory::kHostChange) {
        CGameNetworkCtrl::GetInstance().AcceptNewHost(from);
    }
}

MatchHarness::MatchHarness(int members, std::uint64_t seed, const Faults& faults)
    : world_(seed), faults_(faults), rng_(seed ^ 0x9E3779B97F4A7C15ull), members_(members) {
    world_.set_faults(faults.link);
    for (int i = 0; i < members; ++i) {
        Member& m = members_[i];
        m.platform = &world_.add_member(3001 + i, "M" + std::to_string(i));
        m.platform->init();
        m.context = std::make_unique<NetworkMemberContext>();
        ScopedNetworkMember use(*m.context);
        CreateP2PBuffers(kP2PSendQueueSize);
        CreatePeriodicSends();
        CGameNetworkCtrl::GetInstance().SetServer(&m.server);
        m.server.lobbyOwner = &lobbyOwner_;
    }
    lobbyOwner_ = members_[0].platform->own_id();
    for (Member& a : members_) {
        for (Member& b : members_) {
            if (&a != &b) {
                a.platform->accept_p2p_session(b.platform->own_id());
            }
        }
    }
}

MatchHarness::~MatchHarness() {
    UseNetworkMemberContext(nullptr);
}

std::uint16_t MatchHarness::Pad(int battler, std::uint16_t frame) {
    std::uint64_t x = (static_cast<std::uint64_t>(battler) << 32) ^ frame ^ 0xA5A5A5A5u;
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    return static_cast<std::uint16_t>(x);
}

std::uint16_t MatchHarness::Expected(int battler, std::uint16_t frame) const {
    if (frame < delay_) {
        return 0;
    }
    const std::uint16_t sent = Pad(battler, static_cast<std::uint16_t>(frame - delay_));
    return sent & CGameNetworkCtrl::kLocalKeyMask & ~CGameNetworkCtrl::kDelayRaiseMark;
}

void MatchHarness::JoinRoom() {
    SetUpSession(1);
}

void MatchHarness::StartBattle(std::uint8_t delay) {
    StartBattleStaggered(delay, std::vector<int>(members_.size(), 0));
}

void MatchHarness::StartBattleStaggered(std::uint8_t delay, const std::vector<int>& armAfter) {
    delay_ = delay;
    SetUpSession(6);
    for (std::size_t i = 0; i < members_.size(); ++i) {
        Member& m = members_[i];
        m.consumed.clear();
        m.armIn = i < armAfter.size() ? armAfter[i] : 0;
        if (m.armIn == 0) {
            ScopedNetworkMember use(*m.context);
            CGameNetworkCtrl::GetInstance().InitKeyData(delay);
            SetNetKeyOnline(true);
            m.armIn = -1;
        }
    }
}

void MatchHarness::EndBattle() {
    for (int i = 0; i < size(); ++i) {
        EndBattleOf(i);
    }
}

void MatchHarness::EndBattleOf(int i) {
    ScopedNetworkMember use(*members_[i].context);
    SetNetKeyOnline(false);
    CGameNetworkCtrl::GetInstance().EndKeyExchange();
}

void MatchHarness::HandOverHost(int i) {
    Member& m = members_[i];
    lobbyOwner_ = m.platform->own_id();
    ScopedNetworkMember use(*m.context);
    CGameNetworkCtrl::GetInstance().TakeOverHost();
    const LobbyBytes change = BuildHostChange(lobbyOwner_);
    for (const CGameMemberSlot& slot : GetNetworkDatabase().session.slots) {
        if (slot.IsConnect() && &slot != GetNetworkDatabase().session.ownSlot) {
            QueueMessage(change.data(), change.size(), slot.peer, kP2PSendKindDelayed);
        }
    }
}

void MatchHarness::Cut(int from, int to) {
    cut_.insert({members_[from].platform->own_id(), members_[to].platform->own_id()});
}

void MatchHarness::Uncut(int from, int to) {
    cut_.erase({members_[from].platform->own_id(), members_[to].platform->own_id()});
}

void MatchHarness::StallDirectory(int i, bool stalled) {
    Member& m = members_[i];
    m.directoryStalled = stalled;
    m.server.staleOwner = stalled ? lobbyOwner_ : 0;
    m.server.presenceAgeMs = 0;
}

void MatchHarness::LobbyRemoves(int at, int slot) {
    ScopedNetworkMember use(*members_[at].context);
    RemoveSessionMember(slot);
}

void MatchHarness::SetUpSession(std::uint16_t sequence) {
    const int n = size();
    for (int self = 0; self < n; ++self) {
        Member& m = members_[self];
        ScopedNetworkMember use(*m.context);
        SGameNetworkDatabase& db = GetNetworkDatabase();
        db.ownUser.id = m.platform->own_id();
        db.networkState = SGameNetworkDatabase::kNetworkReady;
        SGameSessionRecord& s = db.session;
        s.Clear();
        s.state = SGameSessionRecord::kRunning;
        s.param.Member = static_cast<std::uint8_t>(n);
        if (sequence == 6) {
            s.param.flags |= SessionFlag::kConnectLock;  // a battle's room is locked
        }
        for (int i = 0; i < n; ++i) {
            CGameMemberSlot& slot = s.slots[i];
            slot.state = CGameMemberSlot::kConnected;
            slot.memberId = members_[i].platform->own_id();
            std::snprintf(slot.memberName, sizeof slot.memberName, "M%d", i);
            slot.peer = {slot.memberId, 0};
            slot.flags =
                static_cast<std::uint16_t>((i == 0 ? MemberFlag::kHost : MemberFlag::kJoined));
            slot.SetBattlerNo(i);
            slot.joinOrder = static_cast<std::uint8_t>(i);
            slot.sequence = sequence;
        }
        s.UpdateSlotPointers(db.ownUser.id);
        CGameNetworkCtrl& ctrl = CGameNetworkCtrl::GetInstance();
        for (int i = 0; i < n; ++i) {
            ctrl.memberNames[i] = s.slots[i].memberName;
        }
    }
}

void MatchHarness::MemberFrame(Member& m) {
    ScopedNetworkMember use(*m.context);
    if (m.directoryStalled) {
        m.server.presenceAgeMs += 1000 / 60;
    }
    platform::online::LoopbackMember& p = *m.platform;
    p.run_callbacks();
    std::uint8_t buffer[1204];
    std::uint32_t size = 0;
    while (p.is_p2p_packet_available(&size, 0)) {
        std::uint32_t read = 0;
        std::uint64_t sender = 0;
        if (p.read_p2p_packet(buffer, sizeof buffer, &read, &sender, 0)) {
            ReceiveP2PPacket(sender, buffer, read);
        }
    }
    CGameNetworkCtrl& ctrl = CGameNetworkCtrl::GetInstance();
    ctrl.ManagementNetwork();
    if (m.armIn > 0 && --m.armIn == 0) {
        ctrl.InitKeyData(delay_);
        SetNetKeyOnline(true);
        m.armIn = -1;
    }
    if (GetNetworkDatabase().session.ownSlot != nullptr && IsNetKeyOnline()) {
        ctrl.UpdateNetworkWait();
        const SGameBattleParam& keys = GetNetworkDatabase().battleData.battleParam;
        const std::uint16_t frame = keys.currentFrame;
        const int own = GetNetworkDatabase().session.ownSlot->BattlerNo();
        // The word pressed now is recorded for frame lastFrame[own]: its input
        // is the pad of that frame less the starting delay.
        const std::uint16_t forFrame = keys.lastFrame[own];
        ctrl.UpdateNetKeyBuffer(Pad(own, static_cast<std::uint16_t>(forFrame - delay_)), false);
        if (!ctrl.networkWaiting) {
            std::vector<std::uint16_t> words;
            for (int b = 0; b < kNetKeyPlayers; ++b) {
                words.push_back(GetNetKeyEntry(b)->held);
            }
            m.consumed[frame] = words;
        }
        // The scripts step the game only while the network is not waiting; a
        // raised delay is one such frame, in which the own word still leaves.
        if (ctrl.networkWaiting) {
            ++m.stalls;
        }
        if (!ctrl.networkWaiting || stepOnWaitingFrames) {
            ctrl.TimeStep();
        }
    }
    const CGameMemberSlot* own = GetNetworkDatabase().session.ownSlot;
    const int battler = own != nullptr ? own->BattlerNo() : -1;
    const std::uint8_t mine = battler >= 0 ? static_cast<std::uint8_t>(1u << battler) : 0;
    const std::uint8_t withheld = static_cast<std::uint8_t>(
        (m.withholdKeys ? mine : 0) | (m.withholdOthersKeys ? 0x0F & ~mine : 0));
    HarnessTransport transport(p, faults_.keyBurstChance, rng_, burstLeft_[p.own_id()], m.resends,
                               cut_, withheld);
    RunP2PSender(p.own_id(), &transport);
}

void MatchHarness::Frame() {
    for (Member& m : members_) {
        if (m.running) {
            MemberFrame(m);
        }
    }
}

}  // namespace match_test
