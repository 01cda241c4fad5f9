// Vertex buffers over GL buffer objects, one per stream, tightly packed:
// positions 3 floats (attribute 0), colours 4 unnormalised bytes (attribute 1),
// texture coordinates 2 floats (attribute 2), normals 3 floats (no attribute:
// Bind only makes the normal buffer current). Immutable after creation.
#pragma once

#include <GL/glew.h>

#include <cstdint>

#include "qzware/scene/iqz_vertex_buffer.h"

namespace QZW::Win {

class CQzVertexBuffer2 : public IQzVertexBuffer {
public:
    // Bytes per vertex of each stream.
    static constexpr int kPositionBytes = 12;
    static constexpr int kColorBytes = 4;
    static constexpr int kTexCoordBytes = 8;
    static constexpr int kNormalBytes = 12;

    CQzVertexBuffer2() = default;
    // Copies every given stream through the engine allocator first, for
    // callers whose data lives in memory they are about to reuse.
    CQzVertexBuffer2(int count, const float* positions, const std::uint8_t* colors,
                     const float* texcoords, const float* normals);
    ~CQzVertexBuffer2() override;
    CQzVertexBuffer2(const CQzVertexBuffer2&) = delete;
    CQzVertexBuffer2& operator=(const CQzVertexBuffer2&) = delete;

    // Uploads each non-null stream of `count` vertices (a negative count is 0).
    void Build(int count, const float* positions, const std::uint8_t* colors,
               const float* texcoords, const float* normals);

    void Bind() override;
    void Unbind() override;
    bool HasColor() override { return colorBuffer != 0; }
    bool HasTexCoord() override { return texcoordBuffer != 0; }
    bool HasNormal() override { return normalBuffer != 0; }
    int GetVertexCount() override { return vertexCount; }

    GLuint GetPositionBuffer() const { return positionBuffer; }
    GLuint GetColorBuffer() const { return colorBuffer; }
    GLuint GetTexCoordBuffer() const { return texcoordBuffer; }
    GLuint GetNormalBuffer() const { return normalBuffer; }

private:
    GLuint positionBuffer = 0;
    GLuint colorBuffer = 0;
    GLuint texcoordBuffer = 0;
    GLuint normalBuffer = 0;
    int vertexCount = 0;
};

}  // namespace QZW::Win
