// Index buffers of 16-bit indices in a GL element array buffer. One made
// without indices has no buffer (name 0) and binds nothing; the renderer
// draws nothing with it rather than reading indices from address zero.
#pragma once

#include <GL/glew.h>

#include <cstdint>

#include "qzware/scene/iqz_index_buffer.h"

namespace QZW::Win {

class CQzIndexBuffer2 : public IQzIndexBuffer {
public:
    // A negative count is 0.
    CQzIndexBuffer2(int count, const std::uint16_t* indices);
    ~CQzIndexBuffer2() override;
    CQzIndexBuffer2(const CQzIndexBuffer2&) = delete;
    CQzIndexBuffer2& operator=(const CQzIndexBuffer2&) = delete;

    void Bind() override;
    void Reserved() override {}
    int GetIndexCount() override { return indexCount; }

    GLuint GetBuffer() const { return buffer; }

private:
    GLuint buffer = 0;
    int indexCount = 0;
};

}  // namespace QZW::Win
