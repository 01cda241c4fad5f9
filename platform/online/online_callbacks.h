// Callback records with the platform's numbering, and the router that keeps
// registrations and delivers queued records only inside dispatch() (the
// per-frame callback step, game thread). Records posted while dispatching wait
// for the next step, so a handler that triggers a result cannot loop forever.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <variant>
#include <vector>

namespace platform::online {

using CallHandle = std::uint64_t;  // 0 is "no call"

struct ServersConnected {
    static constexpr int kId = 101;
};
struct ServersDisconnected {
    static constexpr int kId = 103;
    int result = 3;  // no connection
};
struct PlatformShutdown {
    static constexpr int kId = 704;
};
struct GameLobbyJoinRequested {
    static constexpr int kId = 333;
    std::uint64_t lobby = 0;
    std::uint64_t friend_id = 0;
};
struct LobbyEnter {
    static constexpr int kId = 504;
    std::uint64_t lobby = 0;
    std::uint32_t permissions = 0;
    bool locked = false;
    std::uint32_t response = 0;  // 1 success, 2 does not exist, 4 full, 5 error
};
struct LobbyDataUpdate {
    static constexpr int kId = 505;
    std::uint64_t lobby = 0;
    std::uint64_t member = 0;  // the lobby itself for lobby data, else the member
    bool success = true;
};
struct LobbyMatchList {
    static constexpr int kId = 510;
    std::uint32_t lobbies_matching = 0;
};
struct LobbyCreated {
    static constexpr int kId = 513;
    int result = 0;  // 1 success, 2 failure, 3 no connection
    std::uint64_t lobby = 0;
};
struct UserStatsReceived {
    static constexpr int kId = 1101;
    std::uint64_t game = 0;
    int result = 1;
    std::uint64_t user = 0;
};
struct UserStatsStored {
    static constexpr int kId = 1102;
    std::uint64_t game = 0;
    int result = 1;
};
struct UserAchievementStored {
    static constexpr int kId = 1103;
    std::uint64_t game = 0;
    char name[128] = {};
};
struct P2PSessionRequest {
    static constexpr int kId = 1202;
    std::uint64_t remote = 0;
};
struct P2PSessionConnectFail {
    static constexpr int kId = 1203;
    std::uint64_t remote = 0;
    std::uint8_t error = 0;  // 3 destination not logged on, 4 time-out
};

using Record =
    std::variant<ServersConnected, ServersDisconnected, PlatformShutdown, GameLobbyJoinRequested,
                 LobbyEnter, LobbyDataUpdate, LobbyMatchList, LobbyCreated, UserStatsReceived,
                 UserStatsStored, UserAchievementStored, P2PSessionRequest, P2PSessionConnectFail>;

int record_id(const Record& record);

class CallbackRouter {
public:
    using Handler = std::function<void(const void* record)>;

    // A callback receives every record of its id; a call result receives the
    // one record posted for its handle and is then dropped. Both return a
    // token for unregister(); a token of 0 means nothing was registered.
    int register_callback(int id, Handler handler);
    int register_call_result(CallHandle call, int id, Handler handler);
    void unregister(int token);

    CallHandle new_call() { return ++last_call_; }
    void post(Record record) { queue_.push_back({0, std::move(record)}); }
    void post_result(CallHandle call, Record record) {
        queue_.push_back({call, std::move(record)});
    }
    // Delivers what was queued before the call, in posting order.
    void dispatch();
    void clear() {
        queue_.clear();
        entries_.clear();
    }

private:
    struct Entry {
        int id = 0;
        CallHandle call = 0;
        Handler handler;
    };
    struct Queued {
        CallHandle call = 0;
        Record record;
    };
    std::map<int, Entry> entries_;  // by token: registration order
    std::deque<Queued> queue_;
    int last_token_ = 0;
    CallHandle last_call_ = 0;
};

}  // namespace platform::online
