// The networked backend's directory worker: one thread that owns the
// directory connection and does all of its traffic, so the game thread
// never waits on the directory, whatever it does (down, stalled, slow).
// The game thread hands orders over (order()) and takes events back
// (take()) once a frame; both only lock a queue. The worker connects and
// reconnects (every second while unreachable; a refusal once online play
// has started, of the login, the library or the presence, is an outage
// too, retried less and less often up to retry_max_ms), keeps this member's
// presence fresh, polls the lobbies it was told to track (one round trip
// each; the lobby is read only when its version changed), and when the
// directory comes back registers the presence again and re-creates the
// rooms this member owns.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/online/online_directory.h"

namespace platform::online {

struct DirectoryOrder {
    enum Kind { create, list, join, leave, set_data, lookup } kind = lookup;
    std::uint64_t sequence = 0;  // set by order()
    std::uint64_t call = 0;
    std::uint32_t lobby = 0;
    int max_members = 0;
    std::vector<LobbyFilter> filters;
    std::string key, value;
    std::vector<std::uint64_t> ids;
};

struct DirectoryEvent {
    enum Kind {
        up,            // connected (first time or again)
        down,          // the directory was lost or refuses us: outage says how, text why
        created,       // call, lobby (0: failed), snapshot
        listed,        // call, lobbies (reachable false: the list failed)
        entered,       // call, lobby, response, snapshot
        changed,       // snapshot of a tracked lobby
        gone,          // lobby no longer exists
        looked_up,     // answers
        malformed,     // text names the record
        repaired,      // text names a key the directory's functions replaced
        restored,      // lobby re-created after the directory came back
        not_restored,  // lobby could not be re-created (text says why)
        ended          // online play cannot go on (refused at the start, account taken):
                       // text says why; response 1 once online play had started
    } kind = up;
    // How the directory is away (down events).
    enum Outage { unreachable, login_refused, library_unusable, presence_refused };
    Outage outage = unreachable;
    std::uint64_t call = 0;
    std::uint32_t lobby = 0;
    int response = 0;
    bool reachable = true;
    std::uint64_t orders_done = 0;  // the last order carried out before this event
    LobbySnapshot snapshot;
    std::vector<LobbySnapshot> lobbies;
    std::vector<LookupAnswer> answers;
    std::string text;
};

struct WorkerSettings {
    std::string host;
    std::uint16_t port = 6379;
    std::string prefix;
    std::uint32_t timeout_ms = 2000;
    std::uint64_t id = 0;
    std::string name;
    std::string user, password;  // the directory's login (no AUTH without a password)
    PresenceKey key{};
    Endpoint endpoint;  // address 0: the local address of the directory connection
    std::uint32_t epoch = 0;
    // A member whose program is gone leaves its lobbies (the owner moves on)
    // within this, well inside the 601 frames (10 s) that the others wait for
    // a silent host before they give it up; refreshed every third of it.
    std::uint32_t presence_ttl_ms = 6000;
    std::uint32_t poll_ms = 100;
    std::uint32_t retry_ms = 1000;
    // A refusal is tried again after retry_ms, then twice as long each
    // time, up to this.
    std::uint32_t retry_max_ms = 8000;
};

class DirectoryWorker {
public:
    explicit DirectoryWorker(WorkerSettings settings);
    // Leaves the tracked lobbies and removes the presence when the
    // directory is reachable, then joins the thread.
    ~DirectoryWorker();
    DirectoryWorker(const DirectoryWorker&) = delete;
    DirectoryWorker& operator=(const DirectoryWorker&) = delete;

    // Waits (at start only, never in a frame) for the outcome of the first
    // connection attempt, at most `timeout_ms`; true when it connected.
    bool wait_first_attempt(std::uint32_t timeout_ms);
    // Returns the order's sequence number.
    std::uint64_t order(DirectoryOrder order);
    std::vector<DirectoryEvent> take();
    // Lobby reads that found a change (a member list read), so far.
    std::uint64_t lobby_reads() const { return lobby_reads_.load(); }
    // The endpoint registered (address filled in once connected).
    Endpoint registered_endpoint() const;
    // Milliseconds since the presence was last registered or refreshed with
    // success (since the worker started, before the first time). Any thread.
    std::uint32_t presence_age_ms() const;

private:
    void run();
    void connect();
    void attempt();
    void went_down();
    // A refusal: the end of online play at the start, an outage after it.
    void refused(DirectoryEvent::Outage outage, const std::string& why,
                 const std::string& at_start);
    void outage(DirectoryEvent::Outage outage, const std::string& why);
    void end(const std::string& why);
    void carry_out(DirectoryOrder& order);
    void refresh_presence();
    void poll();
    void post(DirectoryEvent event);
    // Each text once (a bounded number of them).
    void report_once(std::map<std::string, bool>& seen, DirectoryEvent::Kind kind,
                     const std::string& what);
    void report_malformed(const std::string& what);
    void report_repairs();
    void track(const LobbySnapshot& snapshot);
    void restore_rooms();

    WorkerSettings settings_;
    Directory directory_;
    // The queues, shared with the game thread.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable settled_;
    bool attempted_once_ = false;
    bool first_up_ = false;
    std::deque<DirectoryOrder> orders_;
    std::vector<DirectoryEvent> events_;
    bool stop_ = false;
    bool ended_ = false;  // the worker stops trying (login refused, account taken)
    std::uint64_t next_sequence_ = 1;
    Endpoint registered_;
    // The worker's own state.
    bool connected_ = false;
    bool ever_connected_ = false;
    bool down_reported_ = false;
    DirectoryEvent::Outage down_kind_ = DirectoryEvent::unreachable;
    std::uint32_t retry_delay_ms_ = 0;
    std::uint64_t done_ = 0;
    std::uint32_t last_attempt_ms_ = 0;
    std::uint32_t last_presence_ms_ = 0;
    std::uint32_t last_poll_ms_ = 0;
    std::uint32_t reconnected_ms_ = 0;
    bool reconnected_ = false;
    bool attempted_ = false;
    bool presence_logged_ = false;
    std::map<std::uint32_t, LobbySnapshot> tracked_;
    std::map<std::string, bool> malformed_seen_;
    std::map<std::string, bool> repairs_seen_;
    std::atomic<std::uint64_t> lobby_reads_{0};
    std::atomic<std::uint32_t> presence_ok_ms_{0};
    std::thread thread_;
};

}  // namespace platform::online
