// GPU storage of 16-bit vertex indices. Implemented by QZW::Win::CQzIndexBuffer2.
#pragma once

namespace QZW {

class IQzIndexBuffer {
public:
    virtual ~IQzIndexBuffer() = default;
    // Binds the buffer as the element array; a buffer made without indices
    // binds nothing.
    virtual void Bind() = 0;
    // A slot kept for layout; does nothing.
    virtual void Reserved() = 0;
    virtual int GetIndexCount() = 0;
};

}  // namespace QZW
