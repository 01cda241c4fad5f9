#include "platform/online/online_redis.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/clock/clock.h"
#include "platform/online/online_ids.h"
#include "platform/online/online_udp.h"
#include "platform/online/online_worker.h"

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
    // A player's own directory user names its account.
    if (const auto owned = account_of_user(config.directory_user); owned && !given) {
        config.account = *owned;
    }
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

constexpr std::uint32_t kLobbyPollMs = 100;
// The socket is read until it is empty, or this many datagrams a frame
// (reading is cheap; a flood bigger than this waits in the system's buffer).
constexpr int kMaxReadsPerFrame = 4096;
// Datagrams checked a frame (code, registration, window), shared out evenly
// over the sources that sent in it.
constexpr std::size_t kChecksPerFrame = 1024;
// A refused stranger's packets are kept this long, in case a lobby copy
// naming it a member comes in the meantime.
constexpr std::uint32_t kRefusedHoldMs = 2000;
// Packets held for a destination (or datagrams for a sender) until its
// lookup answers, and how many ids may have some held.
constexpr std::size_t kMaxHeldPerId = 16;
constexpr std::size_t kMaxHeldIds = 64;

}  // namespace

NetworkedBackend::NetworkedBackend(NetworkConfig config)
    : config_(std::move(config)),
      receiver_(
          [this](std::uint64_t id) { return known(id); },
          [this](std::uint64_t id) { return peers_.absent_now(id, platform::clock::now_ms()); }) {
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
    failure_.clear();
    if (!config_.directory_user.empty() && config_.directory_password.empty()) {
        return fail(
            "QZ_ONLINE_DIRECTORY_USER is set without QZ_ONLINE_DIRECTORY_PASSWORD; "
            "online play does not start");
    }
    // A player's user may write only its own account's presence: said here,
    // before anything is sent, rather than as the directory's refusal.
    if (const auto owned = account_of_user(config_.directory_user);
        owned && *owned != config_.account) {
        return fail("directory user " + config_.directory_user + " does not own account " +
                    std::to_string(config_.account) + " (user " + kPlayerUserPrefix +
                    "<account> plays only that account: QZ_ONLINE_ACCOUNT=" +
                    std::to_string(*owned) + " or QZ_ONLINE_DIRECTORY_USER=" + kPlayerUserPrefix +
                    std::to_string(config_.account) + "); online play does not start");
    }
    // Without a bind address, the interface that routes to the directory is
    // the one peers on its network can reach too. A directory given by name
    // is not resolved here (that could wait): the endpoint is bound to every
    // interface and registered with the address of the worker's connection.
    std::optional<Endpoint> bind;
    if (config_.bind_host.empty()) {
        const auto directory = parse_endpoint(config_.directory_host, config_.directory_port);
        bind = directory ? route_source(*directory) : Endpoint{0, 0};
        if (bind) {
            bind->port = config_.bind_port;
        }
    } else {
        bind = parse_endpoint(config_.bind_host, config_.bind_port);
        if (!bind || bind->address == 0) {
            return fail("QZ_ONLINE_BIND needs an IPv4 address peers can reach, not \"" +
                        config_.bind_host + "\"");
        }
    }
    if (!bind) {
        return fail("no route to the lobby directory " + config_.directory_host + ":" +
                    std::to_string(config_.directory_port));
    }
    std::string error;
    auto udp = std::make_unique<UdpLink>();
    if (!udp->open(*bind, &error, config_.receive_buffer_bytes)) {
        return fail(error);
    }
    if (!buffer_logged_ && udp->receive_buffer() < config_.receive_buffer_bytes) {
        buffer_logged_ = true;
        std::printf(
            "online: the system gives the UDP socket a receive buffer of %zu KiB, not the %zu KiB "
            "asked for (its limit is net.core.rmem_max); play works, but a heavy flood of "
            "datagrams may cost some packets\n",
            udp->receive_buffer() / 1024, config_.receive_buffer_bytes / 1024);
        std::fflush(stdout);
    }
    std::random_device random;
    do {
        epoch_ = random();
    } while (epoch_ == 0);
    // Each session has its own key pair, so nothing coded for an earlier
    // one counts; only the public half is published.
    keys_ = new_key_pair();
    next_sequence_ = 1;
    endpoint_ = udp->local();
    receiver_.set_self({id_, epoch_}, keys_);
    udp_ = std::move(udp);
    WorkerSettings settings;
    settings.host = config_.directory_host;
    settings.port = config_.directory_port;
    settings.prefix = config_.key_prefix;
    settings.timeout_ms = config_.directory_timeout_ms;
    settings.id = id_;
    settings.name = config_.name;
    settings.user = config_.directory_user;
    settings.password = config_.directory_password;
    settings.key = keys_.public_key;
    settings.endpoint = endpoint_;
    settings.epoch = epoch_;
    settings.presence_ttl_ms = config_.presence_ttl_ms;
    settings.poll_ms = kLobbyPollMs;
    worker_ = std::make_unique<DirectoryWorker>(settings);
    // The start (not a frame) waits for the first connection attempt, so
    // that a directory that cannot be reached, or refuses this member, fails
    // it; later losses never wait anyone.
    if (!worker_->wait_first_attempt(2 * config_.directory_timeout_ms + 1000)) {
        std::string why = "lobby directory " + config_.directory_host + ":" +
                          std::to_string(config_.directory_port) + " unreachable: no answer";
        for (const DirectoryEvent& e : worker_->take()) {
            if (e.kind == DirectoryEvent::down) {
                why = "lobby directory " + config_.directory_host + ":" +
                      std::to_string(config_.directory_port) + " unreachable: " + e.text;
            } else if (e.kind == DirectoryEvent::ended) {
                why = e.text;
            }
        }
        worker_.reset();
        udp_.reset();
        return fail(why);
    }
    started_ = true;
    servers_ = -1;
    directory_was_up_ = directory_down_logged_ = false;
    return true;
}

