#include "platform/online/online_datagram.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/online/online_ids.h"

namespace platform::online {
namespace {

constexpr std::uint8_t kTag[4] = {'V', 'K', 'P', '3'};

void put_u32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[i] = std::uint8_t(v >> (8 * i));
    }
}
void put_u64(std::uint8_t* out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        out[i] = std::uint8_t(v >> (8 * i));
    }
}
std::uint32_t get_u32(const std::uint8_t* in) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | in[i];
    }
    return v;
}
std::uint64_t get_u64(const std::uint8_t* in) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | in[i];
    }
    return v;
}

}  // namespace

std::size_t encode_datagram(const DatagramHeader& header, const Recipient& to,
                            const DatagramKey& key, const void* payload, std::uint32_t size,
                            std::uint8_t* out, std::size_t capacity) {
    if (payload == nullptr || size == 0 || size > kMaxPacketSize ||
        capacity < kDatagramHeaderSize + size) {
        return 0;
    }
    std::memcpy(out, kTag, 4);
    put_u64(out + 4, header.sender);
    put_u32(out + 12, header.epoch);
    put_u32(out + 16, header.sequence);
    std::memcpy(out + kDatagramHeaderSize, payload, size);
    const DatagramCode code =
        datagram_code(key, to, out, kDatagramCodeOffset, out + kDatagramHeaderSize, size);
    std::memcpy(out + kDatagramCodeOffset, code.data(), code.size());
    return kDatagramHeaderSize + size;
}

bool decode_datagram(const std::uint8_t* bytes, std::size_t size, DatagramHeader* header,
                     const std::uint8_t** payload, std::uint32_t* payload_size) {
    if (bytes == nullptr || size <= kDatagramHeaderSize || size > kMaxDatagramSize ||
        std::memcmp(bytes, kTag, 4) != 0) {
        return false;
    }
    header->sender = get_u64(bytes + 4);
    header->epoch = get_u32(bytes + 12);
    header->sequence = get_u32(bytes + 16);
    if (!is_valid_id(header->sender) || type_of(header->sender) != kTypeIndividual) {
        return false;
    }
    *payload = bytes + kDatagramHeaderSize;
    *payload_size = std::uint32_t(size - kDatagramHeaderSize);
    return true;
}

bool datagram_code_ok(const std::uint8_t* bytes, std::size_t size, const Recipient& to,
                      const DatagramKey& key) {
    return size > kDatagramHeaderSize &&
           datagram_code_matches(key, to, bytes, kDatagramCodeOffset, bytes + kDatagramHeaderSize,
                                 size - kDatagramHeaderSize, bytes + kDatagramCodeOffset);
}

std::vector<bool> fair_share(const std::vector<Endpoint>& sources, std::size_t budget) {
    std::vector<bool> keep(sources.size(), true);
    if (sources.size() <= budget) {
        return keep;
    }
    // Sources numbered in the order they first sent.
    std::map<std::uint64_t, std::size_t> number;
    std::vector<std::size_t> of(sources.size());
    std::vector<std::size_t> counts;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        auto [it, first] = number.try_emplace(sources[i].key(), counts.size());
        if (first) {
            counts.push_back(0);
        }
        of[i] = it->second;
        ++counts[it->second];
    }
    // Filled from the smallest sender up: each takes what it sent or an even
    // share of what is left, whichever is less.
    std::vector<std::size_t> order(counts.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return counts[a] < counts[b]; });
    std::vector<std::size_t> quota(counts.size(), 0);
    std::size_t left = budget;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t rest = order.size() - k;
        const std::size_t share = left / rest;
        if (counts[order[k]] <= share) {
            quota[order[k]] = counts[order[k]];
            left -= counts[order[k]];
            continue;
        }
        // Every source left sent more than an even share: each gets it, and
        // what does not divide evenly goes to the first to have sent.
        std::vector<std::size_t> over(order.begin() + std::ptrdiff_t(k), order.end());
        std::sort(over.begin(), over.end());
        const std::size_t extra = left - share * rest;
        for (std::size_t i = 0; i < over.size(); ++i) {
            quota[over[i]] = share + (i < extra ? 1 : 0);
        }
        break;
    }
    std::vector<std::size_t> used(counts.size(), 0);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        keep[i] = used[of[i]]++ < quota[of[i]];
    }
    return keep;
}

