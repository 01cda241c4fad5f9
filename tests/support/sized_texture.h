// A texture fake that only answers its size and keeps a name: enough for code
// that maps texel rectangles to UVs (sprites, sprite lists, meshes, fonts) or
// lists textures by name, without a GL context.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "qzware/scene/iqz_texture.h"

namespace qz_test_support {

class SizedTexture : public QZW::IQzTexture {
public:
    SizedTexture(std::int32_t width, std::int32_t height, std::string name = "sized")
        : width(width), height(height), name(std::move(name)) {}
    std::int32_t GetWidth() override { return width; }
    std::int32_t GetHeight() override { return height; }
    std::string GetName() override { return name; }
    void SetName(const std::string& n) override { name = n; }
    void SetWrap(bool) override {}
    void SetFilter(bool, bool) override {}

private:
    std::int32_t width;
    std::int32_t height;
    std::string name;
};

}  // namespace qz_test_support
