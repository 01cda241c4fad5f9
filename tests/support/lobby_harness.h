// Two to four processes' lobby layer in one process over the online stand-in's
// in-process world: each member has its own platform endpoint, platform
// services, network state (a member context), networker and lobby session
// server, and runs the frame road of the program (platform step, the match
// controller's step, the sender task). Tests drive the servers' orders.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/online/online_loopback.h"
#include "proj/network/game_network_server.h"
#include "proj/network/network_member_context.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/win/qz_networker.h"

namespace lobby_test {

class LobbyHarness {
public:
    struct Member {
        platform::online::LoopbackMember* platform = nullptr;
        std::unique_ptr<vho::Steam> steam;
        std::unique_ptr<Sample::NetworkMemberContext> context;
        std::unique_ptr<QZW::Win::CQzNetworker> networker;
        std::unique_ptr<Sample::Win::CGameNetworkServer> server;
        std::unique_ptr<vho::Listener> receiver;
        // Result bits of every frame so far, or-ed (cleared by Clear()).
        std::uint32_t seenLow = 0;
        std::uint32_t seenHigh = 0;
        bool running = true;
        void ClearSeen() { seenLow = seenHigh = 0; }
    };

    // Member i is named names[i] when given, else "P<i>".
    LobbyHarness(int members, std::uint64_t seed, std::vector<std::string> names = {});
    ~LobbyHarness();

    void Frame();
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            Frame();
        }
    }
    // Frames until `done` holds (true) or `limit` frames ran (false).
    bool RunUntil(const std::function<bool()>& done, int limit = 2000);

    // [SECTION] The scripts' steps, each run to its result bit
    bool Init(int i);
    bool Create(int i, int memberMax = 4, const char* keyword = "");
    bool Search(int i, const char* keyword = "");
    // Joins search result `index` of member i.
    bool Connect(int i, int index);
    // Member 0 creates, the others search and join in turn.
    bool Settle(int members);

    // Runs `fn` with member i's network state in force.
    template <class Fn>
    auto With(int i, Fn&& fn) {
        Sample::ScopedNetworkMember use(*members_[i].context);
        return fn();
    }

    Member& member(int i) { return members_[static_cast<std::size_t>(i)]; }
    Sample::Win::CGameNetworkServer& server(int i) { return *member(i).server; }
    int size() const { return static_cast<int>(members_.size()); }
    platform::online::LoopbackWorld& world() { return world_; }

private:
    void MemberFrame(Member& m);

    platform::online::LoopbackWorld world_;
    std::vector<Member> members_;
};

}  // namespace lobby_test
