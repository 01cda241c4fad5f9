// SaveScreenshot: the renderer's free function that writes the front buffer of
// the current GL context to a 24-bit BMP (layout in qz_bmp_writer.h).
// Main thread, with the context current. Empty sizes write nothing; a file
// that cannot be created is not reported.
#pragma once

#include <cstdint>

namespace QZW::Win {

void SaveScreenshot(const char* path, std::int32_t width, std::int32_t height, std::int32_t x,
                    std::int32_t y);

}  // namespace QZW::Win