bool NetworkedBackend::fail(const std::string& why) {
    failure_ = why;
    std::printf("online: %s\n", why.c_str());
    return false;
}

void NetworkedBackend::end_online(const std::string& why, bool keep_room) {
    // The login or the account is not this program's: the worker has done
    // nothing more in its name. A room this program is in (a match may run
    // there) keeps its peer links until the program leaves it; from then on
    // this is as offline.
    failure_ = why;
    if (worker_) {
        endpoint_ = worker_->registered_endpoint();
    }
    worker_.reset();
    if (servers_ != 0) {
        servers_ = 0;
        router_.post(ServersDisconnected{});
    }
    if (keep_room && !joined_.empty()) {
        std::printf(
            "online: %s when this program leaves its room (its match goes on over the "
            "peer links)\n",
            why.c_str());
        return;
    }
    std::printf("online: %s\n", why.c_str());
    close_links();
}

void NetworkedBackend::close_links() {
    udp_.reset();
    joined_.clear();
    lobbies_.clear();
    peers_.clear();
    receiver_.clear();
    receiver_.pair_keys().clear();
    outgoing_.clear();
    refused_.clear();
    keys_ = KeyPair{};
}

bool NetworkedBackend::send_raw_datagram(const Endpoint& to, const void* bytes, std::size_t size) {
    return online() && udp_->send(to, bytes, size);
}

void NetworkedBackend::shutdown() {
    // The worker leaves the joined lobbies and removes the presence.
    worker_.reset();
    udp_.reset();
    started_ = false;
    inbox_.clear();
    receiver_.clear();
    receiver_.pair_keys().clear();
    keys_ = KeyPair{};
    refused_.clear();
    peers_.clear();
    router_.clear();
    joined_.clear();
    lobbies_.clear();
    left_at_.clear();
    pending_writes_.clear();
    outgoing_.clear();
    failed_to_.clear();
    last_list_.clear();
}

std::uint64_t NetworkedBackend::lobby_reads() const {
    return worker_ ? worker_->lobby_reads() : 0;
}

std::size_t NetworkedBackend::receive_buffer() const {
    return udp_ ? udp_->receive_buffer() : 0;
}

std::uint32_t NetworkedBackend::presence_age_ms() {
    return worker_ ? worker_->presence_age_ms() : 0;
}

Endpoint NetworkedBackend::endpoint() const {
    return worker_ ? worker_->registered_endpoint() : endpoint_;
}

