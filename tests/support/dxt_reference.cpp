// S3TC block decoding after the published format: two RGB565 end colours
// with two-bit indices (DXT1; three-colour mode with transparent black when
// c0 <= c1), explicit 4-bit alpha (DXT3) or interpolated 3-bit alpha (DXT5).
#include "tests/support/dxt_reference.h"

namespace qz_test {

namespace {

void Expand565(std::uint16_t c, std::uint8_t out[3]) {
    const int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    out[0] = std::uint8_t((r << 3) | (r >> 2));
    out[1] = std::uint8_t((g << 2) | (g >> 4));
    out[2] = std::uint8_t((b << 3) | (b >> 2));
}

// `fourColour` forces the four-colour mode (DXT3 and DXT5 colour blocks).
void DecodeColour(const std::uint8_t* block, bool fourColour, std::uint8_t rgba[64]) {
    const std::uint16_t c0 = std::uint16_t(block[0] | (block[1] << 8));
    const std::uint16_t c1 = std::uint16_t(block[2] | (block[3] << 8));
    std::uint8_t p[4][4];
    Expand565(c0, p[0]);
    Expand565(c1, p[1]);
    p[0][3] = p[1][3] = 255;
    if (fourColour || c0 > c1) {
        for (int i = 0; i < 3; ++i) {
            p[2][i] = std::uint8_t((2 * p[0][i] + p[1][i]) / 3);
            p[3][i] = std::uint8_t((p[0][i] + 2 * p[1][i]) / 3);
        }
        p[2][3] = p[3][3] = 255;
    } else {
        for (int i = 0; i < 3; ++i) {
            p[2][i] = std::uint8_t((p[0][i] + p[1][i]) / 2);
            p[3][i] = 0;
        }
        p[2][3] = 255;
        p[3][3] = 0;
    }
    const std::uint32_t bits = std::uint32_t(block[4]) | (std::uint32_t(block[5]) << 8) |
                               (std::uint32_t(block[6]) << 16) | (std::uint32_t(block[7]) << 24);
    for (int i = 0; i < 16; ++i) {
        const int idx = (bits >> (2 * i)) & 3;
        for (int k = 0; k < 4; ++k) {
            rgba[i * 4 + k] = p[idx][k];
        }
    }
}

}  // namespace

void DecodeDxt1Block(const std::uint8_t block[8], std::uint8_t rgba[64]) {
    DecodeColour(block, false, rgba);
}

void DecodeDxt3Block(const std::uint8_t block[16], std::uint8_t rgba[64]) {
    DecodeColour(block + 8, true, rgba);
    for (int i = 0; i < 16; ++i) {
        const int nibble = (block[i / 2] >> (4 * (i & 1))) & 15;
        rgba[i * 4 + 3] = std::uint8_t(nibble * 17);
    }
}

void DecodeDxt5Block(const std::uint8_t block[16], std::uint8_t rgba[64]) {
    DecodeColour(block + 8, true, rgba);
    const int a0 = block[0], a1 = block[1];
    int a[8] = {a0, a1};
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) {
            a[i + 1] = ((7 - i) * a0 + i * a1) / 7;
        }
    } else {
        for (int i = 1; i < 5; ++i) {
            a[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        }
        a[6] = 0;
        a[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) {
        bits |= std::uint64_t(block[2 + i]) << (8 * i);
    }
    for (int i = 0; i < 16; ++i) {
        rgba[i * 4 + 3] = std::uint8_t(a[(bits >> (3 * i)) & 7]);
    }
}

void DecodeDxtImage(int dxt, const std::uint8_t* data, int width, int height, std::uint8_t* rgba) {
    const int blockBytes = dxt == 1 ? 8 : 16;
    const int bw = (width + 3) / 4, bh = (height + 3) / 4;
    std::uint8_t px[64];
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            const std::uint8_t* block = data + (by * bw + bx) * blockBytes;
            if (dxt == 1) {
                DecodeDxt1Block(block, px);
            } else if (dxt == 3) {
                DecodeDxt3Block(block, px);
            } else {
                DecodeDxt5Block(block, px);
            }
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const int ix = bx * 4 + x, iy = by * 4 + y;
                    if (ix < width && iy < height) {
                        for (int k = 0; k < 4; ++k) {
                            rgba[(iy * width + ix) * 4 + k] = px[(y * 4 + x) * 4 + k];
                        }
                    }
                }
            }
        }
    }
}

void MakeSolidDxt1Block(std::uint16_t c565, std::uint8_t block[8]) {
    // c0 > c1 keeps the four-colour mode; every index 0 picks c0.
    const std::uint16_t c1 = c565 == 0 ? 0 : std::uint16_t(c565 - 1);
    block[0] = std::uint8_t(c565);
    block[1] = std::uint8_t(c565 >> 8);
    block[2] = std::uint8_t(c1);
    block[3] = std::uint8_t(c1 >> 8);
    block[4] = block[5] = block[6] = block[7] = 0;
}

}  // namespace qz_test
