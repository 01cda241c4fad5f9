// OpenGL 2D textures: the loaders by file extension (TGA/".dat", DDS), raw
// pixel uploads (movie frames) and empty render-target colour buffers.
// Depends on GLEW (entry points), the engine allocator (file and TGA pixel
// buffers) and qz_texture_formats.h (decoding). Main (GL) thread only.
// Creating or re-sampling a texture leaves the active unit's binding as it was.
#pragma once

#include <GL/glew.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "qzware/scene/iqz_texture.h"

namespace QZW::Win {

class CQzTextureGL : public IQzTexture {
public:
    CQzTextureGL(std::int32_t width, std::int32_t height, const std::string& name);
    // Deletes the GL texture.
    ~CQzTextureGL() override;
    // How many textures were deleted so far: a texture made later may reuse
    // a deleted one's address, so a binding cached by pointer is stale once
    // this changes.
    static std::uint32_t GetDeletedCount();
    CQzTextureGL(const CQzTextureGL&) = delete;
    CQzTextureGL& operator=(const CQzTextureGL&) = delete;

    std::int32_t GetWidth() override { return width; }
    std::int32_t GetHeight() override { return height; }
    void Bind() override;
    void Unbind() override;
    std::string GetName() override { return name; }
    void SetName(const std::string& newName) override { name = newName; }
    std::uint32_t GetTextureId() override { return textureName; }
    void SetWrap(bool repeat) override;
    void SetFilter(bool minLinear, bool magLinear) override;

    // [SECTION] Creation
    // Reads the whole file through the file reader and decodes it by the
    // path's extension; null for another extension, an unreadable file or a
    // file the decoder refuses.
    static CQzTextureGL* LoadFile(const char* path);
    // The same on `length` bytes at `data`, which the caller keeps.
    static CQzTextureGL* LoadMemory(const char* path, const void* data, std::size_t length);
    // Uploads level 0 from `pixels`; nearest filtering, clamped.
    static CQzTextureGL* CreateFromPixels(const void* pixels, std::int32_t width,
                                          std::int32_t height, const char* name, GLenum format,
                                          GLint internalFormat);
    // RGBA8 without data, named "__"; linear filtering, clamped.
    // Its image is made at the first Bind (or MakeStorage), not here.
    static CQzTextureGL* CreateEmpty(std::int32_t width, std::int32_t height);
    // Makes a pending image now, keeping the active binding.
    void MakeStorage();
    // True while the image is not made yet.
    bool IsImagePending() const { return storagePending; }
    // While the image is pending: every texel of it, once made, holds the
    // bytes of `rgba` (a full clear that has not happened yet; 0 is the
    // zeros a new image reads as). False, doing nothing, once it is made.
    bool SetPendingFill(std::uint32_t rgba);
    // Binding for sampling: a pending image is not made; a 1 x 1 image of
    // its fill stands in, which samples to the same texel under every
    // filter and wrap mode. Drawing into the target, or Bind, makes the
    // image at its full size.
    void BindForSampling();

    // The decoders behind LoadMemory; `length` bounds every read.
    static CQzTextureGL* LoadTga(const void* data, std::size_t length, const char* name);
    static CQzTextureGL* LoadDds(const void* data, std::size_t length, const char* name);

    // How LoadFile reads a whole file: a buffer from the engine allocator
    // (released with QzMemFree) and its size, or null. The game manager points
    // it at its file manager (data-tree paths); the default opens the path as
    // given. Null restores the default.
    using FileReader = void* (*)(const char* path, std::size_t* size);
    static void SetFileReader(FileReader reader);

private:
    // glGenTextures and glBindTexture of the new name.
    void Generate();
    // glBindTexture alone: setting parameters does not make a pending image.
    void BindName();

    std::int32_t width;
    std::int32_t height;
    GLuint textureName = 0;
    // An empty texture's image is made at its first Bind.
    bool storagePending = false;
    // The texel bytes of a pending image (see SetPendingFill).
    std::uint32_t pendingFill = 0;
    // A 1 x 1 stand-in of the fill is the image for now (BindForSampling).
    bool standIn = false;
    // Uploads the fill to the bound texture's image of w x h.
    void UploadFill(std::int32_t w, std::int32_t h) const;
    std::string name;
};

}  // namespace QZW::Win
