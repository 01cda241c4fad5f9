// Render target creation, binding and attachments.
#include "qzware/win/qz_frame_buffer.h"

#include "qzware/scene/iqz_texture.h"
#include "qzware/win/qz_render_buffer.h"
#include "qzware/win/qz_texture_gl.h"

namespace QZW::Win {

CQzFrameBuffer::~CQzFrameBuffer() {
    delete ownedColor;
    delete ownedDepth;
    if (frameBuffer != 0) {
        glDeleteFramebuffersEXT(1, &frameBuffer);
    }
}

void CQzFrameBuffer::Create(int w, int h, bool withDepth) {
    width = w;
    height = h;
    colorRenderBuffer = depthRenderBuffer = stencilRenderBuffer = nullptr;
    colorTexture = depthTexture = nullptr;
    glGenFramebuffersEXT(1, &frameBuffer);
    Bind();
    if (withDepth) {
        ownedDepth = new CQzRenderBuffer(width, height, GL_DEPTH_COMPONENT24);
        depthRenderBuffer = ownedDepth;
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                     GL_RENDERBUFFER_EXT, ownedDepth->GetRenderBufferId());
    }
    CQzTextureGL* color = CQzTextureGL::CreateEmpty(width, height);
    if (color != nullptr) {
        color->SetFilter(true, true);
        color->SetWrap(false);
        ownedColor = color;
        colorTexture = color;
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                  color->GetTextureId(), 0);
    }
    pendingColor = color;
    if (pendingColor == nullptr) {
        status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    }
    Unbind();
}

void CQzFrameBuffer::BindForAttaching() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
    glViewport(0, 0, width, height);
}

bool CQzFrameBuffer::PutOffColorClear(std::uint32_t rgba) {
    return pendingColor != nullptr && pendingColor->SetPendingFill(rgba);
}

void CQzFrameBuffer::Bind() {
    BindForAttaching();
    if (pendingColor != nullptr) {
        // The colour image is made when the target is first drawn into.
        pendingColor->MakeStorage();
        pendingColor = nullptr;
        status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    }
}

void CQzFrameBuffer::Unbind() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void CQzFrameBuffer::AttachRenderBuffer(IQzRenderBuffer* buffer, int kind) {
    if (buffer == nullptr) {
        return;
    }
    // Sharing a depth buffer draws nothing: the colour image stays unmade.
    BindForAttaching();
    GLenum attachment = 0;
    switch (kind) {
        case 0:
            attachment = GL_COLOR_ATTACHMENT0_EXT;
            colorRenderBuffer = buffer;
            break;
        case 1:
            attachment = GL_DEPTH_ATTACHMENT_EXT;
            depthRenderBuffer = buffer;
            break;
        case 2:
            attachment = GL_STENCIL_ATTACHMENT_EXT;
            stencilRenderBuffer = buffer;
            break;
        default:
            return;
    }
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, attachment, GL_RENDERBUFFER_EXT,
                                 buffer->GetRenderBufferId());
}

void CQzFrameBuffer::AttachTexture(IQzTexture* texture, int kind) {
    if (texture == nullptr) {
        return;
    }
    Bind();
    GLenum attachment = 0;
    switch (kind) {
        case 0:
            attachment = GL_COLOR_ATTACHMENT0_EXT;
            colorTexture = texture;
            break;
        case 1:
            attachment = GL_DEPTH_ATTACHMENT_EXT;
            depthTexture = texture;
            break;
        default:
            return;
    }
    if (auto* gl = dynamic_cast<CQzTextureGL*>(texture)) {
        gl->MakeStorage();
    }
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, attachment, GL_TEXTURE_2D,
                              texture->GetTextureId(), 0);
}

}  // namespace QZW::Win
