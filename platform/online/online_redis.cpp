#include "platform/online/online_redis.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/clock/clock.h"
#include "platform/online/online_directory.h"
#include "platform/online/online_udp.h"

namespace platform::online {

// [SECTION] Configuration

namespace {

std::string env_or(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::string(fallback);
}

// "host:port"; false when the port is missing or not a number in range.
bool split_host_port(const std::string& text, std::string* host, std::uint16_t* port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) {
        return false;
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || value > 65535) {
        return false;
    }
    *host = text.substr(0, colon);
    *port = std::uint16_t(value);
    return true;
}

std::vector<std::string> split_list(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!item.empty()) {
            out.push_back(item);
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return out;
}

}  // namespace

NetworkConfig NetworkConfig::from_environment() {
    NetworkConfig config;
    const std::string directory = env_or("QZ_ONLINE_DIRECTORY", "");
    if (!directory.empty() &&
        !split_host_port(directory, &config.directory_host, &config.directory_port)) {
        // A directory without a port uses Redis's own.
        config.directory_host = directory;
        config.directory_port = 6379;
    }
    config.directory_user = env_or("QZ_ONLINE_DIRECTORY_USER", "");
    config.directory_password = env_or("QZ_ONLINE_DIRECTORY_PASSWORD", "");
    // Two players on one directory must not share an account: without one
    // given, each start picks its own.
    const std::string account = env_or("QZ_ONLINE_ACCOUNT", "");
    char* end = nullptr;
    const unsigned long long number = std::strtoull(account.c_str(), &end, 10);
    const bool given = !account.empty() && *end == '\0' && number >= 1 && number <= 0xffffffffull;
    if (!account.empty() && !given) {
        std::printf("online: QZ_ONLINE_ACCOUNT \"%s\" is not an account number; ignored\n",
                    account.c_str());
    }
    config.account = given ? std::uint32_t(number) : (config.directory_host.empty() ? 1 : 0);
    config.name = env_or("QZ_ONLINE_NAME", env_or("USER", "Player").c_str());
    const std::string bind = env_or("QZ_ONLINE_BIND", "");
    if (!bind.empty() && !split_host_port(bind, &config.bind_host, &config.bind_port)) {
        config.bind_host = bind;
        config.bind_port = 0;
    }
    config.language = env_or("QZ_ONLINE_LANGUAGE", "english");
    config.achievements = split_list(env_or("QZ_ONLINE_ACHIEVEMENTS", ""));
    return config;
}

// [SECTION] Start and the per-frame step

namespace {

// How often a member refreshes its presence (a third of its expiry), polls
// its lobbies for changes, and trusts a looked-up registration.
constexpr std::uint32_t kLobbyPollMs = 100;
constexpr std::uint32_t kRegistrationCacheMs = 1000;
constexpr std::uint32_t kFreshLookupMinMs = 100;
constexpr int kMaxDatagramsPerFrame = 1024;

}  // namespace

NetworkedBackend::NetworkedBackend(NetworkConfig config)
    : config_(std::move(config)), receiver_([this](std::uint64_t id) { return known(id); }) {
    if (config_.account == 0) {
        std::random_device random;
        while (config_.account == 0) {
            config_.account = random();
        }
    }
    id_ = individual_id(config_.account);
    achievements_.set_names(config_.achievements);
}

NetworkedBackend::~NetworkedBackend() {
    shutdown();
}

