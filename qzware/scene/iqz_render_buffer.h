// An off-screen render buffer (depth, colour or stencil storage).
// Implemented by QZW::Win::CQzRenderBuffer.
#pragma once

namespace QZW {

class IQzRenderBuffer {
public:
    virtual ~IQzRenderBuffer() = default;
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    virtual void Bind() = 0;
    virtual unsigned int GetRenderBufferId() = 0;
};

}  // namespace QZW