void NetworkedBackend::run_callbacks() {
    if (!started_) {
        return;
    }
    if (online()) {
        peers_.new_frame();
    }
    if (ordering()) {
        const std::uint32_t now = platform::clock::now_ms();
        for (DirectoryEvent& event : worker_->take()) {
            handle(event, now);
            if (!ordering()) {
                break;  // online play ended
            }
        }
    }
    if (online()) {
        const std::uint32_t now = platform::clock::now_ms();
        settle_refused(now);
        receiver_.retry_held(inbox_, router_);
        receive_datagrams(now);
        ask_for_held(now);
        std::vector<std::uint64_t> due = peers_.due(now);
        if (!due.empty() && !worker_) {
            // No directory to ask any more: what is known stays known.
            for (std::uint64_t id : due) {
                peers_.answer(LookupAnswer{id, std::nullopt, false, false}, now);
                answered(id, now);
            }
        } else if (!due.empty()) {
            lookups_asked_ += due.size();
            DirectoryOrder order;
            order.kind = DirectoryOrder::lookup;
            order.ids = std::move(due);
            worker_->order(std::move(order));
        }
    }
    router_.dispatch();
}

// [SECTION] Directory events

void NetworkedBackend::handle(DirectoryEvent& e, std::uint32_t now) {
    // Status lines are rare and someone may be watching for them (a log
    // reader, a test): they go out at once.
    struct Flush {
        ~Flush() { std::fflush(stdout); }
    } flush;
    switch (e.kind) {
        case DirectoryEvent::up:
            if (directory_was_up_) {
                std::printf("online: lobby directory %s:%u is back\n",
                            config_.directory_host.c_str(), unsigned(config_.directory_port));
            }
            directory_was_up_ = true;
            directory_down_logged_ = false;
            if (servers_ != 1) {
                servers_ = 1;
                router_.post(ServersConnected{});
            }
            break;
        case DirectoryEvent::down:
            if (!directory_down_logged_ || down_logged_ != e.outage) {
                directory_down_logged_ = true;
                down_logged_ = e.outage;
                report_outage(e);
            }
            if (servers_ != 0) {
                servers_ = 0;
                router_.post(ServersDisconnected{});
            }
            break;
        case DirectoryEvent::created: {
            LobbyCreated result{kResultFail, 0};
            if (e.lobby != 0) {
                const std::uint64_t lobby = lobby_id(e.lobby);
                store(e.snapshot, e.orders_done);
                auto left = left_at_.find(lobby);
                if (left == left_at_.end() || left->second < e.orders_done) {
                    joined_.insert(lobby);
                }
                result = {kResultOk, lobby};
                repin();
            }
            router_.post_result(e.call, result);
            break;
        }
        case DirectoryEvent::listed: {
            for (auto it = lobbies_.begin(); it != lobbies_.end();) {
                it = joined_.count(it->first) ? std::next(it) : lobbies_.erase(it);
            }
            last_list_.clear();
            for (const LobbySnapshot& s : e.lobbies) {
                const std::uint64_t lobby = lobby_id(s.number);
                last_list_.push_back(lobby);
                if (!joined_.count(lobby)) {
                    lobbies_[lobby] = s;
                }
                // A listed host is one this member may ping or join.
                peers_.want(s.owner, now);
            }
            router_.post_result(e.call, LobbyMatchList{std::uint32_t(last_list_.size())});
            break;
        }
        case DirectoryEvent::entered: {
            LobbyEnter result;
            result.lobby = lobby_id(e.lobby);
            result.response = std::uint32_t(e.response);
            if (e.response == kEnterSuccess) {
                store(e.snapshot, e.orders_done);
                auto left = left_at_.find(result.lobby);
                if (left == left_at_.end() || left->second < e.orders_done) {
                    joined_.insert(result.lobby);
                }
                repin();
            }
            router_.post_result(e.call, result);
            break;
        }
        case DirectoryEvent::changed:
            if (joined_.count(lobby_id(e.lobby))) {
                store(e.snapshot, e.orders_done);
                repin();
                router_.post(LobbyDataUpdate{lobby_id(e.lobby), lobby_id(e.lobby), true});
            }
            break;
        case DirectoryEvent::gone:
            joined_.erase(lobby_id(e.lobby));
            lobbies_.erase(lobby_id(e.lobby));
            repin();
            break;
        case DirectoryEvent::looked_up:
            for (const LookupAnswer& a : e.answers) {
                peers_.answer(a, now);
                answered(a.id, now);
            }
            break;
        case DirectoryEvent::malformed:
            std::printf("online: the lobby directory holds a malformed record (%s); skipped\n",
                        e.text.c_str());
            break;
        case DirectoryEvent::restored:
            std::printf("online: room %u re-created in the lobby directory\n", unsigned(e.lobby));
            break;
        case DirectoryEvent::ended:
            end_online(e.text, e.response == 1);
            break;
        case DirectoryEvent::repaired:
            std::printf("online: the lobby directory held a key it could not read: %s\n",
                        e.text.c_str());
            break;
        case DirectoryEvent::not_restored:
            std::printf("online: could not re-create room %u in the lobby directory: %s\n",
                        unsigned(e.lobby), e.text.c_str());
            break;
    }
}

