// CQzTextureGL: GL texture objects and the TGA and DDS uploads. Decoding
// (and every bound on the file's length) is in qz_texture_formats.cpp; this
// file turns a decoded description into GL calls and owns the buffers.
#include "qzware/win/qz_texture_gl.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/file/file.h"
#include "qzware/common/qz_mem.h"
#include "qzware/scene/qz_load_report.h"
#include "qzware/win/qz_texture_formats.h"

namespace QZW::Win {

namespace {

// [SECTION] File reading

void* ReadPlainFile(const char* path, std::size_t* size) {
    int err = 0;
    std::FILE* f = platform::file::open_regular_for_read(path, &err);
    if (f == nullptr) {
        return nullptr;
    }
    void* buffer = nullptr;
    long length = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        length = std::ftell(f);
    }
    // Like the file manager's whole-file reads, the content is followed by
    // eight zero bytes.
    if (length >= 0 && std::uint64_t(length) + 8 <= 0xFFFFFFFFull &&
        std::fseek(f, 0, SEEK_SET) == 0) {
        const std::uint32_t bytes = std::uint32_t(length);
        buffer = QzMemAllocLocked(bytes + 8, 8);
        if (buffer != nullptr) {
            auto* p = static_cast<std::uint8_t*>(buffer);
            for (std::uint32_t i = 0; i < bytes + 8; ++i) {
                p[i] = 0;
            }
            if (std::fread(buffer, 1, bytes, f) != bytes) {
                QzMemFree(buffer);
            } else {
                *size = bytes;
            }
        }
    }
    std::fclose(f);
    return buffer;
}

CQzTextureGL::FileReader g_fileReader = ReadPlainFile;

GLenum CompressedFormat(QzPixelFormat format) {
    switch (format) {
        case QzPixelFormat::Dxt1:
            return GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
        case QzPixelFormat::Dxt3:
            return GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
        default:
            return GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
    }
}

const char* CompressedFormatName(QzPixelFormat format) {
    switch (format) {
        case QzPixelFormat::Dxt1:
            return "GL_COMPRESSED_RGBA_S3TC_DXT1_EXT";
        case QzPixelFormat::Dxt3:
            return "GL_COMPRESSED_RGBA_S3TC_DXT3_EXT";
        default:
            return "GL_COMPRESSED_RGBA_S3TC_DXT5_EXT";
    }
}

GLenum UncompressedFormat(std::uint32_t components) {
    return components == 1 ? GL_LUMINANCE : components == 3 ? GL_RGB : GL_RGBA;
}

// Creating or re-sampling a texture binds it on whichever unit is active.
// The renderer caches what each unit holds, so the active unit's binding is
// put back afterwards and a cached texture stays the one that is sampled.
class KeepActiveBinding {
public:
    KeepActiveBinding() { glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous); }
    ~KeepActiveBinding() { glBindTexture(GL_TEXTURE_2D, GLuint(previous)); }
    KeepActiveBinding(const KeepActiveBinding&) = delete;
    KeepActiveBinding& operator=(const KeepActiveBinding&) = delete;

private:
    GLint previous = 0;
};

std::uint32_t g_deletedTextures = 0;

}  // namespace

// [SECTION] Texture object

CQzTextureGL::CQzTextureGL(std::int32_t w, std::int32_t h, const std::string& textureFileName)
    : width(w), height(h), name(textureFileName) {}

CQzTextureGL::~CQzTextureGL() {
    if (textureName != 0) {
        glDeleteTextures(1, &textureName);
    }
    ++g_deletedTextures;
}

std::uint32_t CQzTextureGL::GetDeletedCount() {
    return g_deletedTextures;
}

void CQzTextureGL::Generate() {
    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
}

void CQzTextureGL::Bind() {
    glBindTexture(GL_TEXTURE_2D, textureName);
    if (storagePending) {
        // A target's image is made at its first use, drawn into or sampled:
        // llvmpipe fills the storage when it is made, so targets the game
        // never uses stay out of the resident set. Made then, it reads as
        // zeros, as it did when made at start-up, or as the clear that was
        // put off until now.
        storagePending = false;
        standIn = false;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     nullptr);
        if (pendingFill != 0) {
            UploadFill(width, height);
        }
    }
}

void CQzTextureGL::BindForSampling() {
    glBindTexture(GL_TEXTURE_2D, textureName);
    if (storagePending && !standIn) {
        standIn = true;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        UploadFill(1, 1);
    }
}

