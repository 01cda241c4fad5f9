// The lobby directory of the networked backend: one Redis server (hiredis),
// used only by the backend's directory worker (online_worker.h), never by
// the game thread. Keys, all under the configured prefix P:
//   P member:<id>        hash endpoint, epoch, name, key (hex X25519 public key,
//                        never a secret); expires unless refreshed; held by
//                        one session (epoch) at a time
//   P lobbies            set of lobby numbers (a room missing from it is put
//                        back when a member reads it)
//   P lobby:next         the last lobby number given out
//   P lobby:<n>          hash owner, max;  P lobby:<n>:members  list (join order)
//   P lobby:<n>:data     hash of lobby data;  P lobby:<n>:version  change counter
//   P lobby:<n>:grace    set for a while after a room is re-created: no pruning
// Presence, join, leave, owner migration, pruning and room reads are the
// directory's function library (online_directory.lua, called with FCALL),
// so every change is atomic and a lobby is read in one round trip; only they
// change a lobby's owner, always to a member (an owner field naming anyone
// else goes back to the first member). Every connection logs in with AUTH
// when a password is set, then checks the library's version and loads the
// library when it is missing or older and the login may (the default user;
// a player's user may not: the set-up tool prepares its directory). Calls
// block the calling thread for at most the configured timeout; a failed call
// leaves the connection unhealthy until connect().
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/online/online_datagram.h"
#include "platform/online/online_keys.h"

struct redisContext;
struct redisReply;

namespace platform::online {

// On a directory prepared for players (tools/directory_setup) each account
// is the ACL user "player-<account>", whose only writable presence is its
// own. The account a user name owns; nullopt for other names (the default
// user or an administrator's, which the directory's rules alone limit).
inline constexpr const char* kPlayerUserPrefix = "player-";
std::optional<std::uint32_t> account_of_user(const std::string& user);

// One lobby as the directory holds it.
struct LobbySnapshot {
    std::uint32_t number = 0;
    std::uint64_t owner = 0;
    int max = 0;
    std::uint64_t version = 0;
    std::vector<std::uint64_t> members;  // join order, at most max
    std::map<std::string, std::string> data;
};

struct LobbyFilter {
    std::string key, value;
    bool equal = true;
};

// A member looked up: `answered` false when the server was not reached;
// `malformed` when its record is there but unusable.
struct LookupAnswer {
    std::uint64_t id = 0;
    std::optional<Registration> registration;
    bool answered = false;
    bool malformed = false;
};

enum class ReadOutcome { changed, unchanged, gone, malformed, unreachable };

class Directory {
public:
    // Lobbies a list request examines and answers at most.
    static constexpr int kListExamined = 100;
    static constexpr int kListAnswered = 50;

    Directory(std::string host, std::uint16_t port, std::string prefix, std::uint32_t timeout_ms);
    ~Directory();
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // The ACL user (empty: the default user) and password sent with AUTH on
    // every connection; no AUTH without a password.
    void set_login(std::string user, std::string password);
    bool connect(std::string* error);
    // Why the last connect failed: the network, the server refusing the
    // login (or wanting one), or a function library this login cannot use
    // (missing or of another version, and not its to load).
    enum class Failure { none, network, login, library };
    Failure failure() const { return failure_; }
    bool login_refused() const { return failure_ == Failure::login; }
    // Keys the library's functions found unreadable and replaced (a wrong
    // type, a counter at its limit) since the last call, one text each.
    std::vector<std::string> take_repairs();
    // This side's IPv4 address of the connection (port 0); nullopt when not
    // connected over IPv4.
    std::optional<Endpoint> local_address() const;
    // Whether the connection is up and the last call reached the server.
    bool healthy() const;
    // What the connection last failed with ("" while healthy).
    std::string connection_error() const;

    // [SECTION] Presence
    enum class PresenceResult { registered, taken, forbidden, failed };
    // Registers or refreshes this session's presence. `taken` when a live
    // presence of the same account belongs to another session (epoch and
    // key); `*taken_ms` then says how long it lasts unless refreshed.
    // `forbidden` when the login may not write this account's presence (its
    // user does not own the account); *why then holds the server's answer.
    PresenceResult register_presence(std::uint64_t id, const Endpoint& endpoint,
                                     std::uint32_t epoch, const PresenceKey& key,
                                     const std::string& name, std::uint32_t ttl_ms,
                                     std::uint32_t* taken_ms = nullptr, std::string* why = nullptr);
    // Removes the presence only while it is still this session's.
    void remove_presence(std::uint64_t id, std::uint32_t epoch, const PresenceKey& key);
    // nullopt when the member has no usable presence (or none with a valid
    // key) or the server is unreachable.
    std::optional<Registration> lookup(std::uint64_t id);
    // Several members in one round trip.
    std::vector<LookupAnswer> lookup_many(const std::vector<std::uint64_t>& ids);

    // [SECTION] Lobbies (lobby numbers; 0 is none)
    std::uint32_t create_lobby(std::uint64_t owner, int max_members);
    // An enter response: 1 success, 2 no such lobby, 4 full, 5 error (with
    // `malformed` set when the lobby's record is).
    int join_lobby(std::uint32_t lobby, std::uint64_t member, bool* malformed = nullptr);
    void leave_lobby(std::uint32_t lobby, std::uint64_t member);
    // Lobbies with room that pass the filters, in number order; nullopt
    // when unreachable. Numbers of malformed records go to `malformed`.
    std::optional<std::vector<LobbySnapshot>> list_lobbies(const std::vector<LobbyFilter>& filters,
                                                           std::vector<std::string>* malformed);
    bool set_lobby_data(std::uint32_t lobby, std::uint64_t member, const std::string& key,
                        const std::string& value);
    // Prunes absent members and reads the lobby when its version is not
    // `known_version`.
    ReadOutcome read_lobby(std::uint32_t lobby, std::uint64_t known_version, LobbySnapshot* out);
    // Puts a room back that the directory lost (same number, members and
    // data; members are not pruned for `grace_ms`); true when the room is
    // there with this owner afterwards.
    bool restore_lobby(const LobbySnapshot& room, std::uint32_t grace_ms);

private:
    // A reply owned by the caller (freeReplyObject), or null on failure.
    redisReply* command(const char* format, ...);
    // FCALL of a library function with the prefix and `args`; its repairs
    // are kept for take_repairs().
    redisReply* call(const char* function, const std::vector<std::string>& args);
    bool check_library(std::string* error);

    std::string host_;
    std::uint16_t port_;
    std::string prefix_;
    std::uint32_t timeout_ms_;
    redisContext* context_ = nullptr;
    std::string user_, password_;
    Failure failure_ = Failure::none;
    std::vector<std::string> repairs_;
};

// Reads a snapshot in the scripts' reply form; false when it is not one.
bool parse_snapshot(const redisReply* reply, LobbySnapshot* out);

}  // namespace platform::online
