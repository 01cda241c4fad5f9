#include "platform/online/online_loopback.h"

#include <algorithm>

namespace platform::online {

// [SECTION] Member: start, identity, callbacks

LoopbackMember::LoopbackMember(LoopbackWorld& world, std::uint32_t account, std::string name)
    : world_(world), id_(individual_id(account)), name_(std::move(name)) {
    if (name_.empty()) {
        name_ = "Player" + std::to_string(account);
    }
}

bool LoopbackMember::init() {
    if (init_fails_ || crashed_) {
        return false;
    }
    if (!started_) {
        started_ = true;
        post(ServersConnected{});
    }
    return true;
}

void LoopbackMember::shutdown() {
    started_ = false;
    in_flight_.clear();
    inbox_.clear();
    router_.clear();
}

void LoopbackMember::run_callbacks() {
    if (!active()) {
        return;
    }
    // Packets whose delay has run out become readable in the order sent.
    std::vector<InFlight> waiting;
    for (InFlight& packet : in_flight_) {
        if (packet.frames_left == 0) {
            inbox_.arrive(packet.sender, packet.bytes.data(), std::uint32_t(packet.bytes.size()),
                          router_);
        } else {
            packet.frames_left -= 1;
            waiting.push_back(std::move(packet));
        }
    }
    in_flight_.swap(waiting);
    router_.dispatch();
}

// [SECTION] Member: peer-to-peer

bool LoopbackMember::send_p2p_packet(std::uint64_t to, const void* data, std::uint32_t size,
                                     int send_type, int channel) {
    if (!active() || !is_valid_id(to) || data == nullptr || size == 0 || size > kMaxPacketSize ||
        (send_type != 0 && send_type != 1) || channel != 0) {
        return false;
    }
    inbox_.accept(to);
    world_.deliver(*this, to, data, size);
    return true;
}

bool LoopbackMember::is_p2p_packet_available(std::uint32_t* size, int channel) {
    return active() && channel == 0 && inbox_.available(size);
}

bool LoopbackMember::read_p2p_packet(void* buffer, std::uint32_t capacity,
                                     std::uint32_t* bytes_read, std::uint64_t* sender,
                                     int channel) {
    return active() && channel == 0 && inbox_.read(buffer, capacity, bytes_read, sender);
}

bool LoopbackMember::accept_p2p_session(std::uint64_t remote) {
    if (!active()) {
        return false;
    }
    inbox_.accept(remote);
    return true;
}

bool LoopbackMember::close_p2p_session(std::uint64_t remote) {
    if (!active()) {
        return false;
    }
    inbox_.close(remote);
    failed_to_.erase(remote);
    return true;
}

// [SECTION] Member: lobbies

CallHandle LoopbackMember::create_lobby(int lobby_type, int max_members) {
    if (!active()) {
        return 0;
    }
    const CallHandle call = router_.new_call();
    if (max_members < 1 || max_members > 250) {
        router_.post_result(call, LobbyCreated{kResultFail, 0});
        return call;
    }
    const std::uint64_t id = lobby_id(world_.next_lobby_++);
    LoopbackWorld::Lobby& lobby = world_.lobbies_[id];
    lobby.owner = id_;
    lobby.max_members = max_members;
    lobby.members.push_back(id_);
    router_.post_result(call, LobbyCreated{kResultOk, id});
    return call;
}

void LoopbackMember::add_lobby_list_string_filter(const char* key, const char* value,
                                                  LobbyComparison comparison) {
    if (key && value) {
        filters_.push_back({key, value, comparison});
    }
}

CallHandle LoopbackMember::request_lobby_list() {
    if (!active()) {
        return 0;
    }
    const CallHandle call = router_.new_call();
    last_list_.clear();
    for (const auto& [id, lobby] : world_.lobbies_) {
        if (int(lobby.members.size()) >= lobby.max_members) {
            continue;
        }
        bool match = true;
        for (const Filter& filter : filters_) {
            auto it = lobby.data.find(filter.key);
            const std::string& have = it == lobby.data.end() ? std::string() : it->second;
            const bool equal = have == filter.value;
            match = match && (filter.comparison == LobbyComparison::equal ? equal : !equal);
        }
        if (match) {
            last_list_.push_back(id);
        }
    }
    filters_.clear();
    router_.post_result(call, LobbyMatchList{std::uint32_t(last_list_.size())});
    return call;
}

std::uint64_t LoopbackMember::get_lobby_by_index(int index) {
    return index >= 0 && std::size_t(index) < last_list_.size() ? last_list_[std::size_t(index)]
                                                                : 0;
}

CallHandle LoopbackMember::join_lobby(std::uint64_t id) {
    if (!active()) {
        return 0;
    }
    const CallHandle call = router_.new_call();
    LobbyEnter result;
    result.lobby = id;
    LoopbackWorld::Lobby* lobby = world_.lobby(id);
    if (lobby == nullptr) {
        result.response = kEnterDoesNotExist;
    } else if (std::find(lobby->members.begin(), lobby->members.end(), id_) !=
               lobby->members.end()) {
        result.response = kEnterSuccess;
    } else if (int(lobby->members.size()) >= lobby->max_members) {
        result.response = kEnterFull;
    } else {
        lobby->members.push_back(id_);
        world_.notify_members(*lobby, id, id_);
        result.response = kEnterSuccess;
    }
    router_.post_result(call, result);
    return call;
}

void LoopbackMember::leave_lobby(std::uint64_t id) {
    if (active()) {
        world_.remove_member(id, id_);
    }
}

int LoopbackMember::get_num_lobby_members(std::uint64_t id) {
    const LoopbackWorld::Lobby* lobby = active() ? world_.lobby(id) : nullptr;
    return lobby ? int(lobby->members.size()) : 0;
}

std::uint64_t LoopbackMember::get_lobby_member_by_index(std::uint64_t id, int member) {
    const LoopbackWorld::Lobby* lobby = active() ? world_.lobby(id) : nullptr;
    if (lobby == nullptr || member < 0 || std::size_t(member) >= lobby->members.size()) {
        return 0;
    }
    return lobby->members[std::size_t(member)];
}

std::uint64_t LoopbackMember::get_lobby_owner(std::uint64_t id) {
    const LoopbackWorld::Lobby* lobby = active() ? world_.lobby(id) : nullptr;
    return lobby ? lobby->owner : 0;
}

bool LoopbackMember::set_lobby_data(std::uint64_t id, const char* key, const char* value) {
    LoopbackWorld::Lobby* lobby = active() ? world_.lobby(id) : nullptr;
    if (lobby == nullptr || lobby->owner != id_ || key == nullptr || value == nullptr ||
        *key == '\0') {
        return false;
    }
    lobby->data[key] = value;
    world_.notify_members(*lobby, id, id);
    return true;
}

const char* LoopbackMember::get_lobby_data(std::uint64_t id, const char* key) {
    const LoopbackWorld::Lobby* lobby = active() ? world_.lobby(id) : nullptr;
    data_answer_.clear();
    if (lobby && key) {
        auto it = lobby->data.find(key);
        if (it != lobby->data.end()) {
            data_answer_ = it->second;
        }
    }
    return data_answer_.c_str();
}

// [SECTION] World

LoopbackWorld::LoopbackWorld(std::uint64_t seed) : seed_(seed), state_(seed) {}
LoopbackWorld::~LoopbackWorld() = default;

LoopbackMember& LoopbackWorld::add_member(std::uint32_t account, std::string name) {
    members_.push_back(std::make_unique<LoopbackMember>(*this, account, std::move(name)));
    members_.back()->achievements().set_names(achievement_names_);
    return *members_.back();
}

LoopbackMember* LoopbackWorld::find(std::uint64_t id) {
    for (auto& member : members_) {
        if (member->id_ == id) {
            return member.get();
        }
    }
    return nullptr;
}

void LoopbackWorld::set_achievement_names(std::vector<std::string> names) {
    achievement_names_ = std::move(names);
    for (auto& member : members_) {
        member->achievements().set_names(achievement_names_);
    }
}

// splitmix64: the same seed gives the same faults on every machine.
std::uint64_t LoopbackWorld::next_random() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

double LoopbackWorld::roll() {
    return double(next_random() >> 11) * (1.0 / 9007199254740992.0);
}

void LoopbackWorld::deliver(LoopbackMember& from, std::uint64_t to, const void* data,
                            std::uint32_t size) {
    LoopbackMember* target = find(to);
    if (target == nullptr || target->crashed_ || !target->started_) {
        // Nobody answers: a crashed member times out (4), one that never
        // logged on is reported as such (3); once per session.
        if (!from.failed_to_[to]) {
            from.failed_to_[to] = true;
            const bool timed_out = target != nullptr && target->crashed_;
            from.post(P2PSessionConnectFail{to, std::uint8_t(timed_out ? 4 : 3)});
        }
        return;
    }
    auto it = link_faults_.find({from.id_, to});
    const LinkFaults& faults = it == link_faults_.end() ? default_faults_ : it->second;
    if (faults.loss > 0.0 && roll() < faults.loss) {
        return;
    }
    const int copies = (faults.duplicate > 0.0 && roll() < faults.duplicate) ? 2 : 1;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (int i = 0; i < copies; ++i) {
        std::uint32_t delay = faults.delay_min;
        if (faults.delay_max > faults.delay_min) {
            delay += std::uint32_t(next_random() % (faults.delay_max - faults.delay_min + 1));
        }
        target->in_flight_.push_back(
            {delay, from.id_, std::vector<std::uint8_t>(bytes, bytes + size)});
    }
}

LoopbackWorld::Lobby* LoopbackWorld::lobby(std::uint64_t id) {
    auto it = lobbies_.find(id);
    return it == lobbies_.end() ? nullptr : &it->second;
}

void LoopbackWorld::notify_members(const Lobby& lobby, std::uint64_t lobby_id,
                                   std::uint64_t changed) {
    for (std::uint64_t member : lobby.members) {
        if (LoopbackMember* m = find(member); m && m->active()) {
            m->post(LobbyDataUpdate{lobby_id, changed, true});
        }
    }
}

void LoopbackWorld::remove_member(std::uint64_t lobby_id, std::uint64_t member) {
    Lobby* l = lobby(lobby_id);
    if (l == nullptr) {
        return;
    }
    auto it = std::find(l->members.begin(), l->members.end(), member);
    if (it == l->members.end()) {
        return;
    }
    l->members.erase(it);
    if (l->members.empty()) {
        lobbies_.erase(lobby_id);
        return;
    }
    const bool migrated = l->owner == member;
    if (migrated) {
        l->owner = l->members.front();
    }
    notify_members(*l, lobby_id, member);
    if (migrated) {
        notify_members(*l, lobby_id, lobby_id);
    }
}

void LoopbackWorld::crash(LoopbackMember& member) {
    member.crashed_ = true;
    member.in_flight_.clear();
    member.inbox_.clear();
    std::vector<std::uint64_t> joined;
    for (const auto& [id, lobby] : lobbies_) {
        if (std::find(lobby.members.begin(), lobby.members.end(), member.id_) !=
            lobby.members.end()) {
            joined.push_back(id);
        }
    }
    for (std::uint64_t id : joined) {
        remove_member(id, member.id_);
    }
}

}  // namespace platform::online
