// The engine's texture interface: a 2D texture with a size, a name (the file
// path it came from, or "__" for a render-target colour buffer) and sampling
// state. The OpenGL implementation is QZW::Win::CQzTextureGL.
#pragma once

#include <cstdint>
#include <string>

namespace QZW {

class IQzTexture {
public:
    virtual ~IQzTexture() = default;
    virtual std::int32_t GetWidth() = 0;
    virtual std::int32_t GetHeight() = 0;
    virtual void Bind() {}
    virtual void Unbind() {}
    virtual std::string GetName() = 0;
    virtual void SetName(const std::string& name) = 0;
    // The device's texture name; 0 when there is none.
    virtual std::uint32_t GetTextureId() { return 0; }
    // Repeat, or clamp to the edge, on both axes.
    virtual void SetWrap(bool repeat) = 0;
    // Linear or nearest sampling for minification and magnification.
    virtual void SetFilter(bool minLinear, bool magLinear) = 0;
};

}  // namespace QZW
