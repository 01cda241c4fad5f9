// What the movie player and manager tests share: a scripted movie backend
// and a manual clock in force, textures that remember the pixels they were
// made from, and 23 plain node lists standing in for the draw layers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/clock/clock_null.h"
#include "platform/movie/movie_null.h"
#include "qzware/scene/qz_node.h"
#include "qzware/win/qz_movie_player.h"
#include "tests/support/sized_texture.h"

namespace movie_test {

// A texture that keeps a copy of its bottom-up, 4-byte-padded rows.
class FrameTexture : public qz_test_support::SizedTexture {
public:
    FrameTexture(const void* pixels, std::int32_t w, std::int32_t h)
        : SizedTexture(w, h, ""),
          bytes(static_cast<const std::uint8_t*>(pixels),
                static_cast<const std::uint8_t*>(pixels) + ((w * 3 + 3) & ~3) * h) {
        ++live;
        ++made;
    }
    ~FrameTexture() override { --live; }
    std::vector<std::uint8_t> bytes;
    static inline int live = 0;
    static inline int made = 0;
};

inline QZW::CQzNode g_layers[QZW::Win::CQzMoviePlayer::kLayerCount];

inline QZW::IQzTexture* MakeFrameTexture(const void* pixels, std::int32_t w, std::int32_t h) {
    return new FrameTexture(pixels, w, h);
}
inline QZW::CQzNode* LayerList(std::int32_t layer) {
    return &g_layers[layer];
}

// One BGR frame, rows top-down with 4-byte padding: the top half red, the
// bottom half blue, pixel (0, 0) carrying `mark` in its green byte.
struct TestFrame {
    TestFrame(std::int32_t w, std::int32_t h, std::uint8_t mark = 0)
        : stride(std::uint32_t(w * 3 + 3) & ~3u), pixels(stride * h, 0xEE) {
        for (std::int32_t y = 0; y < h; ++y) {
            for (std::int32_t x = 0; x < w; ++x) {
                std::uint8_t* p = &pixels[y * stride + x * 3];
                const bool top = y < h / 2;
                p[0] = top ? 0 : 255;
                p[1] = 0;
                p[2] = top ? 255 : 0;
            }
        }
        pixels[1] = mark;
        frame = {pixels.data(), w, h, stride};
    }
    std::uint32_t stride;
    std::vector<std::uint8_t> pixels;
    platform::movie::Frame frame;
};

class MovieTest {
public:
    MovieTest() : clock(100000), useClock(clock), useMovies(movies) {
        QZW::Win::CQzMoviePlayer::SetTextureMaker(&MakeFrameTexture);
        QZW::Win::CQzMoviePlayer::SetLayerList(&LayerList);
        for (QZW::CQzNode& layer : g_layers) {
            layer.children.clear();
        }
        FrameTexture::live = 0;
        FrameTexture::made = 0;
    }
    ~MovieTest() {
        QZW::Win::CQzMoviePlayer::SetTextureMaker(nullptr);
        QZW::Win::CQzMoviePlayer::SetLayerList(nullptr);
    }

    platform::clock::ManualClock clock;
    platform::clock::ScopedClock useClock;
    platform::movie::ScriptedMovies movies;
    platform::movie::ScopedMovieBackend useMovies;
};

}  // namespace movie_test
