// The networked backend's bounded cache of other members' registrations
// (endpoint and session), filled by the directory worker. Game thread only.
// Ids have a priority: members of this member's own lobbies (pinned, never
// forgotten while they are members), ids it has a reason to hear from (it
// sent to them, or lists them as hosts: wanted for a while), and strangers.
// Lookups are handed out at most a fixed number a frame, wanted ones first;
// strangers get a small share of their own, so a flood of unknown ids costs
// a few lookups a frame and nothing else. The cache holds at most kCapacity
// ids and forgets the least recently used unpinned one first. An answer
// that did not reach the directory keeps what was known: a member's
// endpoint stays usable while the directory is down.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/online/online_datagram.h"
#include "platform/online/online_directory.h"

namespace platform::online {

class PeerRegistry {
public:
    static constexpr std::size_t kCapacity = 1024;
    static constexpr int kLookupsPerFrame = 16;
    static constexpr int kStrangerLookupsPerFrame = 1;
    static constexpr std::uint32_t kStaleMs = 1000;
    static constexpr std::uint32_t kFreshMinMs = 100;
    static constexpr std::uint32_t kWantedMs = 30000;
    // Strangers waiting for an answer at most (the rest are not looked up).
    static constexpr std::size_t kMaxStrangersAsked = 32;

    enum class State { unknown, asking, known, absent };

    // Members of own lobbies: pinned until the next call.
    void pin(const std::set<std::uint64_t>& ids);
    // An id this member has a reason to hear from, for kWantedMs.
    void want(std::uint64_t id, std::uint32_t now);
    bool wanted(std::uint64_t id, std::uint32_t now) const;

    State state(std::uint64_t id) const;
    // Whether a lookup of `id` could be asked for now: never asked, or said
    // absent longer than kStaleMs ago (it may have come since).
    bool may_ask(std::uint64_t id, std::uint32_t now) const;
    // Whether the directory's last answer, within kStaleMs, said `id` has no
    // presence, and no newer lookup is under way.
    bool absent_now(std::uint64_t id, std::uint32_t now) const;
    // The cached registration (also while a refresh is under way).
    std::optional<Registration> find(std::uint64_t id, std::uint32_t now);
    // Asks for a lookup of `id` (a stranger only while the budget lasts);
    // false when it was refused.
    bool ask(std::uint64_t id, std::uint32_t now);
    // Asks again past the cache (a sender may have restarted or moved): at
    // most once each kFreshMinMs.
    void ask_fresh(std::uint64_t id, std::uint32_t now);
    // Ids to hand to the worker this frame: asked ones, then used stale
    // ones; at most kLookupsPerFrame.
    std::vector<std::uint64_t> due(std::uint32_t now);
    void answer(const LookupAnswer& answer, std::uint32_t now);
    void new_frame() { strangers_this_frame_ = 0; }
    void clear();
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        std::optional<Registration> registration;
        State state = State::unknown;
        bool queued = false;  // in asked_, not yet handed out
        bool stranger = true;
        bool counted = false;  // in strangers_asking_
        std::uint32_t fetched_ms = 0;
        std::uint32_t asked_ms = 0;
        std::uint32_t used_ms = 0;
    };
    Entry* slot(std::uint64_t id, std::uint32_t now);
    void evict(std::uint32_t now);

    std::map<std::uint64_t, Entry> entries_;
    std::set<std::uint64_t> pinned_;
    std::map<std::uint64_t, std::uint32_t> wanted_;  // id -> wanted since
    std::vector<std::uint64_t> asked_;
    int strangers_this_frame_ = 0;
    std::size_t strangers_asking_ = 0;
};

}  // namespace platform::online
