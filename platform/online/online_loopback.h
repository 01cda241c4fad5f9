// The in-process world: several platform members in one process, for tests.
// Deterministic for a given seed: each directed link may lose, duplicate and
// delay (by receiver frames, so reorder) packets, and a member may crash.
// Done: identity, callbacks and call results in run_callbacks, P2P with
// sessions, lobbies (filters, join order, owner migration, data updates),
// achievements, voice state. Differs: no network, no overlay, no voice data.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/online/online_common.h"
#include "platform/online/online_inbox.h"

namespace platform::online {

struct LinkFaults {
    double loss = 0.0;       // chance a packet is dropped
    double duplicate = 0.0;  // chance it arrives twice
    // Extra frames of the receiver before it is readable (uniform in range).
    std::uint32_t delay_min = 0;
    std::uint32_t delay_max = 0;
};

class LoopbackWorld;

class LoopbackMember final : public CommonBackend {
public:
    LoopbackMember(LoopbackWorld& world, std::uint32_t account, std::string name);

    // What tests set before init().
    void set_init_fails(bool fails) { init_fails_ = fails; }
    void set_logged_on(bool on) { logged_on_ = on; }
    void set_language(std::string language) { language_ = std::move(language); }
    // Queues a platform record as if the platform had raised it.
    void raise(Record record) { router_.post(std::move(record)); }
    bool crashed() const { return crashed_; }
    std::uint64_t dropped_oversize() const { return inbox_.dropped_oversize(); }

    bool init() override;
    void shutdown() override;
    bool logged_on() override { return logged_on_ && !crashed_; }
    std::uint64_t own_id() override { return id_; }
    const char* persona_name() override { return name_.c_str(); }
    const char* game_language() override { return language_.c_str(); }
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

private:
    friend class LoopbackWorld;
    bool active() override { return started_ && !crashed_; }
    void post(Record record) { router_.post(std::move(record)); }

    struct InFlight {
        std::uint32_t frames_left = 0;
        std::uint64_t sender = 0;
        std::vector<std::uint8_t> bytes;
    };
    struct Filter {
        std::string key, value;
        LobbyComparison comparison;
    };
    LoopbackWorld& world_;
    std::uint64_t id_;
    std::string name_;
    std::string language_ = "english";
    bool init_fails_ = false;
    bool logged_on_ = true;
    bool started_ = false;
    bool crashed_ = false;
    std::vector<InFlight> in_flight_;
    PacketInbox inbox_;
    std::vector<Filter> filters_;
    std::vector<std::uint64_t> last_list_;
    std::map<std::uint64_t, bool> failed_to_;  // connect failure already posted
    std::string data_answer_;
};

class LoopbackWorld {
public:
    explicit LoopbackWorld(std::uint64_t seed = 1);
    ~LoopbackWorld();

    // The member of individual account `account` (named "Player<account>"
    // unless a name is given); owned by the world.
    LoopbackMember& add_member(std::uint32_t account, std::string name = "");
    LoopbackMember* find(std::uint64_t id);
    void set_faults(const LinkFaults& faults) { default_faults_ = faults; }
    void set_link_faults(std::uint64_t from, std::uint64_t to, const LinkFaults& faults) {
        link_faults_[{from, to}] = faults;
    }
    // The member stops answering: it leaves every lobby (owners migrate),
    // packets to it are lost and their senders get a time-out.
    void crash(LoopbackMember& member);
    // The achievement names every member's store knows.
    void set_achievement_names(std::vector<std::string> names);
    std::uint64_t seed() const { return seed_; }
    std::size_t lobby_count() const { return lobbies_.size(); }

private:
    friend class LoopbackMember;
    struct Lobby {
        std::uint64_t owner = 0;
        int max_members = 0;
        std::vector<std::uint64_t> members;  // join order
        std::map<std::string, std::string> data;
    };
    double roll();
    std::uint64_t next_random();
    void deliver(LoopbackMember& from, std::uint64_t to, const void* data, std::uint32_t size);
    void remove_member(std::uint64_t lobby, std::uint64_t member);
    void notify_members(const Lobby& lobby, std::uint64_t lobby_id, std::uint64_t changed);
    Lobby* lobby(std::uint64_t id);

    std::uint64_t seed_;
    std::uint64_t state_;
    LinkFaults default_faults_;
    std::map<std::pair<std::uint64_t, std::uint64_t>, LinkFaults> link_faults_;
    std::vector<std::unique_ptr<LoopbackMember>> members_;
    std::vector<std::string> achievement_names_;
    std::map<std::uint64_t, Lobby> lobbies_;
    std::uint32_t next_lobby_ = 1;
};

}  // namespace platform::online