void NetworkedBackend::report_outage(const DirectoryEvent& e) {
    const std::string where = config_.directory_host + ":" + std::to_string(config_.directory_port);
    const char* goes_on =
        "; online play goes on over the peer links and the directory is tried again";
    switch (e.outage) {
        case DirectoryEvent::unreachable:
            std::printf("online: lobby directory %s unreachable: %s\n", where.c_str(),
                        e.text.c_str());
            break;
        case DirectoryEvent::login_refused:
            std::printf("online: lobby directory %s refused the login of %s: %s%s\n", where.c_str(),
                        config_.directory_user.empty() ? "the default user"
                                                       : ("user " + config_.directory_user).c_str(),
                        e.text.c_str(), goes_on);
            break;
        case DirectoryEvent::library_unusable:
            std::printf("online: lobby directory %s cannot be used: %s%s\n", where.c_str(),
                        e.text.c_str(), goes_on);
            break;
        case DirectoryEvent::presence_refused:
            std::printf("online: lobby directory %s refused this member's presence: %s%s\n",
                        where.c_str(), e.text.c_str(), goes_on);
            break;
    }
}

void NetworkedBackend::store(const LobbySnapshot& snapshot, std::uint64_t orders_done) {
    const std::uint64_t lobby = lobby_id(snapshot.number);
    // Writes the worker had not carried out when it read the lobby stay
    // on top of what it read.
    while (!pending_writes_.empty() && pending_writes_.front().order <= orders_done) {
        pending_writes_.pop_front();
    }
    LobbySnapshot& copy = lobbies_[lobby] = snapshot;
    for (const PendingWrite& w : pending_writes_) {
        if (w.lobby == lobby) {
            copy.data[w.key] = w.value;
        }
    }
}

void NetworkedBackend::repin() {
    std::set<std::uint64_t> members;
    for (std::uint64_t lobby : joined_) {
        auto it = lobbies_.find(lobby);
        if (it != lobbies_.end()) {
            members.insert(it->second.members.begin(), it->second.members.end());
        }
    }
    members.erase(id_);
    peers_.pin(members);
    // Members are looked up before they send: their first packets are not
    // held back.
    const std::uint32_t now = platform::clock::now_ms();
    for (std::uint64_t m : members) {
        if (peers_.state(m) == PeerRegistry::State::unknown) {
            peers_.ask(m, now);
        }
    }
}

// [SECTION] Datagrams and lookups

std::optional<Registration> NetworkedBackend::known(std::uint64_t id) {
    return peers_.find(id, platform::clock::now_ms());
}

void NetworkedBackend::ask_for_held(std::uint32_t now) {
    // Held datagrams' senders are looked up, wanted ones freely, then
    // strangers only within their small budget a frame (those from the
    // sources that have sent the fewest failed datagrams first).
    for (const bool strangers : {false, true}) {
        for (;;) {
            const auto sender = receiver_.wanted([&](std::uint64_t id) {
                return !peers_.may_ask(id, now) || peers_.wanted(id, now) == strangers;
            });
            if (!sender || !peers_.ask(*sender, now)) {
                break;
            }
        }
    }
}

void NetworkedBackend::receive_datagrams(std::uint32_t) {
    // Everything waiting is read first (so the system's buffer is free for
    // what comes next) and then checked, each source within its share.
    arrivals_.clear();
    arena_.clear();  // keeps its capacity: no allocation a frame once grown
    std::uint8_t buffer[kMaxDatagramSize];
    for (int i = 0; i < kMaxReadsPerFrame; ++i) {
        Endpoint from;
        bool unusable = false;
        const std::size_t size = udp_->receive(&from, buffer, sizeof buffer, &unusable);
        if (size == 0) {
            break;
        }
        if (unusable) {
            ++dropped_datagrams_;
            continue;
        }
        arrivals_.push_back({from, arena_.size(), size});
        arena_.insert(arena_.end(), buffer, buffer + size);
    }
    receiver_.take_frame(arrivals_, arena_.data(), kChecksPerFrame, inbox_, router_);
}

