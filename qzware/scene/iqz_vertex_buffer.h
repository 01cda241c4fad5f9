// GPU vertex storage: one buffer per attribute stream (positions, colours,
// texture coordinates, normals), any stream but positions may be absent.
// Implemented by QZW::Win::CQzVertexBuffer2.
#pragma once

namespace QZW {

class IQzVertexBuffer {
public:
    virtual ~IQzVertexBuffer() = default;
    // Sets up attributes 0-2 from the present streams, disabling absent ones.
    virtual void Bind() = 0;
    virtual void Unbind() = 0;
    virtual bool HasColor() = 0;
    virtual bool HasTexCoord() = 0;
    virtual bool HasNormal() = 0;
    virtual int GetVertexCount() = 0;
};

}  // namespace QZW
