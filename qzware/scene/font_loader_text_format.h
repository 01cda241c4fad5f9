// acGraphics::CFontLoaderTextFormat: BMFont text files: one record per line,
// a tag then key=value pairs; "info", "common", "page", "char" and "kerning"
// are read, other lines ignored. Numbers saturate at the 32-bit range; a
// page file value must be quoted ("name") or the page is skipped.
#pragma once

#include <string_view>

#include "qzware/scene/font_loader.h"

namespace acGraphics {

class CFontLoaderTextFormat : public CFontLoader {
public:
    using CFontLoader::CFontLoader;
    std::int32_t Load() override;

private:
    void InterpretLine(std::string_view line);
};

}  // namespace acGraphics