bool CQzTextureGL::SetPendingFill(std::uint32_t rgba) {
    if (!storagePending) {
        return false;
    }
    pendingFill = rgba;
    if (standIn) {
        KeepActiveBinding keep;
        BindName();
        UploadFill(1, 1);
    }
    return true;
}

void CQzTextureGL::UploadFill(std::int32_t w, std::int32_t h) const {
    // Rows of the fill in chunks of at most 16 KiB, with the unpack state
    // the upload needs, put back afterwards.
    GLint alignment = 4, rowLength = 0, skipRows = 0, skipPixels = 0, unpackBuffer = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &skipRows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &skipPixels);
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    const std::int32_t rowsPerChunk = std::max<std::int32_t>(1, 4096 / std::max(w, 1));
    std::vector<std::uint32_t> chunk(std::size_t(w) * std::size_t(std::min(rowsPerChunk, h)),
                                     pendingFill);
    for (std::int32_t y = 0; y < h; y += rowsPerChunk) {
        const std::int32_t rows = std::min(rowsPerChunk, h - y);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, w, rows, GL_RGBA, GL_UNSIGNED_BYTE, chunk.data());
    }
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, GLuint(unpackBuffer));
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
}

void CQzTextureGL::MakeStorage() {
    if (storagePending) {
        KeepActiveBinding keep;
        Bind();
    }
}

void CQzTextureGL::BindName() {
    glBindTexture(GL_TEXTURE_2D, textureName);
}

void CQzTextureGL::Unbind() {
    glBindTexture(GL_TEXTURE_2D, 0);
}

void CQzTextureGL::SetWrap(bool repeat) {
    KeepActiveBinding keep;
    BindName();
    const GLint mode = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, mode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, mode);
}

void CQzTextureGL::SetFilter(bool minLinear, bool magLinear) {
    KeepActiveBinding keep;
    BindName();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minLinear ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
}

// [SECTION] Creation

namespace {

const char* TgaReason(QzTgaStatus status) {
    switch (status) {
        case QzTgaStatus::ShortHeader:
            return "TGA file shorter than its 18-byte header";
        case QzTgaStatus::UnsupportedType:
            return "TGA image type or pixel depth not supported";
        case QzTgaStatus::EmptyImage:
            return "TGA image of width or height 0";
        case QzTgaStatus::ShortData:
            return "TGA pixel data runs past the end of the file";
        case QzTgaStatus::TooLarge:
            return "TGA image too large to decode";
        default:
            return "TGA file not decoded";
    }
}

const char* DdsReason(QzDdsStatus status) {
    switch (status) {
        case QzDdsStatus::ShortHeader:
            return "DDS file shorter than its 128-byte header";
        case QzDdsStatus::BadMagic:
            return "not a DDS file (no \"DDS \" magic)";
        case QzDdsStatus::VolumeTexture:
            return "DDS volume texture";
        case QzDdsStatus::UnsupportedFourCC:
            return "DDS compression other than DXT1, DXT3 or DXT5";
        case QzDdsStatus::UnsupportedFormat:
            return "DDS pixel format not supported";
        case QzDdsStatus::BadDimensions:
            return "DDS width or height 0 or too large";
        case QzDdsStatus::TooManyLevels:
            return "DDS declares more than 16 mip levels";
        case QzDdsStatus::ShortData:
            return "DDS image data runs past the end of the file";
        default:
            return "DDS file not decoded";
    }
}

void Refused(const char* path, const char* reason) {
    QZW::QzReportLoadFailure("texture", path != nullptr ? path : "", reason);
}

}  // namespace

void CQzTextureGL::SetFileReader(FileReader reader) {
    g_fileReader = reader != nullptr ? reader : ReadPlainFile;
}

CQzTextureGL* CQzTextureGL::LoadFile(const char* path) {
    if (QzTextureFileTypeOf(path) == QzTextureFileType::Unknown) {
        Refused(path, "not a .tga, .dat or .dds name");
        return nullptr;
    }
    std::size_t size = 0;
    void* buffer = g_fileReader(path, &size);
    if (buffer == nullptr) {
        Refused(path, "the file is missing or cannot be read");
        return nullptr;
    }
    CQzTextureGL* texture = LoadMemory(path, buffer, size);
    QzMemFree(buffer);
    return texture;
}

CQzTextureGL* CQzTextureGL::LoadMemory(const char* path, const void* data, std::size_t length) {
    switch (QzTextureFileTypeOf(path)) {
        case QzTextureFileType::Tga:
            return LoadTga(data, length, path);
        case QzTextureFileType::Dds:
            return LoadDds(data, length, path);
        default:
            Refused(path, "not a .tga, .dat or .dds name");
            return nullptr;
    }
}

