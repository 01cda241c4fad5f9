// Index buffer upload and binding.
#include "qzware/win/qz_index_buffer2.h"

namespace QZW::Win {

CQzIndexBuffer2::CQzIndexBuffer2(int count, const std::uint16_t* indices) {
    indexCount = count > 0 ? count : 0;
    if (indices == nullptr) {
        return;
    }
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexCount) * 2, indices,
                 GL_STATIC_DRAW);
}

CQzIndexBuffer2::~CQzIndexBuffer2() {
    if (buffer != 0) {
        glDeleteBuffers(1, &buffer);
    }
}

void CQzIndexBuffer2::Bind() {
    if (buffer != 0) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
    }
}

}  // namespace QZW::Win
