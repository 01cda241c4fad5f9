// One battler's key history: a fixed chain of 43,200 nodes (12 minutes at 60
// frames per second) from newest to oldest; recording a key recycles the
// oldest node. Links are node indices. Frames are 16-bit and compared modulo
// 2^16, so a match longer than 65,536 frames keeps ordering keys correctly
// within the window. Every walk visits each node at most once.
#pragma once

#include <cstdint>
#include <vector>

namespace Sample {

struct KeyHistoryNode {
    std::uint16_t key = 0;
    std::uint16_t frame = 0;
    std::uint16_t older = 0;  // kNoNode past the oldest
    std::uint16_t newer = 0;  // kNoNode past the newest
};

// True when frame a comes before frame b (modulo 2^16).
inline bool FrameBefore(std::uint16_t a, std::uint16_t b) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(a - b)) < 0;
}

class KeyHistory {
public:
    static constexpr std::uint16_t kNodes = 43200;
    static constexpr std::uint16_t kNoNode = 0xFFFF;

    KeyHistory() : nodes_(kNodes) { Init(); }

    // Chains every node with key 0 and frame 0, node 0 newest.
    void Init();
    // The oldest node becomes the newest with (key, frame).
    void Record(std::uint16_t key, std::uint16_t frame);
    // For a frame older than the newest: the oldest node is placed just newer
    // than the first node (from the newest) whose frame is below `frame`.
    // Nothing when that is the newest node or no node is older.
    void Insert(std::uint16_t key, std::uint16_t frame);
    // A received key: overwrites the node of that frame, or records it as the
    // newest when it is newer, or inserts it.
    void Store(std::uint16_t key, std::uint16_t frame);
    // The node holding `frame`, or null.
    const KeyHistoryNode* Find(std::uint16_t frame) const;
    // The key held for `frame`, or 0.
    std::uint16_t KeyAt(std::uint16_t frame) const;

    std::uint16_t Newest() const { return newest_; }
    std::uint16_t Oldest() const { return oldest_; }
    const KeyHistoryNode& Node(std::uint16_t i) const { return nodes_[i]; }

private:
    std::uint16_t FindIndex(std::uint16_t frame) const;
    void Unlink(std::uint16_t i);

    std::vector<KeyHistoryNode> nodes_;
    std::uint16_t newest_ = 0;
    std::uint16_t oldest_ = 0;
};

}  // namespace Sample
