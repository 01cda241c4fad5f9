// QZW::Win::CQzMoviePlayer: a scene node that shows the decoder's latest
// frame on a sprite. Each frame while playing it turns the frame into a new
// texture (the last one is deleted), flips it upright and queues itself on
// its draw layer. Opening does not wait for the decoder: the player counts
// as playing while its movie opens, and Update finishes the open on a later
// frame (or reports why it failed, once). Elapsed time comes from platform::clock, so it is
// monotonic and testable. Game thread only.
#pragma once

#include <cstdint>
#include <string>

#include "qzware/scene/qz_node.h"

namespace vho {
class DirectShow;
}

namespace QZW {
class CQzSprite;
class IQzTexture;
}  // namespace QZW

namespace QZW::Win {

class CQzMoviePlayer : public CQzNode {
public:
    static constexpr std::int32_t kLayerCount = 23;

    // A texture of width x height from bottom-up 24-bit BGR rows padded to
    // 4 bytes; null on failure.
    using TextureMaker = IQzTexture* (*)(const void* pixels, std::int32_t width,
                                         std::int32_t height);
    // The node list of draw layer `layer` (0..22), or null when there is none.
    using LayerList = CQzNode* (*)(std::int32_t layer);

    explicit CQzMoviePlayer(vho::DirectShow* decoder);
    // Close.
    ~CQzMoviePlayer() override;

    // Starts opening `path` on the decoder; once it is open, the movie shows
    // on a w x h sprite at (x, y) tinted by brightness. False (nothing shown,
    // the failure reported) when the layer is outside 0..22, the size is not
    // positive or the open fails at once.
    bool Open(const char* path, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
              bool loop, std::int32_t layer, std::uint8_t brightness);
    void Update();
    void Draw(IQzGraphics* g) override;
    void PostDraw(IQzGraphics* g) override;
    // Leaves the draw layer and deletes the sprite and its texture.
    void Close();

    // A movie still opening counts as playing unless it was stopped.
    bool IsPlaying() const { return playing != 0 || (openPending && playWhenOpen); }
    bool IsOpening() const { return openPending != 0; }
    // Only a player whose movie opened, or is opening, can play again.
    void SetPlaying(bool on) {
        playing = (on && opened) ? 1 : 0;
        playWhenOpen = on;
    }

    // The renderer's texture creation; tests put a fake in. Null restores it.
    static void SetTextureMaker(TextureMaker maker);
    // Set by the game's draw task while it exists.
    static void SetLayerList(LayerList list);

    vho::DirectShow* decoder = nullptr;
    CQzSprite* sprite = nullptr;
    std::uint8_t playing = 0;
    std::uint32_t startTime = 0;  // platform::clock milliseconds
    std::uint8_t loop = 0;
    std::uint8_t opened = 0;
    std::int32_t drawLayer = 13;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t colour = 0xFFFFFFFFu;

    std::uint8_t openPending = 0;
    std::int32_t pendingLayer = 13;
    bool playWhenOpen = true;
    std::string path;

private:
    void FinishOpen();
    void ReportFailure();
    void DeleteFrameTexture();
    void LeaveLayer();
};

}  // namespace QZW::Win
