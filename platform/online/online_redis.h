// The networked backend, the one a player uses. One Redis server is the lobby
// directory (hiredis; join, leave and owner migration are Lua scripts, so
// they are atomic; every member keeps a presence key with an expiry), and
// packets go over UDP straight between the members' registered endpoints.
// Configured by environment (NetworkConfig::from_environment):
//   QZ_ONLINE_DIRECTORY  Redis "host:port"; unset or empty: offline
//   QZ_ONLINE_DIRECTORY_PASSWORD  the directory user's password (AUTH on
//                        every connection); unset: no AUTH
//   QZ_ONLINE_DIRECTORY_USER  the directory's ACL user ("default" unset); a
//                        player's own is player-<account> (online_directory.h)
//   QZ_ONLINE_ACCOUNT    own account number (1..4294967295); unset: the
//                        account of a player-<account> user, else a random
//                        one each start (1 offline)
//   QZ_ONLINE_NAME       persona name ($USER, else "Player")
//   QZ_ONLINE_BIND       UDP "address:port" to bind and register (port 0: any);
//                        unset: the local address that reaches the directory
//   QZ_ONLINE_LANGUAGE   game language ("english")
//   QZ_ONLINE_ACHIEVEMENTS  comma-separated achievement names
// Offline (no directory): logged on as the local user; lobby orders deliver
// their failure results, sends fail, achievements stay in memory. A
// directory that cannot be reached at the start, a refused login, an
// unusable function library, a user that does not own the account or an
// account already online from another program fails init. After the start,
// a refused login is an outage like an unreachable directory (said once,
// tried again); losing the account to another program ends online play (the
// reason printed and kept in failure(), event 1, then as offline), for a
// program in a room only once it leaves the room: until then its peer links
// stay up and room orders fail.
// All directory traffic runs on the backend's directory worker
// (online_worker.h): the game thread reads lobby data, members and owners
// from local copies the worker keeps current, and a frame never waits on
// the directory. While the directory is away, the joined lobbies' members
// stay reachable at their last known endpoints.
// A session is accepted only from a member of a joined lobby, an id this
// program has sent to or found listed as a host, or (while it hosts a room,
// so a searcher may probe it) anyone; a refused stranger's packets are kept
// two seconds, in case a lobby copy naming it a member comes, then dropped.
// Differs from the platform: no NAT traversal; achievements are not kept
// across runs.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/online/online_common.h"
#include "platform/online/online_datagram.h"
#include "platform/online/online_inbox.h"
#include "platform/online/online_registry.h"

namespace platform::online {

struct NetworkConfig {
    std::string directory_host;  // empty: offline
    std::uint16_t directory_port = 6379;
    std::string directory_user;      // empty: the default user
    std::string directory_password;  // empty: no AUTH
    std::uint32_t account = 1;       // 0: a random one, picked at construction
    std::string name = "Player";
    std::string bind_host;  // empty: the local address of the directory connection
    std::uint16_t bind_port = 0;
    std::string language = "english";
    std::vector<std::string> achievements;
    // A member whose program is gone leaves its lobbies (the owner moves on)
    // within this, well inside the 601 frames (10 s) that the others wait for
    // a silent host before they give it up; refreshed every third of it.
    std::uint32_t presence_ttl_ms = 6000;
    std::uint32_t directory_timeout_ms = 2000;
    // The UDP socket's receive buffer asked for: a frame's worth of a flood
    // (thousands of small datagrams) fits while the game draws. A system
    // that grants less is named once on stdout.
    std::size_t receive_buffer_bytes = 4u << 20;
    // Keys are prefixed so that tests (or two games) can share one server.
    std::string key_prefix = "vk:";

    static NetworkConfig from_environment();
};

class DirectoryWorker;
struct DirectoryEvent;
class UdpLink;

class NetworkedBackend final : public CommonBackend {
public:
    explicit NetworkedBackend(NetworkConfig config);
    ~NetworkedBackend() override;

    bool offline() const { return config_.directory_host.empty(); }
    const NetworkConfig& config() const { return config_; }

    // Binds the UDP endpoint and starts the directory worker, which
    // connects and registers this member's presence; waits for that first
    // attempt (the start only). False (with the reason printed and kept in
    // failure()) when the endpoint cannot be bound, or the directory cannot
    // be reached or refuses the login or this account.
    bool init() override;
    void shutdown() override;
    bool logged_on() override { return started_; }
    std::uint64_t own_id() override { return id_; }
    const char* persona_name() override { return config_.name.c_str(); }
    const char* game_language() override { return config_.language.c_str(); }
    std::uint32_t presence_age_ms() override;
    std::uint32_t presence_ttl_ms() override { return config_.presence_ttl_ms; }
    void run_callbacks() override;

    bool send_p2p_packet(std::uint64_t to, const void* data, std::uint32_t size, int send_type,
                         int channel) override;
    bool is_p2p_packet_available(std::uint32_t* size, int channel) override;
    bool read_p2p_packet(void* buffer, std::uint32_t capacity, std::uint32_t* bytes_read,
                         std::uint64_t* sender, int channel) override;
    bool accept_p2p_session(std::uint64_t remote) override;
    bool close_p2p_session(std::uint64_t remote) override;

