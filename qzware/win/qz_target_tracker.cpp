// Render target contents as far as the renderer knows them (see the header).
#include "qzware/win/qz_target_tracker.h"

#include <algorithm>

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
        c.bounded = true;
        c.rect[0] = c.rect[1] = c.rect[2] = c.rect[3] = 0;
    }
    if (depth) {
        if (DepthBuffer* d = Depth(depthKey)) {
            d->clear = true;
        }
    }
}

void CQzTargetTracker::NoteDraw(int target, const void* depthKey, bool depthWritten,
                                const int* rect) {
    if (target >= 0 && target < static_cast<int>(colors.size())) {
        TargetColor& c = colors[static_cast<std::size_t>(target)];
        c.known = false;
        if (rect == nullptr) {
            c.bounded = false;
        } else if (rect[0] < rect[2] && rect[1] < rect[3]) {
            const bool empty = c.rect[0] >= c.rect[2] || c.rect[1] >= c.rect[3];
            for (int i = 0; i < 2; ++i) {
                c.rect[i] = empty ? rect[i] : std::min(c.rect[i], rect[i]);
                c.rect[i + 2] = empty ? rect[i + 2] : std::max(c.rect[i + 2], rect[i + 2]);
            }
        }
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

bool CQzTargetTracker::DrawnRect(int target, const void* colorKey, int out[4]) const {
    const TargetColor* c = Color(target);
    if (c == nullptr || !c->bounded || !c->alphaZero || c->key != colorKey) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        out[i] = c->rect[i];
    }
    return true;
}

bool CQzTargetTracker::IsClearTo(int target, const void* colorKey, std::uint32_t rgba) const {
    const TargetColor* c = Color(target);
    return c != nullptr && c->known && c->key == colorKey && c->rgba == rgba;
}

}  // namespace QZW::Win
