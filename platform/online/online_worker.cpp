#include "platform/online/online_worker.h"

#include "platform/online/online_ids.h"

#include <algorithm>
#include <chrono>

namespace platform::online {

namespace {

std::uint32_t now_ms() {
    using namespace std::chrono;
    return std::uint32_t(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// How long a re-created room's members are not pruned: long enough for
// every member to reconnect and register its presence again.
std::uint32_t grace_ms(const WorkerSettings& s) {
    return s.presence_ttl_ms + 2 * s.retry_ms;
}

// Malformed records reported once each; past this many, no more are told.
constexpr std::size_t kMaxMalformedRemembered = 1024;

}  // namespace

DirectoryWorker::DirectoryWorker(WorkerSettings settings)
    : settings_(std::move(settings)),
      directory_(settings_.host, settings_.port, settings_.prefix, settings_.timeout_ms),
      registered_(settings_.endpoint),
      retry_delay_ms_(settings_.retry_ms) {
    presence_ok_ms_ = now_ms();
    directory_.set_login(settings_.user, settings_.password);
    thread_ = std::thread([this] { run(); });
}

DirectoryWorker::~DirectoryWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::uint64_t DirectoryWorker::order(DirectoryOrder order) {
    std::uint64_t sequence = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sequence = order.sequence = next_sequence_++;
        orders_.push_back(std::move(order));
    }
    wake_.notify_all();
    return sequence;
}

std::vector<DirectoryEvent> DirectoryWorker::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<DirectoryEvent> out;
    out.swap(events_);
    return out;
}

Endpoint DirectoryWorker::registered_endpoint() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return registered_;
}

std::uint32_t DirectoryWorker::presence_age_ms() const {
    return now_ms() - presence_ok_ms_.load();
}

void DirectoryWorker::post(DirectoryEvent event) {
    event.orders_done = done_;
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
}

void DirectoryWorker::report_once(std::map<std::string, bool>& seen, DirectoryEvent::Kind kind,
                                  const std::string& what) {
    if (seen.count(what) || seen.size() >= kMaxMalformedRemembered) {
        return;
    }
    seen[what] = true;
    DirectoryEvent e;
    e.kind = kind;
    e.text = what;
    post(std::move(e));
}

void DirectoryWorker::report_repairs() {
    for (const std::string& what : directory_.take_repairs()) {
        report_once(repairs_seen_, DirectoryEvent::repaired, what);
    }
}

void DirectoryWorker::report_malformed(const std::string& what) {
    report_once(malformed_seen_, DirectoryEvent::malformed, what);
}

// [SECTION] The loop

void DirectoryWorker::run() {
    for (;;) {
        std::deque<DirectoryOrder> orders;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(10),
                           [this] { return stop_ || !orders_.empty(); });
            if (stop_) {
                break;
            }
            orders.swap(orders_);
        }
        const std::uint32_t now = now_ms();
        if (!connected_ && !ended_ && (!attempted_ || now - last_attempt_ms_ >= retry_delay_ms_)) {
            attempted_ = true;
            last_attempt_ms_ = now;
            connect();
        }
        for (DirectoryOrder& order : orders) {
            carry_out(order);
        }
        if (connected_) {
            refresh_presence();
        }
        if (connected_) {
            poll();
        }
        if (connected_ && !directory_.healthy()) {
            went_down();
        }
        report_repairs();
    }
    // Leaving: only when the directory answers, so a dead one costs nothing.
    if (connected_ && directory_.healthy()) {
        for (const auto& [n, room] : tracked_) {
            directory_.leave_lobby(n, settings_.id);
        }
        directory_.remove_presence(settings_.id, settings_.epoch, settings_.key);
    }
}

void DirectoryWorker::connect() {
    attempt();
    std::lock_guard<std::mutex> lock(mutex_);
    attempted_once_ = true;
    first_up_ = first_up_ || connected_;
    settled_.notify_all();
}

bool DirectoryWorker::wait_first_attempt(std::uint32_t timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    settled_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                      [this] { return attempted_once_; });
    return first_up_;
}

