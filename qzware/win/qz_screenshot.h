// SaveScreenshot: the renderer's free function that writes the window's
// composed frame (its back buffer, whatever target is bound) to a 24-bit BMP
// (layout in qz_bmp_writer.h). Main thread, context current. Empty sizes,
// sizes beyond the largest viewport, a negative origin or a failed read write
// nothing; a file that cannot be created is not reported.
#pragma once

#include <cstdint>

namespace QZW::Win {

void SaveScreenshot(const char* path, std::int32_t width, std::int32_t height, std::int32_t x,
                    std::int32_t y);

}  // namespace QZW::Win
