// The lobby directory of the networked backend: one Redis server (hiredis).
// Keys, all under the configured prefix P:
//   P member:<id>        hash endpoint, epoch, name, key (hex); expires unless
//                        refreshed; held by one session (epoch) at a time
//   P lobbies            set of lobby numbers
//   P lobby:<n>          hash owner, max;  P lobby:<n>:members  list (join order)
//   P lobby:<n>:data     hash of lobby data;  P lobby:<n>:version  change counter
// Join, leave, owner migration and the pruning of members whose presence has
// expired run as Lua scripts, so every change is atomic; only they change a
// lobby's owner, always to a member (an owner field naming anyone else goes
// back to the first member). Every connection logs in with AUTH when a
// password is set. Calls block for at most the configured timeout; a lost
// connection is retried every 5 seconds.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/online/online_datagram.h"

struct redisContext;
struct redisReply;

namespace platform::online {

class Directory {
public:
    Directory(std::string host, std::uint16_t port, std::string prefix, std::uint32_t timeout_ms);
    ~Directory();
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // The ACL user (empty: the default user) and password sent with AUTH on
    // every connection; no AUTH without a password.
    void set_login(std::string user, std::string password);
    bool connect(std::string* error);
    // Whether the last failed connect was the server refusing the login (or
    // wanting one), not a network failure.
    bool login_refused() const { return login_refused_; }
    // This side's IPv4 address of the connection (port 0); nullopt when not
    // connected over IPv4.
    std::optional<Endpoint> local_address() const;
    // Whether the last call reached the server.
    bool healthy() const;

    // [SECTION] Presence
    enum class PresenceResult { registered, taken, failed };
    // Registers or refreshes this session's presence. `taken` when a live
    // presence of the same account belongs to another session (epoch and
    // key); `*taken_ms` then says how long it lasts unless refreshed.
    PresenceResult register_presence(std::uint64_t id, const Endpoint& endpoint,
                                     std::uint32_t epoch, const PresenceKey& key,
                                     const std::string& name, std::uint32_t ttl_ms,
                                     std::uint32_t* taken_ms = nullptr);
    // Removes the presence only while it is still this session's.
    void remove_presence(std::uint64_t id, std::uint32_t epoch, const PresenceKey& key);
    // nullopt when the member has no presence (or none with a valid key) or
    // the server is unreachable.
    std::optional<Registration> lookup(std::uint64_t id);

    // [SECTION] Lobbies (lobby numbers; 0 is none)
    std::uint32_t create_lobby(std::uint64_t owner, int max_members);
    // An enter response: 1 success, 2 no such lobby, 4 full, 5 error.
    int join_lobby(std::uint32_t lobby, std::uint64_t member);
    void leave_lobby(std::uint32_t lobby, std::uint64_t member);
    // Lobbies with room, in creation order; nullopt when unreachable.
    std::optional<std::vector<std::uint32_t>> list_lobbies();
    std::map<std::string, std::string> lobby_data(std::uint32_t lobby);
    // "" when the key or the lobby is unknown.
    std::string lobby_value(std::uint32_t lobby, const std::string& key);
    bool set_lobby_data(std::uint32_t lobby, std::uint64_t member, const std::string& key,
                        const std::string& value);
    std::vector<std::uint64_t> members(std::uint32_t lobby);
    std::uint64_t owner(std::uint32_t lobby);
    // Prunes absent members; the change counter, or nullopt once the lobby
    // is gone (or unreachable: `gone` tells which).
    std::optional<std::uint64_t> poll(std::uint32_t lobby, bool* gone);

private:
    // A reply owned by the caller (freeReplyObject), or null on failure.
    redisReply* command(const char* format, ...);
    bool usable();

    std::string host_;
    std::uint16_t port_;
    std::string prefix_;
    std::uint32_t timeout_ms_;
    redisContext* context_ = nullptr;
    std::uint32_t last_retry_ms_ = 0;
    bool error_logged_ = false;
    std::string user_, password_;
    bool login_refused_ = false;
};

}  // namespace platform::online
