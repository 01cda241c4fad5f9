// SaveScreenshot: the renderer's free function that writes the window's
// composed frame (its back buffer, whatever target is bound) to a 24-bit BMP
// (layout in qz_bmp_writer.h). Main thread, context current. Empty sizes,
// sizes beyond the largest viewport, a negative origin or a failed read write
// nothing. The file is replaced whole or not at all; a write that fails
// prints "Failed File %s Create." and leaves any older picture in place.
// True when the picture was written.
#pragma once

#include <cstdint>

namespace QZW::Win {

bool SaveScreenshot(const char* path, std::int32_t width, std::int32_t height, std::int32_t x,
                    std::int32_t y);

}  // namespace QZW::Win
