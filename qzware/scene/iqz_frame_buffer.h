// An off-screen render target: a colour texture and optional depth storage.
// Implemented by QZW::Win::CQzFrameBuffer; the renderer's target table holds these.
#pragma once

namespace QZW {

class IQzRenderBuffer;
class IQzTexture;

class IQzFrameBuffer {
public:
    virtual ~IQzFrameBuffer() = default;
    // Binding also sets the viewport to the target's size.
    virtual void Bind() = 0;
    // Drawing goes back to the window.
    virtual void Unbind() = 0;
    // A slot kept for layout; does nothing.
    virtual void Reserved() = 0;
    virtual IQzTexture* GetTexture() = 0;
    virtual IQzTexture* GetDepthTexture() = 0;
    virtual IQzRenderBuffer* GetColorRenderBuffer() = 0;
    virtual IQzRenderBuffer* GetDepthRenderBuffer() = 0;
    virtual IQzRenderBuffer* GetStencilRenderBuffer() = 0;
    // kind 0 colour, 1 depth, 2 stencil; other kinds and null attach nothing.
    // The target stays bound afterwards. The caller keeps ownership.
    virtual void AttachRenderBuffer(IQzRenderBuffer* buffer, int kind) = 0;
    // kind 0 colour, 1 depth; other kinds and null attach nothing.
    virtual void AttachTexture(IQzTexture* texture, int kind) = 0;
};

}  // namespace QZW