void DirectoryWorker::attempt() {
    std::string error;
    if (!directory_.connect(&error)) {
        const std::string where =
            "QZ_ONLINE_DIRECTORY_PASSWORD" +
            std::string(settings_.user.empty() ? "" : ", QZ_ONLINE_DIRECTORY_USER");
        switch (directory_.failure()) {
            case Directory::Failure::login:
                refused(DirectoryEvent::login_refused, error,
                        "the lobby directory refused the login (" + where + "): " + error +
                            "; online play does not start");
                return;
            case Directory::Failure::library:
                refused(DirectoryEvent::library_unusable, error,
                        "the lobby directory cannot be used: " + error +
                            "; online play does not start");
                return;
            default:
                outage(DirectoryEvent::unreachable, error);
                return;
        }
    }
    Endpoint endpoint = settings_.endpoint;
    if (endpoint.address == 0) {
        if (const auto local = directory_.local_address()) {
            endpoint.address = local->address;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        registered_ = endpoint;
    }
    std::uint32_t taken_ms = 0;
    std::string why;
    const Directory::PresenceResult presence =
        directory_.register_presence(settings_.id, endpoint, settings_.epoch, settings_.key,
                                     settings_.name, settings_.presence_ttl_ms, &taken_ms, &why);
    const std::string account = "account " + std::to_string(account_of(settings_.id));
    if (presence == Directory::PresenceResult::taken) {
        end(account +
            (ever_connected_ ? " is now online from another program; "
                               "online play ends"
                             : " is already online from another program "
                               "(its presence lasts another ") +
            (ever_connected_ ? ""
                             : std::to_string((taken_ms + 999) / 1000) +
                                   " s unless refreshed; QZ_ONLINE_ACCOUNT picks another); "
                                   "online play does not start"));
        return;
    }
    if (presence == Directory::PresenceResult::forbidden) {
        const std::string user =
            "directory user " + (settings_.user.empty() ? std::string("default") : settings_.user);
        refused(DirectoryEvent::presence_refused, user + " may not write " + account + ": " + why,
                user + " does not own " + account + " (" + why +
                    "); QZ_ONLINE_DIRECTORY_USER and QZ_ONLINE_ACCOUNT must name the same "
                    "player; online play does not start");
        return;
    }
    if (presence != Directory::PresenceResult::registered) {
        outage(DirectoryEvent::unreachable, directory_.healthy()
                                                ? "the directory refused this member's presence"
                                                : directory_.connection_error());
        return;
    }
    connected_ = true;
    down_reported_ = false;
    retry_delay_ms_ = settings_.retry_ms;
    last_presence_ms_ = last_poll_ms_ = now_ms();
    presence_ok_ms_ = last_presence_ms_;
    DirectoryEvent e;
    e.kind = DirectoryEvent::up;
    e.response = ever_connected_ ? 1 : 0;
    post(std::move(e));
    if (ever_connected_) {
        reconnected_ = true;
        reconnected_ms_ = now_ms();
        restore_rooms();
        // Versions seen before the outage say nothing about a directory
        // that restarted: every tracked lobby is read afresh.
        for (auto& [n, room] : tracked_) {
            room.version = 0;
        }
    }
    ever_connected_ = true;
}

void DirectoryWorker::refused(DirectoryEvent::Outage kind, const std::string& why,
                              const std::string& at_start) {
    if (!ever_connected_) {
        end(at_start);
        return;
    }
    // Once online play runs, a refusal (a changed password, a removed user,
    // a library taken away) is the directory being away: the match goes on
    // over its peer links, and the login is tried again less and less often.
    outage(kind, why);
    retry_delay_ms_ = std::min(settings_.retry_max_ms, 2 * retry_delay_ms_);
}

void DirectoryWorker::outage(DirectoryEvent::Outage kind, const std::string& why) {
    connected_ = false;
    if (kind == DirectoryEvent::unreachable) {
        retry_delay_ms_ = settings_.retry_ms;
    }
    // Said once per outage, and again only when its cause changes.
    if (!down_reported_ || down_kind_ != kind) {
        down_reported_ = true;
        down_kind_ = kind;
        DirectoryEvent e;
        e.kind = DirectoryEvent::down;
        e.outage = kind;
        e.text = why;
        post(std::move(e));
    }
}

void DirectoryWorker::end(const std::string& why) {
    // The account (or the login) is not ours: nothing more is done in its
    // name, not even leaving lobbies or removing the presence.
    ended_ = true;
    connected_ = false;
    tracked_.clear();
    DirectoryEvent e;
    e.kind = DirectoryEvent::ended;
    e.text = why;
    e.response = ever_connected_ ? 1 : 0;
    post(std::move(e));
}

void DirectoryWorker::went_down() {
    last_attempt_ms_ = now_ms();
    // The server's own words (a connection it closed, a timeout).
    const std::string error = directory_.connection_error();
    outage(DirectoryEvent::unreachable,
           "the connection was lost" + (error.empty() ? std::string() : " (" + error + ")"));
}

void DirectoryWorker::restore_rooms() {
    for (auto& [n, room] : tracked_) {
        if (room.owner != settings_.id) {
            continue;
        }
        DirectoryEvent e;
        e.lobby = n;
        if (directory_.restore_lobby(room, grace_ms(settings_))) {
            e.kind = DirectoryEvent::restored;
        } else {
            e.kind = DirectoryEvent::not_restored;
            e.text = directory_.healthy() ? "another room holds its number"
                                          : "the directory was lost again";
        }
        post(std::move(e));
    }
}

// [SECTION] Orders

void DirectoryWorker::carry_out(DirectoryOrder& order) {
    done_ = order.sequence;
    const bool up = connected_ && directory_.healthy();
    DirectoryEvent e;
    e.call = order.call;
    e.lobby = order.lobby;
    switch (order.kind) {
        case DirectoryOrder::create: {
            e.kind = DirectoryEvent::created;
            e.reachable = up;
            const bool fits = order.max_members >= 1 && order.max_members <= 250;
            e.lobby = up && fits ? directory_.create_lobby(settings_.id, order.max_members) : 0;
            if (e.lobby != 0) {
                LobbySnapshot s;
                s.number = e.lobby;
                s.owner = settings_.id;
                s.max = order.max_members;
                s.version = 1;
                s.members = {settings_.id};
                track(s);
                e.snapshot = s;
            }
            break;
        }
        case DirectoryOrder::list: {
            e.kind = DirectoryEvent::listed;
            std::vector<std::string> malformed;
            const auto found =
                up ? directory_.list_lobbies(order.filters, &malformed) : std::nullopt;
            for (const std::string& m : malformed) {
                report_malformed(m);
            }
            e.reachable = found.has_value();
            if (found) {
                e.lobbies = *found;
            }
            break;
        }
        case DirectoryOrder::join: {
            e.kind = DirectoryEvent::entered;
            bool malformed = false;
            e.response = up ? directory_.join_lobby(order.lobby, settings_.id, &malformed) : 5;
            if (malformed) {
                report_malformed("lobby " + std::to_string(order.lobby));
            }
            if (e.response == 1) {
                LobbySnapshot s;
                const ReadOutcome read = directory_.read_lobby(order.lobby, 0, &s);
                if (read == ReadOutcome::changed) {
                    track(s);
                    e.snapshot = s;
                } else {
                    // Joined but unreadable: leave again rather than sit in a
                    // room nobody can see.
                    directory_.leave_lobby(order.lobby, settings_.id);
                    e.response = read == ReadOutcome::gone ? 2 : 5;
                }
            }
            break;
        }
        case DirectoryOrder::leave:
            tracked_.erase(order.lobby);
            if (up) {
                directory_.leave_lobby(order.lobby, settings_.id);
            }
            return;
        case DirectoryOrder::set_data: {
            auto it = tracked_.find(order.lobby);
            if (it != tracked_.end() && it->second.owner == settings_.id) {
                // Kept in the worker's copy too, so a re-created room has it.
                it->second.data[order.key] = order.value;
            }
            if (up) {
                directory_.set_lobby_data(order.lobby, settings_.id, order.key, order.value);
            }
            return;
        }
        case DirectoryOrder::lookup:
            e.kind = DirectoryEvent::looked_up;
            e.answers = up ? directory_.lookup_many(order.ids) : std::vector<LookupAnswer>{};
            if (!up) {
                for (std::uint64_t id : order.ids) {
                    e.answers.push_back(LookupAnswer{id, std::nullopt, false, false});
                }
            }
            for (const LookupAnswer& a : e.answers) {
                if (a.malformed) {
                    report_malformed("member " + std::to_string(a.id));
                }
            }
            break;
    }
    post(std::move(e));
}

void DirectoryWorker::track(const LobbySnapshot& snapshot) {
    tracked_[snapshot.number] = snapshot;
}

// [SECTION] Upkeep

void DirectoryWorker::refresh_presence() {
    const std::uint32_t now = now_ms();
    if (now - last_presence_ms_ < settings_.presence_ttl_ms / 3) {
        return;
    }
    last_presence_ms_ = now;
    const Endpoint endpoint = registered_endpoint();
    std::string why;
    const Directory::PresenceResult result =
        directory_.register_presence(settings_.id, endpoint, settings_.epoch, settings_.key,
                                     settings_.name, settings_.presence_ttl_ms, nullptr, &why);
    if (result == Directory::PresenceResult::taken) {
        end("this account is now online from another program; online play ends");
        return;
    }
    if (result == Directory::PresenceResult::forbidden) {
        // The user's rights changed under it: away until a login works again.
        last_attempt_ms_ = now;
        refused(DirectoryEvent::presence_refused,
                "directory user " +
                    (settings_.user.empty() ? std::string("default") : settings_.user) +
                    " may no longer write this member's presence: " + why,
                "");
        return;
    }
    const bool ok = result == Directory::PresenceResult::registered;
    if (ok) {
        presence_ok_ms_ = now;
    }
    if (!ok && directory_.healthy() && !presence_logged_) {
        presence_logged_ = true;
        report_malformed("presence of this member (the refresh was refused)");
    }
}

void DirectoryWorker::poll() {
    const std::uint32_t now = now_ms();
    if (now - last_poll_ms_ < settings_.poll_ms) {
        return;
    }
    last_poll_ms_ = now;
    for (auto it = tracked_.begin(); it != tracked_.end() && directory_.healthy();) {
        LobbySnapshot s;
        const ReadOutcome read = directory_.read_lobby(it->first, it->second.version, &s);
        DirectoryEvent e;
        e.lobby = it->first;
        const bool rejoin =
            read == ReadOutcome::changed && reconnected_ &&
            now - reconnected_ms_ < grace_ms(settings_) &&
            std::find(s.members.begin(), s.members.end(), settings_.id) == s.members.end();
        if (rejoin && directory_.join_lobby(it->first, settings_.id) == 1) {
            // Left out of a room re-created after an outage: back in it.
            continue;  // read again on the next poll
        }
        if (read == ReadOutcome::changed) {
            ++lobby_reads_;
            it->second = s;
            e.kind = DirectoryEvent::changed;
            e.snapshot = std::move(s);
            post(std::move(e));
        } else if (read == ReadOutcome::gone && it->second.owner != settings_.id && reconnected_ &&
                   now - reconnected_ms_ < grace_ms(settings_)) {
            // Just back from an outage: the owner may not have re-created
            // the room yet.
        } else if (read == ReadOutcome::gone) {
            it = tracked_.erase(it);
            e.kind = DirectoryEvent::gone;
            post(std::move(e));
            continue;
        } else if (read == ReadOutcome::malformed) {
            report_malformed("lobby " + std::to_string(it->first));
        }
        ++it;
    }
}

}  // namespace platform::online
