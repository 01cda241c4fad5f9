#include "qzware/scene/mem_reader.h"

namespace acGraphics {

MemReader::MemReader(const std::uint8_t* data, std::uint32_t length)
    : base(data), size(data ? length : 0), cursor(data) {}

bool MemReader::ReadBytes(std::uint32_t count, const std::uint8_t*& out) {
    if (count > Remaining()) {
        return false;
    }
    out = cursor;
    cursor += count;
    return true;
}

bool MemReader::Skip(std::uint32_t count) {
    const std::uint8_t* ignored = nullptr;
    return ReadBytes(count, ignored);
}

bool MemReader::ReadU8(std::uint8_t& out) {
    const std::uint8_t* p = nullptr;
    if (!ReadBytes(1, p)) {
        return false;
    }
    out = p[0];
    return true;
}

bool MemReader::ReadU16(std::uint16_t& out) {
    const std::uint8_t* p = nullptr;
    if (!ReadBytes(2, p)) {
        return false;
    }
    out = LoadU16LE(p);
    return true;
}

bool MemReader::ReadU32(std::uint32_t& out) {
    const std::uint8_t* p = nullptr;
    if (!ReadBytes(4, p)) {
        return false;
    }
    out = LoadU32LE(p);
    return true;
}

}  // namespace acGraphics
