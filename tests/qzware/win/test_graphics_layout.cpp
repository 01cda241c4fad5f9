// Window arithmetic of the renderer: letterbox viewports, placement of the
// composed frame, projections and the GL version check.
#include "qzware/win/qz_graphics_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace QZW::Win {
// Readable failures for viewport comparisons.
void PrintTo(const QzViewportRect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}
}  // namespace QZW::Win

using QZW::Win::QzViewportRect;

namespace {

struct ViewportCase {
    int clientWidth, clientHeight;
    QzViewportRect expected;
};

TEST(GraphicsLayout, CompositionViewportKeepsTheVirtualScreenInsideTheWindow) {
    const ViewportCase cases[] = {
        {1280, 720, {0, 0, 1280, 720}},
        {1920, 1080, {0, 0, 1920, 1080}},
        {1920, 1200, {0, 60, 1920, 1080}},
        {2560, 1080, {320, 0, 1920, 1080}},
        {800, 600, {0, 75, 800, 450}},
        {1366, 768, {0, 0, 1365, 768}},
        {0, 0, {0, 0, 0, 0}},
    };
    for (const ViewportCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.clientWidth << "x" << c.clientHeight);
        EXPECT_EQ(QZW::Win::QzCompositionViewport(c.clientWidth, c.clientHeight, 1280, 720),
                  c.expected);
    }
    EXPECT_FLOAT_EQ(QZW::Win::QzWindowScale(1920, 1200), 1.5f);
    EXPECT_FLOAT_EQ(QZW::Win::QzWindowScale(1920, 1080), 1.5f);
}

TEST(GraphicsLayout, FrameLetterboxIsSixteenByNineCentred) {
    const ViewportCase cases[] = {
        {1920, 1200, {0, 60, 1920, 1080}}, {1920, 1080, {0, 0, 1920, 1080}},
        {1600, 1200, {0, 150, 1600, 900}}, {2560, 1080, {320, 0, 1920, 1080}},
        {1280, 720, {0, 0, 1280, 720}},    {0, 720, {0, 0, 0, 0}},
        {1280, 0, {0, 0, 0, 0}},
    };
    for (const ViewportCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.clientWidth << "x" << c.clientHeight);
        EXPECT_EQ(QZW::Win::QzFrameLetterboxViewport(c.clientWidth, c.clientHeight), c.expected);
    }
}

TEST(GraphicsLayout, CompositionRectFollowsDisplayScalesAndOffset) {
    struct Case {
        float baseX, baseY, scaleX, scaleY, ofsX, ofsY;
        float x, y, w, h;
    } const cases[] = {
        {1, 1, 1, 1, 0, 0, 0, 0, 1280, 720},
        {0.5f, 0.5f, 1, 1, 0, 0, 320, 180, 640, 360},
        {0.5f, 0.5f, 1, 1, 100, 40, 370, 200, 640, 360},
        {1, 1, 0.5f, 0.25f, 10, -20, 10, -20, 640, 180},
        {2, 1, 1, 1, 0, 0, -640, 0, 2560, 720},
    };
    for (const Case& c : cases) {
        const QZW::Win::QzFloatRect r =
            QZW::Win::QzCompositionRect(c.baseX, c.baseY, c.scaleX, c.scaleY, c.ofsX, c.ofsY);
        EXPECT_FLOAT_EQ(r.x, c.x);
        EXPECT_FLOAT_EQ(r.y, c.y);
        EXPECT_FLOAT_EQ(r.width, c.w);
        EXPECT_FLOAT_EQ(r.height, c.h);
    }
}

TEST(GraphicsLayout, SetViewportFlipsYWithinTheVirtualScreen) {
    EXPECT_EQ(QZW::Win::QzFlippedViewport(0, 0, 1280, 720), (QzViewportRect{0, 0, 1280, 720}));
    EXPECT_EQ(QZW::Win::QzFlippedViewport(100, 50, 200, 100), (QzViewportRect{100, 570, 200, 100}));
}

// Row vector times row-major matrix, as the engine and the shaders use it.
void Transform(const float m[16], const float in[4], float out[4]) {
    for (int c = 0; c < 4; ++c) {
        out[c] = in[0] * m[c] + in[1] * m[4 + c] + in[2] * m[8 + c] + in[3] * m[12 + c];
    }
}

TEST(GraphicsLayout, OrthoProjectionMapsTheVirtualScreenCornersToClipSpace) {
    float m[16];
    QZW::Win::QzOrthoProjection(1280, 720, m);
    struct Case {
        float in[4];
        float out[4];
    } const cases[] = {
        {{0, 0, 0, 1}, {-1, 1, 0, 1}},
        {{1280, 720, 0, 1}, {1, -1, 0, 1}},
        {{640, 360, 0.5f, 1}, {0, 0, -0.5f, 1}},
    };
    for (const Case& c : cases) {
        float out[4];
        Transform(m, c.in, out);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(out[i], c.out[i], 1e-6f) << "component " << i;
        }
    }
}

