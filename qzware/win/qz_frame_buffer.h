// An off-screen render target over EXT_framebuffer_object: an RGBA8 colour
// texture and an optional 24-bit depth render buffer. It deletes only what it
// created; buffers and textures attached later stay the caller's (the
// renderer shares target 0's depth buffer with targets 2 and 5).
#pragma once

#include <GL/glew.h>

#include <cstdint>

#include "qzware/scene/iqz_frame_buffer.h"

namespace QZW::Win {

class CQzTextureGL;

class CQzFrameBuffer : public IQzFrameBuffer {
public:
    CQzFrameBuffer() = default;
    ~CQzFrameBuffer() override;
    CQzFrameBuffer(const CQzFrameBuffer&) = delete;
    CQzFrameBuffer& operator=(const CQzFrameBuffer&) = delete;

    // Builds the target; leaves drawing on the window afterwards.
    void Create(int width, int height, bool withDepth);

    // Binds the target for drawing (its colour image is made now if it is
    // not yet) and sets the viewport to its size.
    void Bind() override;
    void Unbind() override;
    // A full clear of the colour to `rgba` while the colour image is not
    // made yet is kept for when it is made; true when it was kept so. False
    // once the image exists (the caller binds and clears).
    bool PutOffColorClear(std::uint32_t rgba);
    void Reserved() override {}
    IQzTexture* GetTexture() override { return colorTexture; }
    IQzTexture* GetDepthTexture() override { return depthTexture; }
    IQzRenderBuffer* GetColorRenderBuffer() override { return colorRenderBuffer; }
    IQzRenderBuffer* GetDepthRenderBuffer() override { return depthRenderBuffer; }
    IQzRenderBuffer* GetStencilRenderBuffer() override { return stencilRenderBuffer; }
    void AttachRenderBuffer(IQzRenderBuffer* buffer, int kind) override;
    void AttachTexture(IQzTexture* texture, int kind) override;

    GLuint GetFrameBufferId() const { return frameBuffer; }
    int GetWidth() const { return width; }
    int GetHeight() const { return height; }
    // The completeness status seen when the target's colour image was made
    // (its first Bind after Create; 0 before).
    GLenum GetStatus() const { return status; }

private:
    // Bind without making the colour image (attaching buffers).
    void BindForAttaching();

    GLuint frameBuffer = 0;
    IQzRenderBuffer* colorRenderBuffer = nullptr;
    IQzRenderBuffer* depthRenderBuffer = nullptr;
    IQzRenderBuffer* stencilRenderBuffer = nullptr;
    IQzTexture* colorTexture = nullptr;
    IQzTexture* depthTexture = nullptr;
    int width = 0;
    int height = 0;
    // What Create made; attachments from outside are not deleted.
    IQzRenderBuffer* ownedDepth = nullptr;
    IQzTexture* ownedColor = nullptr;
    GLenum status = 0;
    // Create's colour texture until its image is made.
    CQzTextureGL* pendingColor = nullptr;
};

}  // namespace QZW::Win
