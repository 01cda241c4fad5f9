// Vertex buffer upload and attribute set-up.
#include "qzware/win/qz_vertex_buffer2.h"

#include <cstring>

#include "qzware/common/qz_mem.h"

namespace QZW::Win {
namespace {

GLuint Upload(const void* data, int count, int bytesPerVertex) {
    if (data == nullptr) {
        return 0;
    }
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * bytesPerVertex, data,
                 GL_STATIC_DRAW);
    return name;
}

void SetUpAttribute(GLuint buffer, GLuint attribute, GLint size, GLenum type) {
    if (buffer == 0) {
        glDisableVertexAttribArray(attribute);
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glEnableVertexAttribArray(attribute);
    glVertexAttribPointer(attribute, size, type, GL_FALSE, 0, nullptr);
}

// A copy of `bytes` from the engine allocator; null when no data is given or
// the allocator is unavailable (the caller then uploads the original).
void* CopyStream(const void* data, std::size_t bytes) {
    if (data == nullptr || bytes == 0 || bytes > 0xFFFFFFFFu || !QzMemManagerExists()) {
        return nullptr;
    }
    void* copy = QzMemAllocLocked(static_cast<std::uint32_t>(bytes), 8);
    if (copy != nullptr) {
        std::memcpy(copy, data, bytes);
    }
    return copy;
}

}  // namespace

CQzVertexBuffer2::CQzVertexBuffer2(int count, const float* positions, const std::uint8_t* colors,
                                   const float* texcoords, const float* normals) {
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    void* p = CopyStream(positions, n * kPositionBytes);
    void* c = CopyStream(colors, n * kColorBytes);
    void* t = CopyStream(texcoords, n * kTexCoordBytes);
    void* nm = CopyStream(normals, n * kNormalBytes);
    Build(count, p ? static_cast<const float*>(p) : positions,
          c ? static_cast<const std::uint8_t*>(c) : colors,
          t ? static_cast<const float*>(t) : texcoords,
          nm ? static_cast<const float*>(nm) : normals);
    for (void* copy : {p, c, t, nm}) {
        if (copy != nullptr) {
            QzMemFree(copy);
        }
    }
}

CQzVertexBuffer2::~CQzVertexBuffer2() {
    const GLuint names[4] = {positionBuffer, colorBuffer, texcoordBuffer, normalBuffer};
    for (GLuint name : names) {
        if (name != 0) {
            glDeleteBuffers(1, &name);
        }
    }
}

void CQzVertexBuffer2::Build(int count, const float* positions, const std::uint8_t* colors,
                             const float* texcoords, const float* normals) {
    vertexCount = count > 0 ? count : 0;
    positionBuffer = Upload(positions, vertexCount, kPositionBytes);
    colorBuffer = Upload(colors, vertexCount, kColorBytes);
    texcoordBuffer = Upload(texcoords, vertexCount, kTexCoordBytes);
    normalBuffer = Upload(normals, vertexCount, kNormalBytes);
    Unbind();
}

void CQzVertexBuffer2::Bind() {
    SetUpAttribute(positionBuffer, 0, 3, GL_FLOAT);
    SetUpAttribute(colorBuffer, 1, 4, GL_UNSIGNED_BYTE);
    SetUpAttribute(texcoordBuffer, 2, 2, GL_FLOAT);
    if (normalBuffer != 0) {
        glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
    }
}

void CQzVertexBuffer2::Unbind() {
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    const GLuint names[3] = {positionBuffer, colorBuffer, texcoordBuffer};
    for (GLuint attribute = 0; attribute < 3; ++attribute) {
        if (names[attribute] != 0) {
            glDisableVertexAttribArray(attribute);
        }
    }
}

}  // namespace QZW::Win
