// Render buffer storage.
#include "qzware/win/qz_render_buffer.h"

namespace QZW::Win {

CQzRenderBuffer::CQzRenderBuffer(int w, int h, GLenum format) : width(w), height(h) {
    glGenRenderbuffersEXT(1, &renderBuffer);
    Bind();
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, format, width, height);
}

CQzRenderBuffer::~CQzRenderBuffer() {
    if (renderBuffer != 0) {
        glDeleteRenderbuffersEXT(1, &renderBuffer);
    }
}

void CQzRenderBuffer::Bind() {
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderBuffer);
}

}  // namespace QZW::Win
