// Render target contents as far as the renderer knows them (see the header).
#include "qzware/win/qz_target_tracker.h"

namespace QZW::Win {

CQzTargetTracker::CQzTargetTracker(int targetCount)
    : colors(static_cast<std::size_t>(targetCount > 0 ? targetCount : 0)) {}

void CQzTargetTracker::Forget() {
    for (TargetColor& c : colors) {
        c = TargetColor();
    }
    depths.clear();
}

const CQzTargetTracker::TargetColor* CQzTargetTracker::Color(int target) const {
    if (target < 0 || target >= static_cast<int>(colors.size())) {
        return nullptr;
    }
    return &colors[static_cast<std::size_t>(target)];
}

CQzTargetTracker::DepthBuffer* CQzTargetTracker::Depth(const void* key) {
    if (key == nullptr) {
        return nullptr;
    }
    for (DepthBuffer& d : depths) {
        if (d.key == key) {
            return &d;
        }
    }
    // First seen: its contents are not known.
    depths.push_back({key, false});
    return &depths.back();
}

const CQzTargetTracker::DepthBuffer* CQzTargetTracker::Depth(const void* key) const {
    for (const DepthBuffer& d : depths) {
        if (d.key == key) {
            return &d;
        }
    }
    return nullptr;
}

CQzTargetTracker::ClearNeed CQzTargetTracker::NeededClear(int target, const void* colorKey,
                                                          const void* depthKey,
                                                          std::uint32_t rgba) const {
    const TargetColor* c = Color(target);
    ClearNeed need{true, depthKey != nullptr};
    if (c != nullptr && c->known && c->key == colorKey && c->rgba == rgba) {
        need.color = false;
    }
    if (depthKey != nullptr) {
        const DepthBuffer* d = Depth(depthKey);
        need.depth = d == nullptr || !d->clear;
    }
    return need;
}

void CQzTargetTracker::NoteClear(int target, const void* colorKey, const void* depthKey,
                                 std::uint32_t rgba, bool alphaZero, bool color, bool depth) {
    if (color && target >= 0 && target < static_cast<int>(colors.size())) {
        TargetColor& c = colors[static_cast<std::size_t>(target)];
        c.known = true;
        c.alphaZero = alphaZero;
        c.rgba = rgba;
        c.key = colorKey;
    }
    if (depth) {
        if (DepthBuffer* d = Depth(depthKey)) {
            d->clear = true;
        }
    }
}

void CQzTargetTracker::NoteDraw(int target, const void* depthKey, bool depthWritten) {
    if (target >= 0 && target < static_cast<int>(colors.size())) {
        colors[static_cast<std::size_t>(target)].known = false;
    }
    if (depthWritten) {
        if (DepthBuffer* d = Depth(depthKey)) {
            d->clear = false;
        }
    }
}

bool CQzTargetTracker::IsBlank(int target, const void* colorKey) const {
    const TargetColor* c = Color(target);
    return c != nullptr && c->known && c->alphaZero && c->key == colorKey;
}

bool CQzTargetTracker::IsClearTo(int target, const void* colorKey, std::uint32_t rgba) const {
    const TargetColor* c = Color(target);
    return c != nullptr && c->known && c->key == colorKey && c->rgba == rgba;
}

}  // namespace QZW::Win