bool NetworkedBackend::init() {
    if (started_) {
        return true;
    }
    if (offline()) {
        if (!offline_logged_) {
            offline_logged_ = true;
            std::printf("online: no lobby directory configured (QZ_ONLINE_DIRECTORY); offline\n");
        }
        started_ = true;
        // Offline there are no servers to be connected to: say so, as a lost
        // directory does, so that nothing waits for rooms that cannot exist.
        router_.post(ServersDisconnected{});
        return true;
    }
    std::string error;
    failure_.clear();
    auto directory = std::make_unique<Directory>(config_.directory_host, config_.directory_port,
                                                 config_.key_prefix, config_.directory_timeout_ms);
    const std::string where =
        "lobby directory " + config_.directory_host + ":" + std::to_string(config_.directory_port);
    if (!config_.directory_user.empty() && config_.directory_password.empty()) {
        return fail(
            "QZ_ONLINE_DIRECTORY_USER is set without QZ_ONLINE_DIRECTORY_PASSWORD; "
            "online play does not start");
    }
    directory->set_login(config_.directory_user, config_.directory_password);
    if (!directory->connect(&error)) {
        if (directory->login_refused()) {
            return fail(where + " refused the login (QZ_ONLINE_DIRECTORY_PASSWORD" +
                        (config_.directory_user.empty() ? "" : ", QZ_ONLINE_DIRECTORY_USER") +
                        "): " + error + "; online play does not start");
        }
        return fail(where + " unreachable: " + error);
    }
    // Without a bind address, the interface that reaches the directory is the
    // one peers on its network can reach too.
    std::optional<Endpoint> bind;
    if (config_.bind_host.empty()) {
        bind = directory->local_address();
        if (bind) {
            bind->port = config_.bind_port;
        }
    } else {
        bind = parse_endpoint(config_.bind_host, config_.bind_port);
    }
    if (!bind || bind->address == 0) {
        return fail("QZ_ONLINE_BIND needs an IPv4 address peers can reach, not \"" +
                    config_.bind_host + "\"");
    }
    auto udp = std::make_unique<UdpLink>();
    if (!udp->open(*bind, &error)) {
        return fail(error);
    }
    std::random_device random;
    do {
        epoch_ = random();
    } while (epoch_ == 0);
    // Each session has its own key, so nothing signed for an earlier one counts.
    key_ = new_presence_key();
    next_sequence_ = 1;
    endpoint_ = udp->local();
    receiver_.set_self({id_, epoch_});
    std::uint32_t taken_ms = 0;
    switch (directory->register_presence(id_, endpoint_, epoch_, key_, config_.name,
                                         config_.presence_ttl_ms, &taken_ms)) {
        case Directory::PresenceResult::registered:
            break;
        case Directory::PresenceResult::taken:
            return fail("account " + std::to_string(config_.account) +
                        " is already online from another program (its presence lasts another " +
                        std::to_string((taken_ms + 999) / 1000) +
                        " s unless refreshed; QZ_ONLINE_ACCOUNT picks another); online play "
                        "does not start");
        case Directory::PresenceResult::failed:
            return fail("the lobby directory refused this member's presence");
    }
    udp_ = std::move(udp);
    directory_ = std::move(directory);
    last_presence_ms_ = last_poll_ms_ = platform::clock::now_ms();
    started_ = true;
    directory_up_ = true;
    router_.post(ServersConnected{});
    return true;
}

bool NetworkedBackend::fail(const std::string& why) {
    failure_ = why;
    std::printf("online: %s\n", why.c_str());
    return false;
}

void NetworkedBackend::end_online(const std::string& why) {
    // The account now belongs to another session: leaving its lobbies or
    // removing its presence would act for that other program.
    failure_ = why;
    std::printf("online: %s\n", why.c_str());
    joined_.clear();
    directory_.reset();
    udp_.reset();
    registrations_.clear();
    receiver_.clear();
    directory_up_ = false;
    router_.post(ServersDisconnected{});
}

void NetworkedBackend::shutdown() {
    if (directory_) {
        for (const auto& [lobby, version] : joined_) {
            directory_->leave_lobby(account_of(lobby), id_);
        }
        directory_->remove_presence(id_, epoch_, key_);
    }
    directory_.reset();
    udp_.reset();
    started_ = false;
    inbox_.clear();
    receiver_.clear();
    registrations_.clear();
    router_.clear();
    joined_.clear();
}

void NetworkedBackend::run_callbacks() {
    if (!started_) {
        return;
    }
    const std::uint32_t now = platform::clock::now_ms();
    if (online()) {
        refresh_presence(now);  // may end online play
    }
    if (online()) {
        receive_datagrams();
        poll_lobbies(now);
        // The directory stands for the platform's servers: events 0 and 1.
        const bool up = directory_->healthy();
        if (up != directory_up_) {
            directory_up_ = up;
            if (up) {
                router_.post(ServersConnected{});
            } else {
                router_.post(ServersDisconnected{});
            }
        }
    }
    router_.dispatch();
}

void NetworkedBackend::refresh_presence(std::uint32_t now) {
    if (now - last_presence_ms_ < config_.presence_ttl_ms / 3) {
        return;
    }
    last_presence_ms_ = now;
    const Directory::PresenceResult result = directory_->register_presence(
        id_, endpoint_, epoch_, key_, config_.name, config_.presence_ttl_ms);
    if (result == Directory::PresenceResult::taken) {
        end_online("account " + std::to_string(config_.account) +
                   " is now online from another program; online play ends");
        return;
    }
    const bool ok = result == Directory::PresenceResult::registered;
    if (!ok && !presence_logged_) {
        presence_logged_ = true;
        std::printf("online: could not refresh this member's presence\n");
    }
    presence_logged_ = presence_logged_ && !ok;
}