// [SECTION] Receiving

void DatagramReceiver::set_self(const Recipient& self, const KeyPair& keys) {
    self_ = self;
    pair_keys_.reset(self.id, keys);
}

DatagramReceiver::Source& DatagramReceiver::source(const Endpoint& from) {
    auto it = sources_.find(from.key());
    if (it == sources_.end()) {
        if (sources_.size() >= kMaxSources) {
            // The half seen longest ago is forgotten at once, so that a flood
            // of new sources costs a sort now and then, not a search each.
            std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
            seen.reserve(sources_.size());
            for (const auto& [key, s] : sources_) {
                seen.emplace_back(s.seen, key);
            }
            std::nth_element(seen.begin(), seen.begin() + std::ptrdiff_t(seen.size() / 2),
                             seen.end());
            for (std::size_t i = 0; i < seen.size() / 2; ++i) {
                sources_.erase(seen[i].second);
            }
        }
        it = sources_.try_emplace(from.key()).first;
    }
    it->second.seen = arrivals_;
    return it->second;
}

void DatagramReceiver::failed(const Endpoint& from) {
    ++source(from).failed;
}

std::uint64_t DatagramReceiver::failures(const Endpoint& from) const {
    auto it = sources_.find(from.key());
    return it == sources_.end() ? 0 : it->second.failed;
}

std::size_t DatagramReceiver::held_from(const Endpoint& from) const {
    auto it = held_per_source_.find(from.key());
    return it == held_per_source_.end() ? 0 : it->second;
}

void DatagramReceiver::drop_held(std::deque<Held>::iterator it) {
    auto count = held_per_source_.find(it->from.key());
    if (count != held_per_source_.end() && --count->second == 0) {
        held_per_source_.erase(count);
    }
    held_.erase(it);
}

void DatagramReceiver::hold(const Endpoint& from, std::uint64_t sender, const std::uint8_t* bytes,
                            std::size_t size) {
    // A source at its cap gives up its own oldest; a full queue takes one
    // from the source holding the most (the one with more failures first).
    std::optional<std::uint64_t> victim;
    if (held_from(from) >= kMaxHeldPerSource) {
        victim = from.key();
    } else if (held_.size() >= kMaxHeld) {
        // Among equals, the one that sent last: a source that waits with
        // one old datagram is not pushed out by many new ones.
        std::size_t most = 0;
        Source worst;
        for (const auto& [key, count] : held_per_source_) {
            auto it = sources_.find(key);
            const Source s = it == sources_.end() ? Source{} : it->second;
            if (!victim || count > most ||
                (count == most &&
                 (s.failed > worst.failed || (s.failed == worst.failed && s.seen > worst.seen)))) {
                victim = key;
                most = count;
                worst = s;
            }
        }
    }
    if (victim) {
        for (auto it = held_.begin(); it != held_.end(); ++it) {
            if (it->from.key() == *victim) {
                ++drops_.unknown;
                drop_held(it);
                break;
            }
        }
    }
    source(from);
    held_.push_back({from, sender, std::vector<std::uint8_t>(bytes, bytes + size), 0});
    ++held_per_source_[from.key()];
}

