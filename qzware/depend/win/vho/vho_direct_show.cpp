#include "qzware/depend/win/vho/vho_direct_show.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vho {

using platform::win32::E_FAIL;
using platform::win32::E_FILE_NOT_FOUND;
using platform::win32::E_OUTOFMEMORY;
using platform::win32::E_POINTER;
using platform::win32::S_FALSE;
using platform::win32::S_OK;
using platform::win32::VFW_E_CANNOT_CONNECT;
using platform::win32::VFW_E_INVALID_FILE_FORMAT;

namespace {

// Largest frame taken from a stream: 8192 x 8192.
constexpr std::int32_t kMaxFrameSide = 8192;

HRESULT ResultOf(platform::movie::OpenError error) {
    switch (error) {
        case platform::movie::OpenError::none:
            return S_OK;
        case platform::movie::OpenError::not_found:
            return E_FILE_NOT_FOUND;
        case platform::movie::OpenError::bad_file:
            return VFW_E_INVALID_FILE_FORMAT;
        case platform::movie::OpenError::no_video:
            return VFW_E_CANNOT_CONNECT;
        case platform::movie::OpenError::unavailable:
            return E_FAIL;
    }
    return E_FAIL;
}

const char* ReasonOf(platform::movie::OpenError error) {
    switch (error) {
        case platform::movie::OpenError::none:
            return "";
        case platform::movie::OpenError::not_found:
            return "no such file";
        case platform::movie::OpenError::bad_file:
            return "not a movie that can be read (damaged, cut short or not ASF)";
        case platform::movie::OpenError::no_video:
            return "it holds no WMV video stream";
        case platform::movie::OpenError::unavailable:
            return "the movie decoder is not available";
    }
    return "unknown";
}

void FillHeader(BITMAPINFOHEADER* header, std::int32_t width, std::int32_t height) {
    *header = BITMAPINFOHEADER{};
    header->biWidth = width;
    header->biHeight = height;
    header->biBitCount = 24;
    header->biSizeImage = DibStride(width) * std::uint32_t(height);
}

}  // namespace

std::uint32_t DibStride(std::int32_t width) {
    return (std::uint32_t(width) * 3u + 3u) & ~3u;
}

// [SECTION] Sample buffer (streaming thread)

void DirectShow::SampleBuffer::on_frame(const platform::movie::Frame& frame) {
    const std::uint32_t rowBytes = std::uint32_t(frame.width) * 3u;
    if (!frame.pixels || frame.width <= 0 || frame.height <= 0 || frame.width > kMaxFrameSide ||
        frame.height > kMaxFrameSide || frame.stride < rowBytes) {
        return;
    }
    const std::uint32_t stride = DibStride(frame.width);
    const std::size_t size = std::size_t(stride) * std::size_t(frame.height);
    std::lock_guard<std::mutex> hold(lock);
    sample.assign(size, 0);
    for (std::int32_t row = 0; row < frame.height; ++row) {
        const std::uint8_t* from = frame.pixels + std::size_t(row) * frame.stride;
        std::uint8_t* to = sample.data() + std::size_t(frame.height - 1 - row) * stride;
        std::memcpy(to, from, rowBytes);
    }
    width = frame.width;
    height = frame.height;
    length = std::int32_t(size);
}

void DirectShow::SampleBuffer::Reset() {
    std::lock_guard<std::mutex> hold(lock);
    sample.clear();
    width = height = length = 0;
}

// [SECTION] Decoder (game thread)

DirectShow::~DirectShow() {
    Finalize();
}

bool DirectShow::Initialize() {
    try {
        // Room for a 1280 x 720 frame, taken but not written: its pages join
        // the resident set only when a movie's frames are copied in.
        frameBuffer.clear();
        frameBuffer.reserve(frameCapacity);
    } catch (const std::bad_alloc&) {
        Finalize();
        return false;
    }
    state = 1;
    return true;
}

void DirectShow::Finalize() {
    // The stream goes first: nothing may write while the buffers are freed.
    Close();
    frameBuffer.clear();
    frameBuffer.shrink_to_fit();
    state = 0;
}

HRESULT DirectShow::Open(const char* path) {
    if (!IsInitialized() || !path) {
        return E_POINTER;
    }
    Close();
    platform::movie::OpenError error = platform::movie::OpenError::none;
    movie = platform::movie::current().open(path, sampleBuffer, &error);
    openFailure = ReasonOf(error);
    if (!movie) {
        return ResultOf(error);
    }
    return FinishOpen();
}

HRESULT DirectShow::BeginOpen(const char* path) {
    if (!IsInitialized() || !path) {
        return E_POINTER;
    }
    Close();
    platform::movie::OpenError error = platform::movie::OpenError::none;
    movie = platform::movie::current().begin_open(path, sampleBuffer, &error);
    openFailure = ReasonOf(error);
    if (!movie) {
        return ResultOf(error);
    }
    opening = true;
    return Poll();
}

HRESULT DirectShow::Poll() {
    if (!movie) {
        return E_FAIL;
    }
    platform::movie::OpenError error = platform::movie::OpenError::none;
    const platform::movie::OpenState now = movie->poll(&error);
    if (!opening) {
        return S_OK;  // a stream error after the open only stops the frames
    }
    switch (now) {
        case platform::movie::OpenState::opening:
            return S_FALSE;
        case platform::movie::OpenState::ready:
            opening = false;
            return FinishOpen();
        case platform::movie::OpenState::failed:
            break;
    }
    Close();
    openFailure = ReasonOf(error);
    return ResultOf(error);
}

HRESULT DirectShow::FinishOpen() {
    const HRESULT hr = UpdateDuration();
    if (platform::win32::FAILED(hr)) {
        Close();
        openFailure = "its length cannot be read";
        return hr;
    }
    state = 2;
    return S_OK;
}

HRESULT DirectShow::GetFrame(std::uint8_t** pixels, BITMAPINFOHEADER* header) {
    if (!IsOpened() || !movie) {
        return E_FAIL;
    }
    if (!pixels || !header) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> hold(sampleBuffer.lock);
    if (sampleBuffer.length < 1) {
        return E_FAIL;
    }
    const auto length = std::uint32_t(sampleBuffer.length);
    if (frameBuffer.size() < length) {
        try {
            frameBuffer.assign(length, 0);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        frameCapacity = std::max(frameCapacity, length);
    }
    std::memcpy(frameBuffer.data(), sampleBuffer.sample.data(), length);
    FillHeader(header, sampleBuffer.width, sampleBuffer.height);
    *pixels = frameBuffer.data();
    return S_OK;
}

HRESULT DirectShow::GetVideoHeader(BITMAPINFOHEADER* header) {
    if (!header) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> hold(sampleBuffer.lock);
    if (sampleBuffer.length < 1) {
        return E_FAIL;
    }
    FillHeader(header, sampleBuffer.width, sampleBuffer.height);
    return S_OK;
}

HRESULT DirectShow::Play() {
    if (!IsOpened() || !movie) {
        return E_FAIL;
    }
    return movie->play_from_start() ? S_OK : E_FAIL;
}

void DirectShow::Close() {
    // Destroying the movie joins its streaming thread, so the sample lock is
    // never held here.
    movie.reset();
    opening = false;
    sampleBuffer.Reset();
    if (state > 1) {
        state = 1;
    }
}

HRESULT DirectShow::UpdateDuration() {
    duration = -1;
    if (!movie) {
        return E_FAIL;
    }
    const std::int64_t d = movie->duration_100ns();
    if (d < 0) {
        return E_FAIL;
    }
    duration = d;
    return S_OK;
}

}  // namespace vho
