// Window read-back into the BMP image: GL_BGR rows bottom-up, pack alignment
// 4, are the file's padded rows. The back buffer holds the frame composed
// this tick (the next present shows it); a front read after a swap is
// undefined on software and composited stacks (llvmpipe answers black). The
// frame's target and pack state are set aside for the read and restored.
#include "qzware/win/qz_screenshot.h"

#include <GL/glew.h>

#include <cstdio>
#include <new>
#include <vector>

#include "qzware/win/qz_bmp_writer.h"

namespace QZW::Win {
namespace {

// The read state glReadPixels depends on, saved and restored around it.
struct ReadState {
    GLint framebuffer = 0;
    GLint readBuffer = GL_BACK;
    GLint packBuffer = 0;
    GLint alignment = 4, rowLength = 0, skipPixels = 0, skipRows = 0;

    void Save() {
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
        glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
        glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
        glGetIntegerv(GL_PACK_SKIP_PIXELS, &skipPixels);
        glGetIntegerv(GL_PACK_SKIP_ROWS, &skipRows);
        if (GLEW_VERSION_2_1) {
            glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
        }
        // The window's framebuffer first: the read buffer is per framebuffer.
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    }

    // A clean pack state: rows padded to 4 bytes, nothing skipped, into
    // client memory rather than a bound pack buffer.
    static void SetForImage() {
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_PACK_SKIP_ROWS, 0);
        if (GLEW_VERSION_2_1) {
            glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        }
        glReadBuffer(GL_BACK);
    }

    void Restore() const {
        glReadBuffer(GLenum(readBuffer));
        glPixelStorei(GL_PACK_ALIGNMENT, alignment);
        glPixelStorei(GL_PACK_ROW_LENGTH, rowLength);
        glPixelStorei(GL_PACK_SKIP_PIXELS, skipPixels);
        glPixelStorei(GL_PACK_SKIP_ROWS, skipRows);
        if (GLEW_VERSION_2_1) {
            glBindBuffer(GL_PIXEL_PACK_BUFFER, GLuint(packBuffer));
        }
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(framebuffer));
    }
};

}  // namespace

bool SaveScreenshot(const char* path, std::int32_t width, std::int32_t height, std::int32_t x,
                    std::int32_t y) {
    if (path == nullptr || x < 0 || y < 0) {
        return false;
    }
    // No drawable is larger than the biggest viewport, so a larger picture
    // could hold nothing read from the window; refusing it also keeps a
    // script's sizes from asking for gigabytes.
    GLint maxDims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxDims);
    if (width > maxDims[0] || height > maxDims[1]) {
        return false;
    }
    std::vector<std::uint8_t> image;
    try {
        if (!QzBmpMakeImage(width, height, image)) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    ReadState saved;
    saved.Save();
    ReadState::SetForImage();
    glReadPixels(x, y, width, height, GL_BGR, GL_UNSIGNED_BYTE, image.data() + kQzBmpHeaderSize);
    const bool read = glGetError() == GL_NO_ERROR;
    saved.Restore();
    // A failed read would leave a black picture that looks like a real one.
    if (!read) {
        return false;
    }
    if (!QzBmpWriteFile(path, image)) {
        std::printf("Failed File %s Create.\n", path);
        std::fflush(stdout);
        return false;
    }
    return true;
}

}  // namespace QZW::Win