void NetworkedBackend::receive_datagrams() {
    // One unknown sender's key a frame at most (and each at most once per
    // cache period), so that a flood of made-up ids cannot flood the
    // directory; a known sender's datagram with a wrong code costs nothing.
    const std::uint32_t now = platform::clock::now_ms();
    const auto wanted = receiver_.wanted([&](std::uint64_t id) {
        auto it = registrations_.find(id);
        return it != registrations_.end() && now - it->second.fetched_ms < kRegistrationCacheMs;
    });
    if (wanted) {
        lookup(*wanted, false);
    }
    receiver_.retry_held(inbox_, router_);
    std::uint8_t buffer[kMaxDatagramSize];
    for (int i = 0; i < kMaxDatagramsPerFrame; ++i) {
        Endpoint from;
        bool unusable = false;
        const std::size_t size = udp_->receive(&from, buffer, sizeof buffer, &unusable);
        if (size == 0) {
            return;
        }
        if (unusable) {
            ++dropped_datagrams_;
            continue;
        }
        receiver_.take(from, buffer, size, inbox_, router_);
    }
}

void NetworkedBackend::poll_lobbies(std::uint32_t now) {
    if (now - last_poll_ms_ < kLobbyPollMs) {
        return;
    }
    last_poll_ms_ = now;
    for (auto it = joined_.begin(); it != joined_.end();) {
        bool gone = false;
        const auto version = directory_->poll(account_of(it->first), &gone);
        if (gone) {
            it = joined_.erase(it);
            continue;
        }
        if (version && *version != it->second) {
            it->second = *version;
            learn_members(it->first);
            router_.post(LobbyDataUpdate{it->first, it->first, true});
        }
        ++it;
    }
}

std::optional<Registration> NetworkedBackend::lookup(std::uint64_t id, bool fresh) {
    const std::uint32_t now = platform::clock::now_ms();
    auto it = registrations_.find(id);
    if (it != registrations_.end()) {
        const std::uint32_t age = now - it->second.fetched_ms;
        if (age < (fresh ? kFreshLookupMinMs : kRegistrationCacheMs)) {
            return it->second.registration;
        }
    }
    Cached cached{directory_ ? directory_->lookup(id) : std::nullopt, now};
    registrations_[id] = cached;
    return cached.registration;
}

std::optional<Registration> NetworkedBackend::known(std::uint64_t id) const {
    auto it = registrations_.find(id);
    return it != registrations_.end() ? it->second.registration : std::nullopt;
}

void NetworkedBackend::learn_members(std::uint64_t lobby) {
    // Members may send first (a joiner's hello): their keys are read when
    // the lobby changes, never when a datagram arrives.
    for (std::uint64_t member : directory_->members(account_of(lobby))) {
        if (member != id_ && is_valid_id(member)) {
            lookup(member, false);
        }
    }
}

void NetworkedBackend::track(std::uint64_t lobby) {
    bool gone = false;
    const auto version = directory_->poll(account_of(lobby), &gone);
    joined_[lobby] = version.value_or(0);
    learn_members(lobby);
}

bool NetworkedBackend::send_raw_datagram(const Endpoint& to, const void* bytes, std::size_t size) {
    return online() && udp_->send(to, bytes, size);
}

// [SECTION] Peer-to-peer

bool NetworkedBackend::send_p2p_packet(std::uint64_t to, const void* data, std::uint32_t size,
                                       int send_type, int channel) {
    if (!online() || !is_valid_id(to) || data == nullptr || size == 0 || size > kMaxPacketSize ||
        (send_type != 0 && send_type != 1) || channel != 0) {
        return false;
    }
    const std::optional<Registration> peer = lookup(to, false);
    if (!peer) {
        if (!failed_to_[to]) {
            failed_to_[to] = true;
            router_.post(P2PSessionConnectFail{to, 3});
        }
        return false;
    }
    inbox_.accept(to);
    std::uint8_t datagram[kMaxDatagramSize];
    const std::size_t bytes = encode_datagram({id_, epoch_, next_sequence_++}, {to, peer->epoch},
                                              key_, data, size, datagram, sizeof datagram);
    return bytes != 0 && udp_->send(peer->endpoint, datagram, bytes);
}

bool NetworkedBackend::is_p2p_packet_available(std::uint32_t* size, int channel) {
    return started_ && channel == 0 && inbox_.available(size);
}

bool NetworkedBackend::read_p2p_packet(void* buffer, std::uint32_t capacity,
                                       std::uint32_t* bytes_read, std::uint64_t* sender,
                                       int channel) {
    return started_ && channel == 0 && inbox_.read(buffer, capacity, bytes_read, sender);
}

bool NetworkedBackend::accept_p2p_session(std::uint64_t remote) {
    if (!started_) {
        return false;
    }
    if (online() && is_valid_id(remote)) {
        lookup(remote, false);  // its key, so that its datagrams can be checked
    }
    inbox_.accept(remote);
    return true;
}

