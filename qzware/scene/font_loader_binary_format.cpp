#include "qzware/scene/font_loader_binary_format.h"

#include <cstring>
#include <string>

namespace acGraphics {

namespace {

constexpr std::uint32_t kInfoOutlineOffset = 13;
constexpr std::uint32_t kCommonFieldsSize = 11;  // through the bit field at 10
constexpr std::uint32_t kCharRecordSize = 20;
constexpr std::uint32_t kKerningRecordSize = 10;
static_assert(kCharRecordSize == 4 + 4 * 2 + 3 * 2 + 1 + 1);
static_assert(kKerningRecordSize == 4 + 4 + 2);

}  // namespace

std::int32_t CFontLoaderBinaryFormat::Load() {
    const std::uint8_t* header = nullptr;
    if (!reader->ReadBytes(4, header) || std::memcmp(header, "BMF\x03", 4) != 0) {
        error = "not a version 3 binary font";
        return -1;
    }
    while (!reader->AtEnd()) {
        std::uint8_t type = 0;
        std::uint32_t size = 0;
        const std::uint8_t* block = nullptr;
        if (!reader->ReadU8(type) || !reader->ReadU32(size)) {
            error = "block header cut short";
            return -1;
        }
        if (type == 0 || type > 5) {
            error = "unknown block type";
            return -1;
        }
        if (!reader->ReadBytes(size, block)) {
            error = "block runs past the end of the file";
            return -1;
        }
        switch (type) {
            case 1:
                if (!ReadInfoBlock(block, size)) {
                    return -1;
                }
                break;
            case 2:
                if (!ReadCommonBlock(block, size)) {
                    return -1;
                }
                break;
            case 3:
                ReadPagesBlock(block, size);
                break;
            case 4:
                ReadCharsBlock(block, size);
                break;
            default:
                ReadKerningPairsBlock(block, size);
                break;
        }
    }
    return 0;
}

bool CFontLoaderBinaryFormat::ReadInfoBlock(const std::uint8_t* block, std::uint32_t size) {
    if (size <= kInfoOutlineOffset) {
        error = "info block too short";
        return false;
    }
    outline = block[kInfoOutlineOffset];
    return true;
}

bool CFontLoaderBinaryFormat::ReadCommonBlock(const std::uint8_t* block, std::uint32_t size) {
    if (size < kCommonFieldsSize) {
        error = "common block too short";
        return false;
    }
    SetCommonInfo(LoadU16LE(block), LoadU16LE(block + 2), LoadU16LE(block + 4),
                  LoadU16LE(block + 6), LoadU16LE(block + 8), block[10] & 1);
    return true;
}

void CFontLoaderBinaryFormat::ReadPagesBlock(const std::uint8_t* block, std::uint32_t size) {
    std::uint32_t start = 0;
    std::int32_t page = 0;
    // A name without its terminating zero at the block's end is dropped.
    for (std::uint32_t i = 0; i < size; ++i) {
        if (block[i] != 0) {
            continue;
        }
        AddPage(page, std::string(reinterpret_cast<const char*>(block + start), i - start),
                fontFile);
        ++page;
        start = i + 1;
    }
}

void CFontLoaderBinaryFormat::ReadCharsBlock(const std::uint8_t* block, std::uint32_t size) {
    for (std::uint32_t at = 0; size - at >= kCharRecordSize; at += kCharRecordSize) {
        const std::uint8_t* r = block + at;
        AddChar(static_cast<std::int32_t>(LoadU32LE(r)), LoadU16LE(r + 4), LoadU16LE(r + 6),
                LoadU16LE(r + 8), LoadU16LE(r + 10), LoadI16LE(r + 12), LoadI16LE(r + 14),
                LoadI16LE(r + 16), r[18], r[19]);
    }
}

void CFontLoaderBinaryFormat::ReadKerningPairsBlock(const std::uint8_t* block, std::uint32_t size) {
    for (std::uint32_t at = 0; size - at >= kKerningRecordSize; at += kKerningRecordSize) {
        const std::uint8_t* r = block + at;
        const std::uint32_t first = LoadU32LE(r);
        // Ids past 255 never kern; keep them out of the signed range check.
        if (first > 255) {
            continue;
        }
        AddKerningPair(static_cast<std::int32_t>(first),
                       static_cast<std::int32_t>(LoadU32LE(r + 4)), LoadI16LE(r + 8));
    }
}

}  // namespace acGraphics
