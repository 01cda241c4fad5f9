// The networked backend, the one a player uses. One Redis server is the lobby
// directory (hiredis; join, leave and owner migration are Lua scripts, so
// they are atomic; every member keeps a presence key with an expiry), and
// packets go over UDP straight between the members' registered endpoints.
// Configured by environment (NetworkConfig::from_environment):
//   QZ_ONLINE_DIRECTORY  Redis "host:port"; unset or empty: offline
//   QZ_ONLINE_DIRECTORY_PASSWORD  the directory's password (AUTH on every
//                        connection); unset: no AUTH
//   QZ_ONLINE_DIRECTORY_USER  the directory's ACL user ("default" unset)
//   QZ_ONLINE_ACCOUNT    own account number (1..4294967295); unset: a random
//                        one each start (1 offline)
//   QZ_ONLINE_NAME       persona name ($USER, else "Player")
//   QZ_ONLINE_BIND       UDP "address:port" to bind and register (port 0: any);
//                        unset: the local address that reaches the directory
//   QZ_ONLINE_LANGUAGE   game language ("english")
//   QZ_ONLINE_ACHIEVEMENTS  comma-separated achievement names
// Offline (no directory): logged on as the local user; lobby orders deliver
// their failure results, sends fail, achievements stay in memory. A refused
// login or an account already online from another program fails init, as an
// unreachable directory does; losing the account to another program later
// ends online play (event 1, then as offline).
// Differs from the platform: directory calls block the game thread briefly
// (timeouts below); no NAT traversal; achievements are not kept across runs.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/online/online_common.h"
#include "platform/online/online_datagram.h"
#include "platform/online/online_inbox.h"

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
    std::uint32_t presence_ttl_ms = 15000;
    std::uint32_t directory_timeout_ms = 2000;
    // Keys are prefixed so that tests (or two games) can share one server.
    std::string key_prefix = "vk:";

    static NetworkConfig from_environment();
};

class Directory;
class UdpLink;

class NetworkedBackend final : public CommonBackend {
public:
    explicit NetworkedBackend(NetworkConfig config);
    ~NetworkedBackend() override;

    bool offline() const { return config_.directory_host.empty(); }
    const NetworkConfig& config() const { return config_; }

    // Connects to the directory, binds the UDP endpoint and registers this
    // member's presence; false (with the reason printed) when either fails.
    bool init() override;
    void shutdown() override;
    bool logged_on() override { return started_; }
    std::uint64_t own_id() override { return id_; }
    const char* persona_name() override { return config_.name.c_str(); }
    const char* game_language() override { return config_.language.c_str(); }
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
    Endpoint endpoint() const { return endpoint_; }
    std::uint32_t epoch() const { return epoch_; }
    // Why the last init failed or online play ended ("" when it did not).
    const std::string& failure() const { return failure_; }
    // For tests that play an attacker on the path: sends bytes as they are
    // from this member's own UDP socket (so with its source address).
    bool send_raw_datagram(const Endpoint& to, const void* bytes, std::size_t size);

private:
    bool active() override { return started_; }
    bool online() const { return started_ && directory_ != nullptr; }
    void receive_datagrams();
    void refresh_presence(std::uint32_t now);
    void poll_lobbies(std::uint32_t now);
    std::optional<Registration> lookup(std::uint64_t id, bool fresh);
    std::optional<Registration> known(std::uint64_t id) const;
    void learn_members(std::uint64_t lobby);
    void end_online(const std::string& why);
    bool fail(const std::string& why);
    void track(std::uint64_t lobby);

    struct Filter {
        std::string key, value;
        LobbyComparison comparison;
    };
    NetworkConfig config_;
    std::uint64_t id_ = 0;
    bool started_ = false;
    bool offline_logged_ = false;
    std::unique_ptr<Directory> directory_;
    std::unique_ptr<UdpLink> udp_;
    Endpoint endpoint_;
    PacketInbox inbox_;
    DatagramReceiver receiver_;
    struct Cached {
        std::optional<Registration> registration;
        std::uint32_t fetched_ms = 0;
    };
    std::map<std::uint64_t, Cached> registrations_;
    std::vector<Filter> filters_;
    std::vector<std::uint64_t> last_list_;
    std::map<std::uint64_t, std::uint64_t> joined_;  // lobby -> last version seen
    std::map<std::uint64_t, bool> failed_to_;
    std::string data_answer_;
    std::uint32_t epoch_ = 0;
    PresenceKey key_{};
    std::string failure_;
    std::uint32_t next_sequence_ = 1;
    std::uint32_t last_presence_ms_ = 0;
    std::uint32_t last_poll_ms_ = 0;
    bool presence_logged_ = false;
    bool directory_up_ = false;
    std::uint64_t dropped_datagrams_ = 0;
};

}  // namespace platform::online
