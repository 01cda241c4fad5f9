// Key history chain: record, insert, store and lookup.
#include "proj/network/key_history.h"

namespace Sample {

void KeyHistory::Init() {
    for (std::uint32_t i = 0; i < kNodes; ++i) {
        KeyHistoryNode& n = nodes_[i];
        n.key = 0;
        n.frame = 0;
        n.newer = i == 0 ? kNoNode : static_cast<std::uint16_t>(i - 1);
        n.older = i + 1 == kNodes ? kNoNode : static_cast<std::uint16_t>(i + 1);
    }
    newest_ = 0;
    oldest_ = kNodes - 1;
}

void KeyHistory::Unlink(std::uint16_t i) {
    KeyHistoryNode& n = nodes_[i];
    if (n.newer != kNoNode) {
        nodes_[n.newer].older = n.older;
    } else {
        newest_ = n.older;
    }
    if (n.older != kNoNode) {
        nodes_[n.older].newer = n.newer;
    } else {
        oldest_ = n.newer;
    }
    n.newer = n.older = kNoNode;
}

void KeyHistory::Record(std::uint16_t key, std::uint16_t frame) {
    const std::uint16_t i = oldest_;
    Unlink(i);
    KeyHistoryNode& n = nodes_[i];
    n.key = key;
    n.frame = frame;
    n.older = newest_;
    nodes_[newest_].newer = i;
    newest_ = i;
}

void KeyHistory::Insert(std::uint16_t key, std::uint16_t frame) {
    std::uint16_t at = newest_;
    for (std::uint32_t steps = 0; at != kNoNode && steps < kNodes; ++steps) {
        if (FrameBefore(nodes_[at].frame, frame)) {
            break;
        }
        at = nodes_[at].older;
    }
    if (at == kNoNode || at == newest_ || !FrameBefore(nodes_[at].frame, frame)) {
        return;
    }
    if (at == oldest_) {
        // Recycling the oldest node to sit just newer than itself would link
        // it to itself; in place it already holds that position.
        nodes_[at].key = key;
        nodes_[at].frame = frame;
        return;
    }
    const std::uint16_t i = oldest_;
    Unlink(i);
    KeyHistoryNode& n = nodes_[i];
    KeyHistoryNode& older = nodes_[at];
    n.key = key;
    n.frame = frame;
    n.older = at;
    n.newer = older.newer;  // never kNoNode: `at` is not the newest
    nodes_[older.newer].older = i;
    older.newer = i;
}

std::uint16_t KeyHistory::FindIndex(std::uint16_t frame) const {
    std::uint16_t at = newest_;
    for (std::uint32_t steps = 0; at != kNoNode && steps < kNodes; ++steps) {
        const KeyHistoryNode& n = nodes_[at];
        if (n.frame == frame) {
            return at;
        }
        if (FrameBefore(n.frame, frame)) {
            break;  // the chain only grows older from here
        }
        at = n.older;
    }
    return kNoNode;
}

void KeyHistory::Store(std::uint16_t key, std::uint16_t frame) {
    const std::uint16_t i = FindIndex(frame);
    if (i != kNoNode) {
        nodes_[i].key = key;
    } else if (FrameBefore(nodes_[newest_].frame, frame)) {
        Record(key, frame);
    } else {
        Insert(key, frame);
    }
}

const KeyHistoryNode* KeyHistory::Find(std::uint16_t frame) const {
    const std::uint16_t i = FindIndex(frame);
    return i == kNoNode ? nullptr : &nodes_[i];
}

std::uint16_t KeyHistory::KeyAt(std::uint16_t frame) const {
    const KeyHistoryNode* n = Find(frame);
    return n ? n->key : 0;
}

}  // namespace Sample