CQzTextureGL* CQzTextureGL::CreateFromPixels(const void* pixels, std::int32_t w, std::int32_t h,
                                             const char* textureFileName, GLenum format,
                                             GLint internalFormat) {
    KeepActiveBinding keep;
    auto* texture = new CQzTextureGL(w, h, textureFileName != nullptr ? textureFileName : "");
    texture->Generate();
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, w, h, 0, format, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

CQzTextureGL* CQzTextureGL::CreateEmpty(std::int32_t w, std::int32_t h) {
    KeepActiveBinding keep;
    auto* texture = new CQzTextureGL(w, h, "__");
    texture->Generate();
    texture->storagePending = true;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

// [SECTION] TGA upload

CQzTextureGL* CQzTextureGL::LoadTga(const void* data, std::size_t length,
                                    const char* textureFileName) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    QzTgaInfo info;
    if (const QzTgaStatus status = QzTgaParse(bytes, length, &info); status != QzTgaStatus::Ok) {
        Refused(textureFileName, TgaReason(status));
        return nullptr;
    }
    void* pixels = QzMemAllocLocked(std::uint32_t(info.outputSize), 8);
    if (pixels == nullptr) {
        Refused(textureFileName, "no memory for the decoded image");
        return nullptr;
    }
    CQzTextureGL* texture = nullptr;
    if (QzTgaDecode(bytes, length, static_cast<std::uint8_t*>(pixels), info.outputSize)) {
        const bool alpha = info.format == QzPixelFormat::Alpha8;
        // Alpha rows are one byte per pixel and need not fill 4-byte rows.
        glPixelStorei(GL_UNPACK_ALIGNMENT, GLint(info.unpackAlignment));
        texture = CreateFromPixels(pixels, std::int32_t(info.width), std::int32_t(info.height),
                                   textureFileName, alpha ? GL_ALPHA : GL_RGBA,
                                   alpha ? GL_ALPHA8 : GL_RGBA);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    } else {
        Refused(textureFileName, "TGA pixel data could not be decoded");
    }
    QzMemFree(pixels);
    return texture;
}

// [SECTION] DDS upload

CQzTextureGL* CQzTextureGL::LoadDds(const void* data, std::size_t length,
                                    const char* textureFileName) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    QzDdsInfo info;
    const QzDdsStatus status = QzDdsParse(bytes, length, &info);
    if (status != QzDdsStatus::Ok) {
        if (status == QzDdsStatus::UnsupportedFourCC) {
            std::fputs("ERROR: Uses a compressed texture of unsupported type\n", stdout);
        }
        std::fputs("failed to load\n", stdout);
        Refused(textureFileName, DdsReason(status));
        return nullptr;
    }
    if (info.faces > 1) {
        std::fputs("ERROR: this is a cubemap\n", stdout);
        Refused(textureFileName, "DDS cube map");
        return nullptr;
    }
    KeepActiveBinding keep;
    auto* texture =
        new CQzTextureGL(std::int32_t(info.width), std::int32_t(info.height), textureFileName);
    texture->Generate();
    if (info.compressed) {
        const GLenum format = CompressedFormat(info.format);
        std::printf("%s\n", CompressedFormatName(info.format));
        for (std::uint32_t i = 0; i < info.levelCount; ++i) {
            const QzDdsLevel& l = info.levels[i];
            glCompressedTexImage2D(GL_TEXTURE_2D, GLint(i), format, GLsizei(l.width),
                                   GLsizei(l.height), 0, GLsizei(l.size), bytes + l.offset);
        }
    } else {
        const GLenum format = UncompressedFormat(info.components);
        glPixelStorei(GL_UNPACK_ALIGNMENT, GLint(info.unpackAlignment));
        for (std::uint32_t i = 0; i < info.levelCount; ++i) {
            const QzDdsLevel& l = info.levels[i];
            glTexImage2D(GL_TEXTURE_2D, GLint(i), GLint(info.components), GLsizei(l.width),
                         GLsizei(l.height), 0, format, GL_UNSIGNED_BYTE, bytes + l.offset);
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    }
    // A chain that stops before 1x1 would leave the texture incomplete (and
    // sampling black) under mipmapped filtering unless the last level is set.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(info.maxLevel));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    info.levelCount > 1 ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

}  // namespace QZW::Win
