// A texture fake that only answers its size: enough for code that maps texel
// rectangles to UVs (sprites, sprite lists, meshes) without a GL context.
#pragma once

#include <cstdint>
#include <string>

#include "qzware/scene/iqz_texture.h"

namespace qz_test_support {

class SizedTexture : public QZW::IQzTexture {
public:
    SizedTexture(std::int32_t width, std::int32_t height) : width(width), height(height) {}
    std::int32_t GetWidth() override { return width; }
    std::int32_t GetHeight() override { return height; }
    std::string GetName() override { return "sized"; }
    void SetName(const std::string&) override {}
    void SetWrap(bool) override {}
    void SetFilter(bool, bool) override {}

private:
    std::int32_t width;
    std::int32_t height;
};

}  // namespace qz_test_support
