// What the renderer knows of its render targets' contents, so work that
// cannot change a pixel can be left out: per target, whether its colour is
// still one clear colour (nothing drawn since), and per depth buffer (one can
// be shared by several targets) whether it is still cleared. Knows no OpenGL;
// the renderer reports every clear and draw on a target to it.
#pragma once

#include <cstdint>
#include <vector>

namespace QZW::Win {

class CQzTargetTracker {
public:
    struct ClearNeed {
        bool color;
        bool depth;
    };

    explicit CQzTargetTracker(int targetCount = 0);

    // Every target's contents unknown again (new targets, a lost context).
    void Forget();

    // What a clear of `target` to `rgba` still has to do. `colorKey` names
    // the target's colour attachment and `depthKey` its depth buffer (null:
    // none, so there is no depth to clear).
    ClearNeed NeededClear(int target, const void* colorKey, const void* depthKey,
                          std::uint32_t rgba) const;
    // A clear of `target` done: colour when `color`, depth when `depth` (a
    // clear with depth writes masked off leaves the depth as it was).
    void NoteClear(int target, const void* colorKey, const void* depthKey, std::uint32_t rgba,
                   bool alphaZero, bool color, bool depth);
    // A draw into `target`; it wrote depth when `depthWritten`. `rect`
    // (x0, y0, x1, y1 in the target's pixels, x1 and y1 exclusive) holds
    // every pixel it can have written; null: anywhere.
    void NoteDraw(int target, const void* depthKey, bool depthWritten, const int* rect = nullptr);
    // True when `target` holds one clear colour of alpha 0 and nothing else.
    bool IsBlank(int target, const void* colorKey) const;
    // True when `target` holds nothing but the clear colour `rgba`.
    bool IsClearTo(int target, const void* colorKey, std::uint32_t rgba) const;
    // True when every pixel of `target` outside `out` (x0, y0, x1, y1) still
    // holds a clear colour of alpha 0: the union of what was drawn since
    // that clear (empty when nothing was).
    bool DrawnRect(int target, const void* colorKey, int out[4]) const;

private:
    struct TargetColor {
        bool known = false;
        bool alphaZero = false;
        std::uint32_t rgba = 0;
        const void* key = nullptr;
        // The draws since the last clear stayed inside rect.
        bool bounded = false;
        int rect[4] = {0, 0, 0, 0};
    };
    struct DepthBuffer {
        const void* key;
        bool clear;
    };

    const TargetColor* Color(int target) const;
    DepthBuffer* Depth(const void* key);
    const DepthBuffer* Depth(const void* key) const;

    std::vector<TargetColor> colors;
    std::vector<DepthBuffer> depths;
};

}  // namespace QZW::Win
