// Window arithmetic of the renderer (see the header).
#include "qzware/win/qz_graphics_layout.h"

#include <algorithm>
#include <cmath>
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

bool QzDrawBounds(const float* positions, int count, const float mvp[16], const int viewport[4],
                  int targetWidth, int targetHeight, int out[4]) {
    // With w = 1 everywhere the map is affine, so the image of the
    // positions' box holds the image of every triangle over them.
    if (positions == nullptr || count <= 0 || mvp[3] != 0.0f || mvp[7] != 0.0f || mvp[11] != 0.0f ||
        mvp[15] != 1.0f) {
        return false;
    }
    float lo[3] = {INFINITY, INFINITY, INFINITY};
    float hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (int v = 0; v < count; ++v) {
        for (int i = 0; i < 3; ++i) {
            const float p = positions[v * 3 + i];
            if (!std::isfinite(p)) {
                return false;
            }
            lo[i] = std::min(lo[i], p);
            hi[i] = std::max(hi[i], p);
        }
    }
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (int corner = 0; corner < 8; ++corner) {
        const double x = (corner & 1) ? hi[0] : lo[0];
        const double y = (corner & 2) ? hi[1] : lo[1];
        const double z = (corner & 4) ? hi[2] : lo[2];
        const double nx = x * mvp[0] + y * mvp[4] + z * mvp[8] + mvp[12];
        const double ny = x * mvp[1] + y * mvp[5] + z * mvp[9] + mvp[13];
        minX = std::min(minX, nx);
        maxX = std::max(maxX, nx);
        minY = std::min(minY, ny);
        maxY = std::max(maxY, ny);
    }
    if (!std::isfinite(minX) || !std::isfinite(maxX) || !std::isfinite(minY) ||
        !std::isfinite(maxY)) {
        return false;
    }
    const double x0 = viewport[0] + (minX + 1.0) * 0.5 * viewport[2];
    const double x1 = viewport[0] + (maxX + 1.0) * 0.5 * viewport[2];
    const double y0 = viewport[1] + (minY + 1.0) * 0.5 * viewport[3];
    const double y1 = viewport[1] + (maxY + 1.0) * 0.5 * viewport[3];
    const auto clampTo = [](double v, int limit) {
        return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(limit)));
    };
    out[0] = clampTo(std::floor(x0) - 1.0, targetWidth);
    out[1] = clampTo(std::floor(y0) - 1.0, targetHeight);
    out[2] = clampTo(std::ceil(x1) + 1.0, targetWidth);
    out[3] = clampTo(std::ceil(y1) + 1.0, targetHeight);
    return true;
}

}  // namespace QZW::Win