TEST(GraphicsLayout, PerspectiveProjectionUsesTheAspectAsNearPlane) {
    float m[16];
    QZW::Win::QzPerspectiveProjection(1280, 720, m);
    const float a = 1280.0f / 720.0f;
    EXPECT_FLOAT_EQ(m[0], 1.0f);
    EXPECT_FLOAT_EQ(m[5], a);
    EXPECT_FLOAT_EQ(m[10], -(1000.0f + a) / (1000.0f - a));
    EXPECT_FLOAT_EQ(m[11], -1.0f);
    EXPECT_FLOAT_EQ(m[14], a * -2000.0f / (1000.0f - a));
    EXPECT_FLOAT_EQ(m[15], 0.0f);
    // A point on the near plane lands on clip depth -1 after the divide.
    const float in[4] = {0, 0, -a, 1};
    float out[4];
    Transform(m, in, out);
    EXPECT_NEAR(out[2] / out[3], -1.0f, 1e-5f);
}

TEST(GraphicsLayout, GlMajorVersionIsReadFromTheVersionString) {
    struct Case {
        const char* text;
        int major;
    } const cases[] = {
        {"2.1 Mesa 22.3.6", 2},
        {"4.5 (Compatibility Profile) Mesa 22.3.6", 4},
        {"1.4.0 - Build 8.14", 1},
        {"10.2", 10},
        {"OpenGL ES 3.2 Mesa 22.3.6", 0},
        {"3", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QZW::Win::QzGlMajorVersion(c.text), c.major) << (c.text ? c.text : "(null)");
    }
}

TEST(GraphicsLayout, PackedColourKeepsBytesInMemoryOrder) {
    const std::uint32_t packed = QZW::Win::QzPackColor(0x11, 0x22, 0x33, 0x44);
    unsigned char bytes[4];
    std::memcpy(bytes, &packed, 4);
    EXPECT_EQ(bytes[0], 0x11);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x33);
    EXPECT_EQ(bytes[3], 0x44);
}

TEST(GraphicsLayout, DrawBoundsHoldTheTransformedTrianglesWithAPixelOfMargin) {
    float ortho[16];
    QZW::Win::QzOrthoProjection(1280, 720, ortho);
    const int viewport[4] = {0, 0, 1280, 720};
    // A 100 x 50 rectangle at (200, 100) from the top left: GL rows count
    // from the bottom, so it covers rows 570-620.
    const float rect[12] = {200, 100, 0, 300, 100, 0, 200, 150, 0, 300, 150, 0};
    int out[4] = {0, 0, 0, 0};
    ASSERT_TRUE(QZW::Win::QzDrawBounds(rect, 4, ortho, viewport, 1280, 720, out));
    // They hold the covered pixels and exceed them by at most two.
    const int covered[4] = {200, 570, 300, 620};
    for (int i = 0; i < 2; ++i) {
        EXPECT_LT(out[i], covered[i]) << "corner value " << i;
        EXPECT_GE(out[i], covered[i] - 2) << "corner value " << i;
        EXPECT_GT(out[i + 2], covered[i + 2]) << "corner value " << i + 2;
        EXPECT_LE(out[i + 2], covered[i + 2] + 2) << "corner value " << i + 2;
    }
    // Past the target's edges it is clamped.
    const float wide[6] = {-500, -500, 0, 3000, 3000, 0};
    ASSERT_TRUE(QZW::Win::QzDrawBounds(wide, 2, ortho, viewport, 1280, 720, out));
    EXPECT_EQ(0, out[0]);
    EXPECT_EQ(0, out[1]);
    EXPECT_EQ(1280, out[2]);
    EXPECT_EQ(720, out[3]);
    // An offset viewport moves the pixels.
    const int shifted[4] = {40, 30, 1280, 720};
    ASSERT_TRUE(QZW::Win::QzDrawBounds(rect, 4, ortho, shifted, 2000, 2000, out));
    EXPECT_LT(out[0], 240);
    EXPECT_GE(out[0], 238);
    EXPECT_LT(out[1], 600);
    EXPECT_GE(out[1], 598);
}

TEST(GraphicsLayout, DrawBoundsAreUnknownForPerspectiveAndBadPositions) {
    float ortho[16], perspective[16];
    QZW::Win::QzOrthoProjection(1280, 720, ortho);
    QZW::Win::QzPerspectiveProjection(1280, 720, perspective);
    const int viewport[4] = {0, 0, 1280, 720};
    const float rect[12] = {200, 100, 0, 300, 100, 0, 200, 150, 0, 300, 150, 0};
    const float bad[6] = {0, 0, 0, NAN, 10, 0};
    const float huge[6] = {0, 0, 0, INFINITY, 10, 0};
    int out[4];
    EXPECT_FALSE(QZW::Win::QzDrawBounds(rect, 4, perspective, viewport, 1280, 720, out));
    EXPECT_FALSE(QZW::Win::QzDrawBounds(bad, 2, ortho, viewport, 1280, 720, out));
    EXPECT_FALSE(QZW::Win::QzDrawBounds(huge, 2, ortho, viewport, 1280, 720, out));
    EXPECT_FALSE(QZW::Win::QzDrawBounds(rect, 0, ortho, viewport, 1280, 720, out));
    EXPECT_FALSE(QZW::Win::QzDrawBounds(nullptr, 4, ortho, viewport, 1280, 720, out));
}

}  // namespace