bool DatagramReceiver::take(const Endpoint& from, const std::uint8_t* bytes, std::size_t size,
                            PacketInbox& inbox, CallbackRouter& router) {
    ++arrivals_;
    DatagramHeader header;
    const std::uint8_t* payload = nullptr;
    std::uint32_t payload_size = 0;
    if (!decode_datagram(bytes, size, &header, &payload, &payload_size)) {
        ++drops_.malformed;
        failed(from);
        return false;
    }
    const std::optional<Registration> reg = known_(header.sender);
    if (!reg) {
        if (absent(header.sender)) {
            ++drops_.unknown;
            failed(from);
        } else {
            hold(from, header.sender, bytes, size);
        }
        return false;
    }
    return check(from, bytes, size, header, *reg, payload, payload_size, inbox, router);
}

void DatagramReceiver::take_frame(const std::vector<Arrival>& arrivals, const std::uint8_t* arena,
                                  std::size_t budget, PacketInbox& inbox, CallbackRouter& router) {
    std::vector<Endpoint> sources;
    sources.reserve(arrivals.size());
    for (const Arrival& a : arrivals) {
        sources.push_back(a.from);
    }
    const std::vector<bool> keep = fair_share(sources, budget);
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        if (keep[i]) {
            take(arrivals[i].from, arena + arrivals[i].offset, arrivals[i].size, inbox, router);
        } else {
            ++drops_.over_share;
        }
    }
}

void DatagramReceiver::retry_held(PacketInbox& inbox, CallbackRouter& router) {
    for (auto it = held_.begin(); it != held_.end();) {
        const std::optional<Registration> reg = known_(it->sender);
        if (reg) {
            DatagramHeader header;
            const std::uint8_t* payload = nullptr;
            std::uint32_t payload_size = 0;
            decode_datagram(it->bytes.data(), it->bytes.size(), &header, &payload, &payload_size);
            check(it->from, it->bytes.data(), it->bytes.size(), header, *reg, payload, payload_size,
                  inbox, router);
        } else if (absent(it->sender)) {
            ++drops_.unknown;
            failed(it->from);
        } else if (++it->retries >= kHeldRetries) {
            ++drops_.unknown;
        } else {
            ++it;
            continue;
        }
        const std::size_t at = std::size_t(it - held_.begin());
        drop_held(it);
        it = held_.begin() + std::ptrdiff_t(at);
    }
}

std::optional<std::uint64_t> DatagramReceiver::wanted(
    const std::function<bool(std::uint64_t sender)>& skip) const {
    std::optional<std::uint64_t> best;
    std::uint64_t best_failed = 0;
    for (const Held& h : held_) {
        if (skip(h.sender)) {
            continue;
        }
        const std::uint64_t f = failures(h.from);
        if (!best || f < best_failed) {
            best = h.sender;
            best_failed = f;
        }
    }
    return best;
}

bool DatagramReceiver::check(const Endpoint& from, const std::uint8_t* bytes, std::size_t size,
                             const DatagramHeader& header, const Registration& reg,
                             const std::uint8_t* payload, std::uint32_t payload_size,
                             PacketInbox& inbox, CallbackRouter& router) {
    // The code first: nothing else of a forged datagram is looked at. The
    // pair's keys are derived once per session of the sender.
    const PairKeys* keys = pair_keys_.find(header.sender, reg.epoch, reg.key);
    if (keys == nullptr || !datagram_code_ok(bytes, size, self_, keys->rx)) {
        ++drops_.code;
        failed(from);
        return false;
    }
    if (reg.endpoint != from || reg.epoch != header.epoch) {
        ++drops_.source;
        failed(from);
        return false;
    }
    Window& w = windows_[header.sender];
    if (w.epoch != header.epoch) {
        w.epoch = header.epoch;  // the sender's new session starts its numbers afresh
        w.window.reset();
    }
    switch (w.window.take(header.sequence)) {
        case ReplayWindow::Verdict::fresh:
            break;
        case ReplayWindow::Verdict::replayed:
            ++drops_.replayed;
            return false;
        case ReplayWindow::Verdict::late:
        case ReplayWindow::Verdict::too_old:
            ++drops_.stale;
            return false;
    }
    inbox.arrive(header.sender, payload, payload_size, router);
    return true;
}

}  // namespace platform::online
