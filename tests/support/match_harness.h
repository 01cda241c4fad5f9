// Two to four match members in one process over the online stand-in's
// in-process world: each member has its own network state (a member
// context), its own platform endpoint and, optionally, a fake lobby server.
// Seeded faults: per-link loss, duplication and latency from the world, plus
// bursts of lost key messages from the harness's own transport.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "platform/online/online_loopback.h"
#include "platform/online/online_redis.h"
#include "proj/network/igame_network_server.h"
#include "proj/network/network_member_context.h"
#include "proj/network/p2p_network_tasks.h"

namespace match_test {

// A lobby server that answers "pending" to every poll and counts the orders.
// Like the lobby server, it hands every host change to the controller.
struct FakeServer : Sample::IGameNetworkServer {
    const std::uint64_t* lobbyOwner = nullptr;
    // Nonzero: this member's copy of the lobby is stuck naming this owner
    // (its directory view stopped refreshing).
    std::uint64_t staleOwner = 0;
    // Since this member last refreshed its presence, and how long one lasts.
    std::uint32_t presenceAgeMs = 0;
    std::uint32_t presenceTtlMs = platform::online::NetworkConfig{}.presence_ttl_ms;
    void ReceiveMessage(const std::uint8_t* m, std::uint16_t length,
                        const Sample::PeerAddress& from) override;
    std::uint64_t LobbyOwner() override {
        return staleOwner != 0 ? staleOwner : lobbyOwner != nullptr ? *lobbyOwner : 0;
    }
    bool OwnPresenceLapsed() override { return presenceAgeMs > presenceTtlMs; }
    int removeOrders = 0;
    int lastRemoved = -1;
    int disconnectOrders = 0;
    int OrderRemoveMember(int i) override {
        ++removeOrders;
        lastRemoved = i;
        return 100;
    }
    int OrderDisconnectSession() override {
        ++disconnectOrders;
        return 0;
    }
    std::int16_t GetHostPing(int) override { return 42; }
};

struct Faults {
    double keyBurstChance = 0.0;  // per key message: chance a burst of 5-7 starts
    platform::online::LinkFaults link;
};

class MatchHarness {
public:
    struct Member {
        platform::online::LoopbackMember* platform = nullptr;
        std::unique_ptr<Sample::NetworkMemberContext> context;
        FakeServer server;
        bool running = true;
        // Consumed frames: frame -> the four battlers' words.
        std::map<std::uint16_t, std::vector<std::uint16_t>> consumed;
        std::uint32_t stalls = 0;   // frames the network kept waiting
        std::uint32_t resends = 0;  // key resend requests sent
        int armIn = -1;             // frames until the keys are armed, -1: armed
        // The member's directory connection is stalled: its presence ages
        // and its copy of the lobby stays as it was.
        bool directoryStalled = false;
        // The member sends no key words of its own (its status and the rest
        // still go), or none of other battlers' (it answers no collection of
        // a departed battler's words).
        bool withholdKeys = false;
        bool withholdOthersKeys = false;
    };

    MatchHarness(int members, std::uint64_t seed, const Faults& faults);
    ~MatchHarness();

    // Every member in one session: slot i holds member i and battler i, slot
    // 0 is the host; sequence 6 (battle), keys armed with `delay`.
    void StartBattle(std::uint8_t delay);
    // As StartBattle, but member i arms its keys (InitKeyData, online) only
    // after armAfter[i] frames; the others play meanwhile.
    void StartBattleStaggered(std::uint8_t delay, const std::vector<int>& armAfter);
    // Every member ends its battle ("SQ_SetOffline"), as the scripts do.
    void EndBattle();
    // Member i alone ends its battle (it reached the end before the others).
    void EndBattleOf(int i);
    // The lobby makes member i its owner: i takes over as host and tells
    // every other member, as the lobby server does.
    void HandOverHost(int i);
    // The lobby reports to member `at` that the member in `slot` left.
    void LobbyRemoves(int at, int slot);
    // Member i's directory connection stalls (true) or comes back (false);
    // its peer links keep working.
    void StallDirectory(int i, bool stalled);
    // The lobby names account `id` its owner, on every member's copy that
    // is not stalled.
    void NameLobbyOwner(std::uint64_t id) { lobbyOwner_ = id; }
    // From now on nothing member `from` sends reaches member `to`.
    void Cut(int from, int to);
    // What member `from` sends reaches member `to` again.
    void Uncut(int from, int to);
    // Like the scripts, step time also on frames the network kept waiting
    // (the hold flag still stops it).
    bool stepOnWaitingFrames = false;
    // Every member in one room (scene 1), no keys yet.
    void JoinRoom();
    // Runs f with member i's network state in use.
    template <class F>
    auto With(int i, F&& f) {
        Sample::ScopedNetworkMember use(*members_[i].context);
        return f(Sample::CGameNetworkCtrl::GetInstance());
    }
    // Frames until pred() holds (at most `limit`); false on time-out.
    template <class P>
    bool RunUntil(P&& pred, int limit) {
        for (int i = 0; i < limit; ++i) {
            if (pred()) {
                return true;
            }
            Frame();
        }
        return pred();
    }
    // One frame of every running member, in member order.
    void Frame();
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            Frame();
        }
    }

    // The pad word battler b presses for the t-th frame it records.
    static std::uint16_t Pad(int battler, std::uint16_t frame);
    // What every member must consume for battler b at frame f.
    std::uint16_t Expected(int battler, std::uint16_t frame) const;

    Member& member(int i) { return members_[i]; }
    int size() const { return static_cast<int>(members_.size()); }
    platform::online::LoopbackWorld& world() { return world_; }
    std::uint8_t delay() const { return delay_; }

private:
    void MemberFrame(Member& m);
    void SetUpSession(std::uint16_t sequence);

    platform::online::LoopbackWorld world_;
    Faults faults_;
    std::mt19937_64 rng_;
    std::vector<Member> members_;
    std::map<std::uint64_t, int> burstLeft_;  // per sender
    std::uint8_t delay_ = 0;
    std::uint64_t lobbyOwner_ = 0;
    std::set<std::pair<std::uint64_t, std::uint64_t>> cut_;  // (from, to) ids
};

}  // namespace match_test
