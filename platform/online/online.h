// The online platform's client library, in our own small form: what the
// platform services wrapper calls, and nothing more. Game thread only.
//   online_loopback.cpp - in-process world: several members in one process,
//                         deterministic, seeded loss/delay/duplication/crashes
//   online_redis.cpp    - networked: lobbies in a Redis server, packets over
//                         UDP; with no directory configured it runs offline
// Results and callbacks are queued and delivered only by run_callbacks(),
// with the platform's callback numbering (online_callbacks.h).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/online/online_callbacks.h"
#include "platform/online/online_ids.h"

namespace platform::online {

// Lobby list string filter comparisons (platform numbering).
enum class LobbyComparison : int { equal = 0, not_equal = 3 };
constexpr int kLobbyTypePublic = 2;
constexpr int kEnterSuccess = 1;
constexpr int kEnterDoesNotExist = 2;
constexpr int kEnterFull = 4;
constexpr int kEnterError = 5;
constexpr int kResultOk = 1;
constexpr int kResultFail = 2;
constexpr int kResultNoConnection = 3;

class Backend {
public:
    virtual ~Backend() = default;

    // [SECTION] Start and identity
    // False when the platform cannot start (nothing else works then).
    virtual bool init() = 0;
    virtual void shutdown() = 0;
    virtual bool logged_on() = 0;
    // The own individual account id; 0 before init.
    virtual std::uint64_t own_id() = 0;
    virtual const char* persona_name() = 0;
    // "english" unless configured.
    virtual const char* game_language() = 0;
    // Milliseconds since this program last registered or refreshed its
    // presence in the directory, and how long a presence lasts there. Past
    // that the directory may have dropped it and moved its lobbies' owners
    // on. 0 and 0 without a directory: nothing lapses.
    virtual std::uint32_t presence_age_ms() { return 0; }
    virtual std::uint32_t presence_ttl_ms() { return 0; }

    // [SECTION] Callbacks
    // Registrations live here; records are delivered only by run_callbacks.
    CallbackRouter& callbacks() { return router_; }
    // The per-frame step: takes in what arrived, then delivers the queue.
    virtual void run_callbacks() = 0;

    // [SECTION] Peer-to-peer (channel 0 is the only one used)
    // Send types 0 (unreliable) and 1 (unreliable, no delay). False for an
    // invalid id, an empty or oversize packet (> kMaxPacketSize) or when
    // offline. Sending to an id accepts its session.
    virtual bool send_p2p_packet(std::uint64_t to, const void* data, std::uint32_t size,
                                 int send_type, int channel) = 0;
    virtual bool is_p2p_packet_available(std::uint32_t* size, int channel) = 0;
    // A packet bigger than capacity is dropped and the read fails.
    virtual bool read_p2p_packet(void* buffer, std::uint32_t capacity, std::uint32_t* bytes_read,
                                 std::uint64_t* sender, int channel) = 0;
    virtual bool accept_p2p_session(std::uint64_t remote) = 0;
    virtual bool close_p2p_session(std::uint64_t remote) = 0;

    // [SECTION] Lobbies
    // Each order returns a call handle (0 when refused at once); its result
    // (LobbyCreated, LobbyMatchList, LobbyEnter) arrives in run_callbacks.
    virtual CallHandle create_lobby(int lobby_type, int max_members) = 0;
    // Filters gather until the next request_lobby_list, which uses them up.
    virtual void add_lobby_list_string_filter(const char* key, const char* value,
                                              LobbyComparison comparison) = 0;
    virtual CallHandle request_lobby_list() = 0;
    // An id of the last list result; 0 past its end.
    virtual std::uint64_t get_lobby_by_index(int index) = 0;
    // Refused (enter response 2 or 4) for a missing or full lobby.
    virtual CallHandle join_lobby(std::uint64_t lobby) = 0;
    // The owner leaving hands the lobby to the next member in join order.
    virtual void leave_lobby(std::uint64_t lobby) = 0;
    virtual int get_num_lobby_members(std::uint64_t lobby) = 0;
    // Members in join order; 0 past the end.
    virtual std::uint64_t get_lobby_member_by_index(std::uint64_t lobby, int member) = 0;
    virtual std::uint64_t get_lobby_owner(std::uint64_t lobby) = 0;
    // Only the owner may set data; every member gets a LobbyDataUpdate.
    virtual bool set_lobby_data(std::uint64_t lobby, const char* key, const char* value) = 0;
    // "" when the key or the lobby is unknown; valid until the next call.
    virtual const char* get_lobby_data(std::uint64_t lobby, const char* key) = 0;

    // [SECTION] Achievements and statistics (a small per-account store)
    virtual bool request_current_stats() = 0;
    virtual bool get_achievement(const char* name, bool* achieved) = 0;
    virtual bool set_achievement(const char* name) = 0;
    virtual bool store_stats() = 0;
    virtual std::uint32_t get_num_achievements() = 0;
    virtual const char* get_achievement_name(std::uint32_t index) = 0;
    virtual bool reset_all_stats(bool achievements_too) = 0;

    // [SECTION] Voice (recording state only; no voice data is produced)
    virtual void start_voice_recording() = 0;
    virtual void stop_voice_recording() = 0;
    virtual int get_available_voice(std::uint32_t* compressed) = 0;
    virtual int get_voice(void* dst, std::uint32_t capacity, std::uint32_t* written) = 0;
    virtual int decompress_voice(const void* src, std::uint32_t size, void* dst,
                                 std::uint32_t capacity, std::uint32_t* written,
                                 std::uint32_t rate) = 0;

    // [SECTION] Overlay and friends (no overlay here: logged once, ignored)
    virtual void activate_overlay(const char* dialog, std::uint64_t user) = 0;
    virtual void set_played_with(std::uint64_t user) = 0;

protected:
    CallbackRouter router_;
};

// The backend in use. Without install(), the first call builds the
// networked one from the environment (QZ_ONLINE_*); offline when no
// directory is configured.
Backend& current();
// Tests (and the in-process world) put their own backend in place; not
// owned. nullptr goes back to the environment's backend.
void install(Backend* backend);

}  // namespace platform::online
