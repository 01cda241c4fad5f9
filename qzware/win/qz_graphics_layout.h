// The renderer's window arithmetic, free of GL so it can be tested alone:
// letterbox viewports, the placement of the composed frame, the projection
// matrices and the GL version judged from its string. Sizes in pixels; the
// virtual screen is 1280 x 720 with y growing downwards.
#pragma once

#include <cstdint>

namespace QZW::Win {

constexpr int kQzVirtualWidth = 1280;
constexpr int kQzVirtualHeight = 720;

struct QzViewportRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const QzViewportRect&) const = default;
};

struct QzFloatRect {
    float x = 0, y = 0, width = 0, height = 0;
};

// min(clientWidth / 1280, clientHeight / 720).
float QzWindowScale(int clientWidth, int clientHeight);

// Where the finished frame goes in the window: the virtual screen scaled by
// the window scale and centred. Computed on exact fractions, so a window of
// exactly 1.5 times the virtual screen gets exactly 1920 x 1080.
QzViewportRect QzCompositionViewport(int clientWidth, int clientHeight, int screenWidth,
                                     int screenHeight);

// The 16:9 letterbox of the window set at the start of a frame; empty for an
// empty window.
QzViewportRect QzFrameLetterboxViewport(int clientWidth, int clientHeight);

// The rectangle (virtual-screen units) of the composed frame for the display
// base scale, display scale and display offset that scripts set.
QzFloatRect QzCompositionRect(float baseScaleX, float baseScaleY, float scaleX, float scaleY,
                              float offsetX, float offsetY);

// glViewport rectangle of SetViewport(x, y, w, h): y is flipped within 720.
QzViewportRect QzFlippedViewport(int x, int y, int width, int height);

// Row-major, row-vector projection matrices (translation in 12..14).
void QzOrthoProjection(int screenWidth, int screenHeight, float out[16]);
void QzPerspectiveProjection(int screenWidth, int screenHeight, float out[16]);

// Major version of a GL_VERSION string ("2.1 Mesa 22.3.6" -> 2). 0 when the
// string does not start with a desktop version number ("OpenGL ES ...").
// A true 2.x context does not answer GL_MAJOR_VERSION, so the string decides.
int QzGlMajorVersion(const char* versionString);

// The pixels (x0, y0, x1, y1; x1 and y1 exclusive, clamped to the target
// of `targetWidth` x `targetHeight`) that triangles over `count` positions
// (x, y, z each) can cover through the row-vector matrix `mvp` and the GL
// viewport `viewport` (x, y, width, height), with a pixel of margin. False
// when that cannot be told: a projection with perspective (w not 1), a
// position that is not finite, or no positions.
bool QzDrawBounds(const float* positions, int count, const float mvp[16], const int viewport[4],
                  int targetWidth, int targetHeight, int out[4]);

// Packs the bytes r, g, b, a in memory order.
std::uint32_t QzPackColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);

}  // namespace QZW::Win