bool NetworkedBackend::close_p2p_session(std::uint64_t remote) {
    if (!started_) {
        return false;
    }
    inbox_.close(remote);
    failed_to_.erase(remote);
    return true;
}

// [SECTION] Lobbies

CallHandle NetworkedBackend::create_lobby(int, int max_members) {
    if (!started_) {
        return 0;
    }
    const CallHandle call = router_.new_call();
    if (!online()) {
        router_.post_result(call, LobbyCreated{kResultNoConnection, 0});
        return call;
    }
    const std::uint32_t n =
        max_members >= 1 && max_members <= 250 ? directory_->create_lobby(id_, max_members) : 0;
    if (n == 0) {
        router_.post_result(call, LobbyCreated{kResultFail, 0});
        return call;
    }
    track(lobby_id(n));
    router_.post_result(call, LobbyCreated{kResultOk, lobby_id(n)});
    return call;
}

void NetworkedBackend::add_lobby_list_string_filter(const char* key, const char* value,
                                                    LobbyComparison comparison) {
    if (key && value) {
        filters_.push_back({key, value, comparison});
    }
}

CallHandle NetworkedBackend::request_lobby_list() {
    if (!started_) {
        return 0;
    }
    const CallHandle call = router_.new_call();
    const std::vector<Filter> filters = std::move(filters_);
    filters_.clear();
    last_list_.clear();
    const auto numbers = online() ? directory_->list_lobbies() : std::nullopt;
    for (std::uint32_t n : numbers.value_or(std::vector<std::uint32_t>{})) {
        const std::map<std::string, std::string> data =
            filters.empty() ? std::map<std::string, std::string>{} : directory_->lobby_data(n);
        const bool match = std::all_of(filters.begin(), filters.end(), [&](const Filter& f) {
            auto it = data.find(f.key);
            const bool equal = (it == data.end() ? std::string() : it->second) == f.value;
            return f.comparison == LobbyComparison::equal ? equal : !equal;
        });
        if (match) {
            last_list_.push_back(lobby_id(n));
        }
    }
    router_.post_result(call, LobbyMatchList{std::uint32_t(last_list_.size())});
    return call;
}

std::uint64_t NetworkedBackend::get_lobby_by_index(int index) {
    return index >= 0 && std::size_t(index) < last_list_.size() ? last_list_[std::size_t(index)]
                                                                : 0;
}

CallHandle NetworkedBackend::join_lobby(std::uint64_t lobby) {
    if (!started_) {
        return 0;
    }
    const CallHandle call = router_.new_call();
    LobbyEnter result;
    result.lobby = lobby;
    if (!online()) {
        result.response = kEnterError;
    } else if (!is_lobby_id(lobby)) {
        result.response = kEnterDoesNotExist;
    } else {
        result.response = std::uint32_t(directory_->join_lobby(account_of(lobby), id_));
        if (result.response == kEnterSuccess) {
            track(lobby);
        }
    }
    router_.post_result(call, result);
    return call;
}

void NetworkedBackend::leave_lobby(std::uint64_t lobby) {
    joined_.erase(lobby);
    if (online() && is_lobby_id(lobby)) {
        directory_->leave_lobby(account_of(lobby), id_);
    }
}

int NetworkedBackend::get_num_lobby_members(std::uint64_t lobby) {
    return online() && is_lobby_id(lobby) ? int(directory_->members(account_of(lobby)).size()) : 0;
}

std::uint64_t NetworkedBackend::get_lobby_member_by_index(std::uint64_t lobby, int member) {
    if (!online() || !is_lobby_id(lobby) || member < 0) {
        return 0;
    }
    const std::vector<std::uint64_t> members = directory_->members(account_of(lobby));
    return std::size_t(member) < members.size() ? members[std::size_t(member)] : 0;
}

std::uint64_t NetworkedBackend::get_lobby_owner(std::uint64_t lobby) {
    return online() && is_lobby_id(lobby) ? directory_->owner(account_of(lobby)) : 0;
}

bool NetworkedBackend::set_lobby_data(std::uint64_t lobby, const char* key, const char* value) {
    if (!online() || !is_lobby_id(lobby) || key == nullptr || value == nullptr || *key == '\0') {
        return false;
    }
    return directory_->set_lobby_data(account_of(lobby), id_, key, value);
}

const char* NetworkedBackend::get_lobby_data(std::uint64_t lobby, const char* key) {
    data_answer_.clear();
    if (online() && is_lobby_id(lobby) && key) {
        data_answer_ = directory_->lobby_value(account_of(lobby), key);
    }
    return data_answer_.c_str();
}

}  // namespace platform::online
