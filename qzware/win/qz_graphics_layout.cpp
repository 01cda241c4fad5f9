// Window arithmetic of the renderer (see the header).
#include "qzware/win/qz_graphics_layout.h"

#include <algorithm>
#include <cstring>

namespace QZW::Win {

float QzWindowScale(int clientWidth, int clientHeight) {
    return std::min(static_cast<float>(clientWidth) / kQzVirtualWidth,
                    static_cast<float>(clientHeight) / kQzVirtualHeight);
}

QzViewportRect QzCompositionViewport(int clientWidth, int clientHeight, int screenWidth,
                                     int screenHeight) {
    // The scale as a fraction num / den: the narrower of the two ratios.
    const std::int64_t cw = clientWidth, ch = clientHeight;
    std::int64_t num = cw, den = kQzVirtualWidth;
    if (cw * kQzVirtualHeight > ch * kQzVirtualWidth) {
        num = ch;
        den = kQzVirtualHeight;
    }
    const std::int64_t w = screenWidth * num, h = screenHeight * num;  // over den
    QzViewportRect r;
    r.x = static_cast<int>((cw * den - w) / (2 * den));
    r.y = static_cast<int>((ch * den - h) / (2 * den));
    r.width = static_cast<int>(w / den);
    r.height = static_cast<int>(h / den);
    return r;
}

QzViewportRect QzFrameLetterboxViewport(int clientWidth, int clientHeight) {
    QzViewportRect r;
    if (clientWidth <= 0 || clientHeight <= 0) {
        return r;
    }
    const std::int64_t cw = clientWidth, ch = clientHeight;
    if (cw * 9 < ch * 16) {
        // Taller than 16:9: bars above and below.
        r.y = static_cast<int>((ch * 16 - cw * 9) / 32);
        r.width = clientWidth;
        r.height = static_cast<int>(cw * 9 / 16);
    } else {
        r.x = static_cast<int>((cw * 9 - ch * 16) / 18);
        r.width = static_cast<int>(ch * 16 / 9);
        r.height = clientHeight;
    }
    return r;
}

QzFloatRect QzCompositionRect(float baseScaleX, float baseScaleY, float scaleX, float scaleY,
                              float offsetX, float offsetY) {
    QzFloatRect r;
    const double marginX =
        (kQzVirtualWidth - kQzVirtualWidth * static_cast<double>(baseScaleX)) / 2;
    const double marginY =
        (kQzVirtualHeight - kQzVirtualHeight * static_cast<double>(baseScaleY)) / 2;
    r.x = static_cast<float>(marginX + offsetX * baseScaleX);
    r.y = static_cast<float>(marginY + offsetY * baseScaleY);
    r.width = kQzVirtualWidth * baseScaleX * scaleX;
    r.height = kQzVirtualHeight * baseScaleY * scaleY;
    return r;
}

QzViewportRect QzFlippedViewport(int x, int y, int width, int height) {
    return {x, kQzVirtualHeight - y - height, width, height};
}

void QzOrthoProjection(int screenWidth, int screenHeight, float out[16]) {
    std::fill(out, out + 16, 0.0f);
    out[0] = 2.0f / static_cast<float>(screenWidth);
    out[5] = -2.0f / static_cast<float>(screenHeight);
    out[10] = -1.0f;
    out[12] = -1.0f;
    out[13] = 1.0f;
    out[14] = 0.0f;
    out[15] = 1.0f;
}

void QzPerspectiveProjection(int screenWidth, int screenHeight, float out[16]) {
    std::fill(out, out + 16, 0.0f);
    const float a = static_cast<float>(screenWidth) / static_cast<float>(screenHeight);
    const float n = a, f = 1000.0f;
    out[0] = 1.0f;
    out[5] = a;
    out[10] = -(f + n) / (f - n);
    out[11] = -1.0f;
    out[14] = -2.0f * f * n / (f - n);
    out[15] = 0.0f;
}

int QzGlMajorVersion(const char* versionString) {
    if (versionString == nullptr) {
        return 0;
    }
    int major = 0;
    const char* p = versionString;
    while (*p >= '0' && *p <= '9' && major < 1000) {
        major = major * 10 + (*p - '0');
        ++p;
    }
    if (p == versionString || *p != '.') {
        return 0;
    }
    return major;
}

std::uint32_t QzPackColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const std::uint8_t bytes[4] = {r, g, b, a};
    std::uint32_t packed = 0;
    std::memcpy(&packed, bytes, 4);
    return packed;
}

}  // namespace QZW::Win
