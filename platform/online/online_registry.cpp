#include "platform/online/online_registry.h"

#include <algorithm>

namespace platform::online {

void PeerRegistry::pin(const std::set<std::uint64_t>& ids) {
    pinned_ = ids;
}

void PeerRegistry::want(std::uint64_t id, std::uint32_t now) {
    wanted_[id] = now;
    // Bounded like the cache: the oldest reasons are dropped first.
    if (wanted_.size() > kCapacity) {
        auto oldest = std::min_element(wanted_.begin(), wanted_.end(), [&](auto& a, auto& b) {
            return now - a.second > now - b.second;
        });
        wanted_.erase(oldest);
    }
}

bool PeerRegistry::wanted(std::uint64_t id, std::uint32_t now) const {
    if (pinned_.count(id)) {
        return true;
    }
    auto it = wanted_.find(id);
    return it != wanted_.end() && now - it->second < kWantedMs;
}

PeerRegistry::State PeerRegistry::state(std::uint64_t id) const {
    auto it = entries_.find(id);
    return it == entries_.end() ? State::unknown : it->second.state;
}

bool PeerRegistry::may_ask(std::uint64_t id, std::uint32_t now) const {
    auto it = entries_.find(id);
    if (it == entries_.end() || it->second.state == State::unknown) {
        return true;
    }
    const Entry& e = it->second;
    return e.state == State::absent && !e.queued && std::int32_t(e.fetched_ms - e.asked_ms) >= 0 &&
           now - e.fetched_ms >= kStaleMs;
}

bool PeerRegistry::absent_now(std::uint64_t id, std::uint32_t now) const {
    auto it = entries_.find(id);
    if (it == entries_.end()) {
        return false;
    }
    const Entry& e = it->second;
    // An ask handed out after the last answer is still on its way.
    const bool answered_last = std::int32_t(e.fetched_ms - e.asked_ms) >= 0;
    return e.state == State::absent && !e.queued && answered_last && now - e.fetched_ms < kStaleMs;
}

std::optional<Registration> PeerRegistry::find(std::uint64_t id, std::uint32_t now) {
    auto it = entries_.find(id);
    if (it == entries_.end()) {
        return std::nullopt;
    }
    it->second.used_ms = now;
    return it->second.registration;
}

PeerRegistry::Entry* PeerRegistry::slot(std::uint64_t id, std::uint32_t now) {
    auto it = entries_.find(id);
    if (it != entries_.end()) {
        return &it->second;
    }
    if (entries_.size() >= kCapacity) {
        evict(now);
    }
    if (entries_.size() >= kCapacity) {
        return nullptr;
    }
    Entry& e = entries_[id];
    e.used_ms = now;
    return &e;
}

void PeerRegistry::evict(std::uint32_t now) {
    auto victim = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (pinned_.count(it->first) || it->second.queued || it->second.counted ||
            it->second.state == State::asking) {
            continue;
        }
        if (victim == entries_.end() || now - it->second.used_ms > now - victim->second.used_ms) {
            victim = it;
        }
    }
    if (victim != entries_.end()) {
        entries_.erase(victim);
    }
}

bool PeerRegistry::ask(std::uint64_t id, std::uint32_t now) {
    const bool stranger = !wanted(id, now);
    auto it = entries_.find(id);
    if (it != entries_.end() && (it->second.queued || it->second.state == State::asking)) {
        return true;
    }
    if (stranger && (strangers_this_frame_ >= kStrangerLookupsPerFrame ||
                     strangers_asking_ >= kMaxStrangersAsked)) {
        return false;
    }
    Entry* e = slot(id, now);
    if (e == nullptr) {
        return false;
    }
    e->stranger = stranger;
    if (stranger) {
        ++strangers_this_frame_;
        if (!e->counted) {
            e->counted = true;
            ++strangers_asking_;
        }
    }
    e->queued = true;
    if (e->state == State::unknown) {
        e->state = State::asking;
    }
    asked_.push_back(id);
    return true;
}

void PeerRegistry::ask_fresh(std::uint64_t id, std::uint32_t now) {
    auto it = entries_.find(id);
    if (it == entries_.end()) {
        ask(id, now);
        return;
    }
    if (!it->second.queued && now - it->second.asked_ms >= kFreshMinMs &&
        now - it->second.fetched_ms >= kFreshMinMs) {
        ask(id, now);
    }
}

std::vector<std::uint64_t> PeerRegistry::due(std::uint32_t now) {
    // Stale entries in use are refreshed (wanted ones only: a stranger's
    // answer is not kept fresh).
    for (auto& [id, e] : entries_) {
        if (asked_.size() >= std::size_t(kLookupsPerFrame)) {
            break;
        }
        if (!e.queued && e.state != State::asking && now - e.fetched_ms >= kStaleMs &&
            now - e.asked_ms >= kStaleMs && now - e.used_ms < kStaleMs && wanted(id, now)) {
            e.queued = true;
            asked_.push_back(id);
        }
    }
    const std::size_t n = std::min(asked_.size(), std::size_t(kLookupsPerFrame));
    std::vector<std::uint64_t> out(asked_.begin(), asked_.begin() + std::ptrdiff_t(n));
    asked_.erase(asked_.begin(), asked_.begin() + std::ptrdiff_t(n));
    for (std::uint64_t id : out) {
        auto it = entries_.find(id);
        if (it != entries_.end()) {
            it->second.queued = false;
            it->second.asked_ms = now;
            if (it->second.state == State::unknown) {
                it->second.state = State::asking;
            }
        }
    }
    return out;
}

void PeerRegistry::answer(const LookupAnswer& a, std::uint32_t now) {
    auto it = entries_.find(a.id);
    if (it == entries_.end()) {
        return;
    }
    Entry& e = it->second;
    if (e.counted) {
        e.counted = false;
        --strangers_asking_;
    }
    e.fetched_ms = now;
    if (a.answered) {
        e.registration = a.registration;
        e.state = a.registration ? State::known : State::absent;
    } else if (!e.registration) {
        // Not reached, nothing known: absent for now, asked again when used.
        e.state = State::absent;
    } else {
        e.state = State::known;
    }
}

void PeerRegistry::clear() {
    entries_.clear();
    pinned_.clear();
    wanted_.clear();
    asked_.clear();
    strangers_this_frame_ = 0;
    strangers_asking_ = 0;
}

}  // namespace platform::online