    CallHandle create_lobby(int lobby_type, int max_members) override;
    void add_lobby_list_string_filter(const char* key, const char* value,
                                      LobbyComparison comparison) override;
    CallHandle request_lobby_list() override;
    std::uint64_t get_lobby_by_index(int index) override;
    CallHandle join_lobby(std::uint64_t lobby) override;
    void leave_lobby(std::uint64_t lobby) override;
    int get_num_lobby_members(std::uint64_t lobby) override;
    std::uint64_t get_lobby_member_by_index(std::uint64_t lobby, int member) override;
    std::uint64_t get_lobby_owner(std::uint64_t lobby) override;
    bool set_lobby_data(std::uint64_t lobby, const char* key, const char* value) override;
    const char* get_lobby_data(std::uint64_t lobby, const char* key) override;

    // Datagrams refused by the size, code, source, session and sequence checks.
    std::uint64_t dropped_datagrams() const { return dropped_datagrams_ + receiver_.dropped(); }
    const DatagramDrops& datagram_drops() const { return receiver_.drops(); }
    // The UDP endpoint registered for this member (after init), and its session.
    Endpoint endpoint() const;
    std::uint32_t epoch() const { return epoch_; }
    // Why the last init failed or online play ended ("" when it did not).
    const std::string& failure() const { return failure_; }
    // For tests that play an attacker on the path: sends bytes as they are
    // from this member's own UDP socket (so with its source address).
    bool send_raw_datagram(const Endpoint& to, const void* bytes, std::size_t size);
    // Ids handed to the directory worker for lookup so far.
    std::uint64_t lookups_asked() const { return lookups_asked_; }
    // Lobby reads that found a change, so far.
    std::uint64_t lobby_reads() const;
    // Other members' registrations held (bounded).
    std::size_t cached_registrations() const { return peers_.size(); }
    // The receive buffer the system granted the UDP socket (0 before init).
    std::size_t receive_buffer() const;
    // This session's public key, as its presence publishes it.
    const PresenceKey& public_key() const { return keys_.public_key; }
    // Pair keys derived so far this session (each peer session once).
    std::uint64_t pair_key_derivations() { return receiver_.pair_keys().derivations(); }
    // Session requests refused so far (from no lobby member and no one expected).
    std::uint64_t refused_sessions() const { return refused_sessions_; }

private:
    bool active() override { return started_; }
    // Peer links are up (also while a taken account's room plays out).
    bool online() const { return started_ && udp_ != nullptr; }
    // Directory orders are carried out (not once the account is taken).
    bool ordering() const { return online() && worker_ != nullptr; }
    void receive_datagrams(std::uint32_t now);
    void handle(DirectoryEvent& event, std::uint32_t now);
    void answered(std::uint64_t id, std::uint32_t now);
    void store(const LobbySnapshot& snapshot, std::uint64_t orders_done);
    void repin();
    bool transmit(std::uint64_t to, const Registration& peer, const std::uint8_t* data,
                  std::uint32_t size);
    void fail_to(std::uint64_t to);
    std::optional<Registration> known(std::uint64_t id);
    void ask_for_held(std::uint32_t now);
    bool expected(std::uint64_t id, std::uint32_t now);
    bool hosting() const;
    void settle_refused(std::uint32_t now);
    void end_online(const std::string& why, bool keep_room);
    void close_links();
    void report_outage(const DirectoryEvent& event);
    bool fail(const std::string& why);

    struct Filter {
        std::string key, value;
        LobbyComparison comparison;
    };
    struct PendingWrite {
        std::uint64_t order = 0;
        std::uint64_t lobby = 0;
        std::string key, value;
    };
    NetworkConfig config_;
    std::uint64_t id_ = 0;
    bool started_ = false;
    bool offline_logged_ = false;
    bool buffer_logged_ = false;
    std::unique_ptr<DirectoryWorker> worker_;
    std::unique_ptr<UdpLink> udp_;
    Endpoint endpoint_;
    PacketInbox inbox_;
    DatagramReceiver receiver_;
    PeerRegistry peers_;
    std::vector<Filter> filters_;
    std::vector<std::uint64_t> last_list_;
    // Local copies of lobbies: the joined ones and the last list's.
    std::map<std::uint64_t, LobbySnapshot> lobbies_;
    std::set<std::uint64_t> joined_;
    std::map<std::uint64_t, std::uint64_t> left_at_;  // lobby -> order number of its leave
    std::deque<PendingWrite> pending_writes_;
    // Packets waiting for their destination's lookup (bounded); datagrams
    // waiting for their sender's are held by the receiver.
    std::map<std::uint64_t, std::deque<std::vector<std::uint8_t>>> outgoing_;
    std::map<std::uint64_t, bool> failed_to_;
    std::string data_answer_;
    std::uint32_t epoch_ = 0;
    // The secret half stays here; only the public half goes to the worker.
    KeyPair keys_;
    // Strangers refused a session (since when): their packets are kept a
    // while, in case the lobby copy that names them a member comes next.
    std::map<std::uint64_t, std::uint32_t> refused_;
    std::uint64_t refused_sessions_ = 0;
    // One frame's datagrams as read, before any is checked.
    std::vector<std::uint8_t> arena_;
    std::vector<DatagramReceiver::Arrival> arrivals_;
    std::string failure_;
    std::uint32_t next_sequence_ = 1;
    int servers_ = -1;  // what events 0/1 last said: 1 connected, 0 not, -1 nothing yet
    bool directory_was_up_ = false;
    bool directory_down_logged_ = false;
    int down_logged_ = 0;  // the DirectoryEvent::Outage last reported
    std::uint64_t dropped_datagrams_ = 0;
    std::uint64_t lookups_asked_ = 0;
};

}  // namespace platform::online
