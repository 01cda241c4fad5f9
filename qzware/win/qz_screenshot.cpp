// Front-buffer read-back into the BMP image: GL_BGR rows bottom-up with the
// default pack alignment of 4 are exactly the file's padded pixel rows.
#include "qzware/win/qz_screenshot.h"

#include <GL/glew.h>

#include <vector>

#include "qzware/win/qz_bmp_writer.h"

namespace QZW::Win {

void SaveScreenshot(const char* path, std::int32_t width, std::int32_t height, std::int32_t x,
                    std::int32_t y) {
    std::vector<std::uint8_t> image;
    if (!QzBmpMakeImage(width, height, image)) {
        return;
    }
    glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_BGR, GL_UNSIGNED_BYTE, image.data() + kQzBmpHeaderSize);
    QzBmpWriteFile(path, image);
}

}  // namespace QZW::Win
