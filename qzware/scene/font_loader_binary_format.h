// acGraphics::CFontLoaderBinaryFormat: BMFont binary files, version 3:
// "BMF" 3, then blocks (type u8, size u32, size bytes) of types 1 to 5.
// A block that runs past the data or is too short for its fixed fields is a
// format error; trailing partial char or kerning records are ignored.
#pragma once

#include "qzware/scene/font_loader.h"

namespace acGraphics {

class CFontLoaderBinaryFormat : public CFontLoader {
public:
    using CFontLoader::CFontLoader;
    std::int32_t Load() override;

private:
    bool ReadInfoBlock(const std::uint8_t* block, std::uint32_t size);
    bool ReadCommonBlock(const std::uint8_t* block, std::uint32_t size);
    void ReadPagesBlock(const std::uint8_t* block, std::uint32_t size);
    void ReadCharsBlock(const std::uint8_t* block, std::uint32_t size);
    void ReadKerningPairsBlock(const std::uint8_t* block, std::uint32_t size);
};

}  // namespace acGraphics
