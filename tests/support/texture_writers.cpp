// TGA and DDS files made in code; fields are written byte by byte little-endian.
#include "tests/support/texture_writers.h"

#include <cstdio>

namespace qz_test {

namespace {

void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = std::uint8_t(v >> (8 * i));
    }
}

}  // namespace

std::vector<std::uint8_t> MakeTga(const TgaFields& f, const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> b(18, 0);
    b[0] = f.idLength;
    b[1] = f.colorMapType;
    b[2] = f.imageType;
    PutU16(b, 12, f.width);
    PutU16(b, 14, f.height);
    b[16] = f.bitsPerPixel;
    b[17] = f.descriptor;
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

std::vector<std::uint8_t> MakeTgaFromRgba(std::uint16_t width, std::uint16_t height,
                                          const std::vector<std::uint8_t>& rgba, bool withAlpha) {
    TgaFields f;
    f.width = width;
    f.height = height;
    f.bitsPerPixel = withAlpha ? 32 : 24;
    f.descriptor = 0x20;
    std::vector<std::uint8_t> pixels;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        pixels.push_back(rgba[i + 2]);
        pixels.push_back(rgba[i + 1]);
        pixels.push_back(rgba[i + 0]);
        if (withAlpha) {
            pixels.push_back(rgba[i + 3]);
        }
    }
    return MakeTga(f, pixels);
}

std::vector<std::uint8_t> MakeDds(const DdsFields& f, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> b(128, 0);
    for (int i = 0; i < 4; ++i) {
        b[i] = std::uint8_t(f.magic[i]);
    }
    PutU32(b, 4, 124);  // header size
    PutU32(b, 8, 0x1007 | (f.mipCount > 1 ? 0x20000u : 0u));
    PutU32(b, 12, f.height);
    PutU32(b, 16, f.width);
    PutU32(b, 24, f.depth);
    PutU32(b, 28, f.mipCount);
    PutU32(b, 76, 32);  // pixel format size
    PutU32(b, 80, f.pixelFlags);
    PutU32(b, 84, f.fourCC);
    PutU32(b, 88, f.rgbBitCount);
    PutU32(b, 108, 0x1000);  // caps: texture
    PutU32(b, 112, f.caps2);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint8_t seed) {
    std::vector<std::uint8_t> b(count);
    for (std::size_t i = 0; i < count; ++i) {
        b[i] = std::uint8_t(seed + i);
    }
    return b;
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return bytes;
    }
    std::uint8_t chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    std::fclose(f);
    return bytes;
}

}  // namespace qz_test