void NetworkedBackend::answered(std::uint64_t id, std::uint32_t now) {
    if (auto out = outgoing_.find(id); out != outgoing_.end()) {
        std::deque<std::vector<std::uint8_t>> held = std::move(out->second);
        outgoing_.erase(out);
        const std::optional<Registration> peer = peers_.find(id, now);
        if (!peer) {
            fail_to(id);
            return;
        }
        for (const auto& packet : held) {
            transmit(id, *peer, packet.data(), std::uint32_t(packet.size()));
        }
    }
}

// [SECTION] Peer-to-peer

void NetworkedBackend::fail_to(std::uint64_t to) {
    if (!failed_to_[to]) {
        failed_to_[to] = true;
        router_.post(P2PSessionConnectFail{to, 3});
    }
}

bool NetworkedBackend::transmit(std::uint64_t to, const Registration& peer,
                                const std::uint8_t* data, std::uint32_t size) {
    const PairKeys* keys = receiver_.pair_keys().find(to, peer.epoch, peer.key);
    if (keys == nullptr) {
        return false;  // a published key no pair key can be made with
    }
    std::uint8_t datagram[kMaxDatagramSize];
    const std::size_t bytes = encode_datagram({id_, epoch_, next_sequence_++}, {to, peer.epoch},
                                              keys->tx, data, size, datagram, sizeof datagram);
    return bytes != 0 && udp_->send(peer.endpoint, datagram, bytes);
}

bool NetworkedBackend::send_p2p_packet(std::uint64_t to, const void* data, std::uint32_t size,
                                       int send_type, int channel) {
    if (!online() || !is_valid_id(to) || data == nullptr || size == 0 || size > kMaxPacketSize ||
        (send_type != 0 && send_type != 1) || channel != 0) {
        return false;
    }
    const std::uint32_t now = platform::clock::now_ms();
    // Sending to an id is a reason to hear from it.
    peers_.want(to, now);
    inbox_.accept(to);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (const std::optional<Registration> peer = peers_.find(to, now)) {
        return transmit(to, *peer, bytes, size);
    }
    if (peers_.state(to) == PeerRegistry::State::absent) {
        fail_to(to);
        return false;
    }
    // Sent once the lookup answers.
    auto held = outgoing_.find(to);
    const bool room = held != outgoing_.end() ? held->second.size() < kMaxHeldPerId
                                              : outgoing_.size() < kMaxHeldIds;
    if (!room || !peers_.ask(to, now)) {
        return false;
    }
    outgoing_[to].emplace_back(bytes, bytes + size);
    return true;
}

bool NetworkedBackend::is_p2p_packet_available(std::uint32_t* size, int channel) {
    return started_ && channel == 0 && inbox_.available(size);
}

bool NetworkedBackend::read_p2p_packet(void* buffer, std::uint32_t capacity,
                                       std::uint32_t* bytes_read, std::uint64_t* sender,
                                       int channel) {
    return started_ && channel == 0 && inbox_.read(buffer, capacity, bytes_read, sender);
}

bool NetworkedBackend::hosting() const {
    for (std::uint64_t lobby : joined_) {
        auto it = lobbies_.find(lobby);
        if (it != lobbies_.end() && it->second.owner == id_) {
            return true;
        }
    }
    return false;
}

bool NetworkedBackend::expected(std::uint64_t id, std::uint32_t now) {
    // Lobby members are pinned, so wanted; so are ids this program sent to,
    // accepted before, or found listed as a room's host. A host must also
    // hear searchers it has never met: whoever probes its room.
    return peers_.wanted(id, now) || hosting();
}

void NetworkedBackend::settle_refused(std::uint32_t now) {
    for (auto it = refused_.begin(); it != refused_.end();) {
        if (!inbox_.holding(it->first)) {
            it = refused_.erase(it);
        } else if (peers_.wanted(it->first, now)) {
            // A lobby copy names it a member now: what it sent is read.
            accept_p2p_session(it->first);
            it = refused_.erase(it);
        } else if (now - it->second >= kRefusedHoldMs) {
            inbox_.close(it->first);  // a later packet asks again
            it = refused_.erase(it);
        } else {
            ++it;
        }
    }
}

