// A GL render buffer (EXT_framebuffer_object) with storage of one format.
#pragma once

#include <GL/glew.h>

#include "qzware/scene/iqz_render_buffer.h"

namespace QZW::Win {

class CQzRenderBuffer : public IQzRenderBuffer {
public:
    // Generates the name and allocates width x height storage of `format`
    // (GL_DEPTH_COMPONENT24 for the targets' depth buffers).
    CQzRenderBuffer(int width, int height, GLenum format);
    ~CQzRenderBuffer() override;
    CQzRenderBuffer(const CQzRenderBuffer&) = delete;
    CQzRenderBuffer& operator=(const CQzRenderBuffer&) = delete;

    int GetWidth() override { return width; }
    int GetHeight() override { return height; }
    void Bind() override;
    unsigned int GetRenderBufferId() override { return renderBuffer; }

private:
    GLuint renderBuffer = 0;
    int width = 0;
    int height = 0;
};

}  // namespace QZW::Win
