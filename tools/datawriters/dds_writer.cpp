#include "tools/datawriters/dds_writer.h"

#include <algorithm>
#include <array>

namespace qztools {

namespace {

// [SECTION] Header

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

constexpr std::uint32_t kCaps = 0x1, kHeight = 0x2, kWidth = 0x4, kPitch = 0x8,
                        kPixelFormat = 0x1000, kMipMapCount = 0x20000, kLinearSize = 0x80000;
constexpr std::uint32_t kPfAlphaPixels = 0x1, kPfFourCC = 0x4, kPfRgb = 0x40;
constexpr std::uint32_t kCapsComplex = 0x8, kCapsTexture = 0x1000, kCapsMipMap = 0x400000;

std::uint32_t LevelSize(std::uint32_t w, std::uint32_t h, DdsFormat format) {
    return format == DdsFormat::Dxt1 ? ((w + 3) / 4) * ((h + 3) / 4) * 8 : w * h * 4;
}

void WriteHeader(std::vector<std::uint8_t>& out, std::uint32_t width, std::uint32_t height,
                 DdsFormat format, std::uint32_t levels) {
    out.assign(kDdsHeaderSize, 0);
    out[0] = 'D', out[1] = 'D', out[2] = 'S', out[3] = ' ';
    const bool dxt = format == DdsFormat::Dxt1;
    std::uint32_t flags = kCaps | kHeight | kWidth | kPixelFormat | (dxt ? kLinearSize : kPitch);
    if (levels > 1) {
        flags |= kMipMapCount;
    }
    Put32(out, 4, 124);
    Put32(out, 8, flags);
    Put32(out, 12, height);
    Put32(out, 16, width);
    Put32(out, 20, dxt ? LevelSize(width, height, format) : width * 4);
    Put32(out, 28, levels);
    Put32(out, 76, 32);  // pixel format size
    if (dxt) {
        Put32(out, 80, kPfFourCC);
        out[84] = 'D', out[85] = 'X', out[86] = 'T', out[87] = '1';
    } else {
        Put32(out, 80, kPfRgb | kPfAlphaPixels);
        Put32(out, 88, 32);
        Put32(out, 92, 0x000000ffu);
        Put32(out, 96, 0x0000ff00u);
        Put32(out, 100, 0x00ff0000u);
        Put32(out, 104, 0xff000000u);
    }
    Put32(out, 108, kCapsTexture | (levels > 1 ? kCapsComplex | kCapsMipMap : 0));
}

// [SECTION] Mip levels

std::vector<std::uint8_t> HalveLevel(const std::vector<std::uint8_t>& src, std::uint32_t w,
                                     std::uint32_t h) {
    const std::uint32_t nw = std::max(w / 2, 1u), nh = std::max(h / 2, 1u);
    std::vector<std::uint8_t> dst(std::size_t(nw) * nh * 4);
    for (std::uint32_t y = 0; y < nh; ++y) {
        for (std::uint32_t x = 0; x < nw; ++x) {
            for (int c = 0; c < 4; ++c) {
                unsigned sum = 0;
                for (std::uint32_t dy = 0; dy < 2; ++dy) {
                    for (std::uint32_t dx = 0; dx < 2; ++dx) {
                        const std::uint32_t sx = std::min(x * 2 + dx, w - 1);
                        const std::uint32_t sy = std::min(y * 2 + dy, h - 1);
                        sum += src[(std::size_t(sy) * w + sx) * 4 + c];
                    }
                }
                dst[(std::size_t(y) * nw + x) * 4 + c] = static_cast<std::uint8_t>((sum + 2) / 4);
            }
        }
    }
    return dst;
}

void AppendLevel(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& level,
                 std::uint32_t w, std::uint32_t h, DdsFormat format) {
    if (format == DdsFormat::Rgba8) {
        out.insert(out.end(), level.begin(), level.end());
        return;
    }
    std::array<std::uint8_t, 64> block{};
    std::array<std::uint8_t, 8> packed{};
    for (std::uint32_t by = 0; by < h; by += 4) {
        for (std::uint32_t bx = 0; bx < w; bx += 4) {
            // Blocks past the image edge repeat its last row and column.
            for (std::uint32_t i = 0; i < 16; ++i) {
                const std::uint32_t x = std::min(bx + i % 4, w - 1);
                const std::uint32_t y = std::min(by + i / 4, h - 1);
                std::copy_n(&level[(std::size_t(y) * w + x) * 4], 4, &block[i * 4]);
            }
            CompressDxt1Block(block.data(), packed.data());
            out.insert(out.end(), packed.begin(), packed.end());
        }
    }
}

// [SECTION] DXT1

std::uint16_t To565(const std::uint8_t* c) {
    return static_cast<std::uint16_t>(((c[0] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[2] >> 3));
}

std::array<int, 3> From565(std::uint16_t v) {
    const int r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

}  // namespace

void CompressDxt1Block(const std::uint8_t* pixels, std::uint8_t* out) {
    // Endpoints: the opaque pixels of least and greatest luminance.
    bool transparent = false;
    int lo = -1, hi = -1, loLum = 1 << 30, hiLum = -1;
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t* p = pixels + i * 4;
        if (p[3] < 128) {
            transparent = true;
            continue;
        }
        const int lum = p[0] * 299 + p[1] * 587 + p[2] * 114;
        if (lum < loLum) {
            loLum = lum, lo = i;
        }
        if (lum > hiLum) {
            hiLum = lum, hi = i;
        }
    }
    std::uint16_t c0 = lo < 0 ? 0 : To565(pixels + hi * 4);
    std::uint16_t c1 = lo < 0 ? 0 : To565(pixels + lo * 4);
    // c0 > c1 selects 4-colour mode, c0 <= c1 3-colour mode with index 3 clear.
    if (transparent ? c0 > c1 : c0 < c1) {
        std::swap(c0, c1);
    }
    const auto e0 = From565(c0), e1 = From565(c1);
    std::array<std::array<int, 3>, 4> palette{};
    palette[0] = e0;
    palette[1] = e1;
    const int colours = (transparent || c0 == c1) ? 3 : 4;
    for (int c = 0; c < 3; ++c) {
        if (colours == 4) {
            palette[2][c] = (2 * e0[c] + e1[c]) / 3;
            palette[3][c] = (e0[c] + 2 * e1[c]) / 3;
        } else {
            palette[2][c] = (e0[c] + e1[c]) / 2;
        }
    }
    std::uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t* p = pixels + i * 4;
        std::uint32_t best = 0;
        if (transparent && p[3] < 128) {
            best = 3;
        } else {
            int bestDist = 1 << 30;
            for (int k = 0; k < colours; ++k) {
                int d = 0;
                for (int c = 0; c < 3; ++c) {
                    d += (p[c] - palette[k][c]) * (p[c] - palette[k][c]);
                }
                if (d < bestDist) {
                    bestDist = d, best = static_cast<std::uint32_t>(k);
                }
            }
        }
        indices |= best << (2 * i);
    }
    out[0] = static_cast<std::uint8_t>(c0), out[1] = static_cast<std::uint8_t>(c0 >> 8);
    out[2] = static_cast<std::uint8_t>(c1), out[3] = static_cast<std::uint8_t>(c1 >> 8);
    for (int i = 0; i < 4; ++i) {
        out[4 + i] = static_cast<std::uint8_t>(indices >> (8 * i));
    }
}

std::vector<std::uint8_t> EncodeDds(const std::uint8_t* rgba, std::uint32_t width,
                                    std::uint32_t height, DdsFormat format,
                                    std::uint32_t mipLevels) {
    std::uint32_t chain = 1;
    for (std::uint32_t w = width, h = height; w > 1 || h > 1;
         w = std::max(w / 2, 1u), h = std::max(h / 2, 1u)) {
        ++chain;
    }
    const std::uint32_t levels = mipLevels == 0 ? chain : std::min(mipLevels, chain);
    std::vector<std::uint8_t> out;
    WriteHeader(out, width, height, format, levels);
    std::vector<std::uint8_t> level(rgba, rgba + std::size_t(width) * height * 4);
    std::uint32_t w = width, h = height;
    for (std::uint32_t i = 0; i < levels; ++i) {
        AppendLevel(out, level, w, h, format);
        if (i + 1 < levels) {
            level = HalveLevel(level, w, h);
            w = std::max(w / 2, 1u);
            h = std::max(h / 2, 1u);
        }
    }
    return out;
}

}  // namespace qztools
