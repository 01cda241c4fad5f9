// acGraphics::MemReader: a bounded cursor over a font file held in memory.
// Every read checks the bytes left first; a read that does not fit yields
// nothing and leaves the cursor where it was. The reader does not own the
// bytes; integers are read little-endian byte by byte.
#pragma once

#include <cstdint>

namespace acGraphics {

class MemReader {
public:
    // A null `data` is taken as an empty file whatever `size` says.
    MemReader(const std::uint8_t* data, std::uint32_t size);
    virtual ~MemReader() = default;
    MemReader(const MemReader&) = delete;
    MemReader& operator=(const MemReader&) = delete;

    std::uint32_t Position() const { return static_cast<std::uint32_t>(cursor - base); }
    std::uint32_t Remaining() const { return size - Position(); }
    bool AtEnd() const { return Remaining() == 0; }

    bool ReadU8(std::uint8_t& out);
    bool ReadU16(std::uint16_t& out);
    bool ReadU32(std::uint32_t& out);
    // A view of the next `count` bytes (valid while the file's bytes live).
    bool ReadBytes(std::uint32_t count, const std::uint8_t*& out);
    bool Skip(std::uint32_t count);

    const std::uint8_t* base;
    std::uint32_t size;
    const std::uint8_t* cursor;
};

// Little-endian fields of a block already known to hold them.
inline std::uint16_t LoadU16LE(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadU32LE(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::int16_t LoadI16LE(const std::uint8_t* p) {
    return static_cast<std::int16_t>(LoadU16LE(p));
}

}  // namespace acGraphics