bool NetworkedBackend::accept_p2p_session(std::uint64_t remote) {
    if (!started_) {
        return false;
    }
    const std::uint32_t now = platform::clock::now_ms();
    if (online() && !expected(remote, now)) {
        ++refused_sessions_;
        if (inbox_.holding(remote)) {
            refused_.try_emplace(remote, now);
        }
        return false;
    }
    if (online() && is_valid_id(remote)) {
        // Its key, so that its datagrams can be checked.
        peers_.want(remote, now);
        if (peers_.state(remote) == PeerRegistry::State::unknown) {
            peers_.ask(remote, now);
        }
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
    if (!ordering()) {
        router_.post_result(call, LobbyCreated{kResultNoConnection, 0});
        return call;
    }
    DirectoryOrder order;
    order.kind = DirectoryOrder::create;
    order.call = call;
    order.max_members = max_members;
    worker_->order(std::move(order));
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
    if (!ordering()) {
        last_list_.clear();
        router_.post_result(call, LobbyMatchList{0});
        return call;
    }
    DirectoryOrder order;
    order.kind = DirectoryOrder::list;
    order.call = call;
    for (const Filter& f : filters) {
        order.filters.push_back({f.key, f.value, f.comparison == LobbyComparison::equal});
    }
    worker_->order(std::move(order));
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
    if (!ordering() || !is_lobby_id(lobby)) {
        LobbyEnter result;
        result.lobby = lobby;
        result.response = ordering() ? kEnterDoesNotExist : kEnterError;
        router_.post_result(call, result);
        return call;
    }
    DirectoryOrder order;
    order.kind = DirectoryOrder::join;
    order.call = call;
    order.lobby = account_of(lobby);
    worker_->order(std::move(order));
    return call;
}

void NetworkedBackend::leave_lobby(std::uint64_t lobby) {
    joined_.erase(lobby);
    lobbies_.erase(lobby);
    repin();
    if (ordering() && is_lobby_id(lobby)) {
        DirectoryOrder order;
        order.kind = DirectoryOrder::leave;
        order.lobby = account_of(lobby);
        left_at_[lobby] = worker_->order(std::move(order));
    } else if (online() && !worker_ && joined_.empty()) {
        // The last room of an account taken over: its links end now.
        std::printf("online: left the room; online play has ended\n");
        std::fflush(stdout);
        close_links();
    }
}

int NetworkedBackend::get_num_lobby_members(std::uint64_t lobby) {
    auto it = lobbies_.find(lobby);
    return online() && it != lobbies_.end() ? int(it->second.members.size()) : 0;
}

std::uint64_t NetworkedBackend::get_lobby_member_by_index(std::uint64_t lobby, int member) {
    auto it = lobbies_.find(lobby);
    if (!online() || it == lobbies_.end() || member < 0 ||
        std::size_t(member) >= it->second.members.size()) {
        return 0;
    }
    return it->second.members[std::size_t(member)];
}

std::uint64_t NetworkedBackend::get_lobby_owner(std::uint64_t lobby) {
    auto it = lobbies_.find(lobby);
    return online() && it != lobbies_.end() ? it->second.owner : 0;
}

bool NetworkedBackend::set_lobby_data(std::uint64_t lobby, const char* key, const char* value) {
    if (!ordering() || !is_lobby_id(lobby) || key == nullptr || value == nullptr || *key == '\0') {
        return false;
    }
    auto it = lobbies_.find(lobby);
    if (!joined_.count(lobby) || it == lobbies_.end() || it->second.owner != id_) {
        return false;
    }
    it->second.data[key] = value;
    DirectoryOrder order;
    order.kind = DirectoryOrder::set_data;
    order.lobby = account_of(lobby);
    order.key = key;
    order.value = value;
    const std::uint64_t number = worker_->order(std::move(order));
    pending_writes_.push_back({number, lobby, key, value});
    return true;
}

const char* NetworkedBackend::get_lobby_data(std::uint64_t lobby, const char* key) {
    data_answer_.clear();
    auto it = lobbies_.find(lobby);
    if (online() && key && it != lobbies_.end()) {
        auto value = it->second.data.find(key);
        if (value != it->second.data.end()) {
            data_answer_ = value->second;
        }
    }
    return data_answer_.c_str();
}

}  // namespace platform::online
