#include "platform/online/online_redis.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    const std::string account = env_or("QZ_ONLINE_ACCOUNT", "1");
    char* end = nullptr;
    const unsigned long long number = std::strtoull(account.c_str(), &end, 10);
    config.account =
        (*end == '\0' && number >= 1 && number <= 0xffffffffull) ? std::uint32_t(number) : 1;
    config.name = env_or("QZ_ONLINE_NAME", env_or("USER", "Player").c_str());
    const std::string bind = env_or("QZ_ONLINE_BIND", "127.0.0.1:0");
    if (!split_host_port(bind, &config.bind_host, &config.bind_port)) {
        config.bind_host = bind;
        config.bind_port = 0;
    }
    config.language = env_or("QZ_ONLINE_LANGUAGE", "english");
    config.achievements = split_list(env_or("QZ_ONLINE_ACHIEVEMENTS", ""));
    return config;
}

// [SECTION] Start and the per-frame step

NetworkedBackend::NetworkedBackend(NetworkConfig config) : config_(std::move(config)) {
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
    if (!offline()) {
        std::printf("online: lobby directory support is not in this build\n");
        return false;
    }
    if (!offline_logged_) {
        offline_logged_ = true;
        std::printf("online: no lobby directory configured (QZ_ONLINE_DIRECTORY); offline\n");
    }
    started_ = true;
    return true;
}

void NetworkedBackend::shutdown() {
    started_ = false;
    inbox_.clear();
    router_.clear();
    joined_.clear();
}

void NetworkedBackend::run_callbacks() {
    if (!started_) {
        return;
    }
    router_.dispatch();
}

// [SECTION] Peer-to-peer

bool NetworkedBackend::send_p2p_packet(std::uint64_t to, const void* data, std::uint32_t size,
                                       int send_type, int channel) {
    if (!started_ || offline() || !is_valid_id(to) || data == nullptr || size == 0 ||
        size > kMaxPacketSize || (send_type != 0 && send_type != 1) || channel != 0) {
        return false;
    }
    return false;
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

CallHandle NetworkedBackend::create_lobby(int, int) {
    if (!started_) {
        return 0;
    }
    const CallHandle call = router_.new_call();
    router_.post_result(call, LobbyCreated{kResultNoConnection, 0});
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
    filters_.clear();
    last_list_.clear();
    router_.post_result(call, LobbyMatchList{0});
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
    result.response = kEnterError;
    router_.post_result(call, result);
    return call;
}

void NetworkedBackend::leave_lobby(std::uint64_t lobby) {
    joined_.erase(lobby);
}

int NetworkedBackend::get_num_lobby_members(std::uint64_t) {
    return 0;
}

std::uint64_t NetworkedBackend::get_lobby_member_by_index(std::uint64_t, int) {
    return 0;
}

std::uint64_t NetworkedBackend::get_lobby_owner(std::uint64_t) {
    return 0;
}

bool NetworkedBackend::set_lobby_data(std::uint64_t, const char*, const char*) {
    return false;
}

const char* NetworkedBackend::get_lobby_data(std::uint64_t, const char*) {
    data_answer_.clear();
    return data_answer_.c_str();
}

}  // namespace platform::online
