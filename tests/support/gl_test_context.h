// The GL tests' shared context: one hidden window with the renderer's context
// (through platform::window, SDL2 underneath), made once per test program.
// The drawable size the renderer sees can be set to any value, so the
// composition arithmetic is checked without a screen of that size.
#pragma once

#include <cstdint>

#include "qzware/win/qz_graphics_gl2.h"

namespace gl_test {

// The renderer of the test program, started on first use; fails the calling
// test (and returns null) when no display or GL context is available.
QZW::Win::CQzGraphicsGL2* Renderer();

// The client size the renderer reads from now on (0, 0: the real one).
void SetReportedClientSize(int width, int height);

// RGBA bytes of pixel (x, y) of the bound frame buffer (y from the bottom).
struct Pixel {
    int r, g, b, a;
};
Pixel ReadPixel(int x, int y);

// The width of level 0 of the texture's image: 0 while it has none yet.
int ImageWidth(QZW::IQzTexture* texture);

// A 1x1 texture of the given RGBA bytes (nearest filtering); caller deletes.
QZW::IQzTexture* MakeTexel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);

}  // namespace gl_test
