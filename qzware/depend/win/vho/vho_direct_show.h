// vho::DirectShow: the movie decoder. Opens a Windows Media movie through
// platform::movie, reports its length, plays it from the start, and keeps the
// latest decoded frame as 24-bit BGR rows, bottom-up, each row padded to a
// multiple of 4 bytes (a DIB's layout). The sample buffer copies each frame
// on the streaming thread under its lock; GetFrame copies it again on the
// game thread. No filter-graph plumbing: the backend links its own stages.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/movie/movie.h"
#include "platform/win32/win32_media.h"

namespace vho {

using platform::win32::BITMAPINFOHEADER;
using platform::win32::HRESULT;

class DirectShow {
public:
    // Receives the frames on the streaming thread.
    class SampleBuffer final : public platform::movie::FrameSink {
    public:
        // Copies the frame, turned bottom-up with 4-byte rows, under the lock;
        // keeps no pointer to the caller's pixels.
        void on_frame(const platform::movie::Frame& frame) override;
        // Forgets the sample held.
        void Reset();

        std::mutex lock;
        std::vector<std::uint8_t> sample;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::int32_t length = 0;
    };

    static constexpr std::uint32_t kInitialFrameCapacity = 1280u * 720u * 3u;

    DirectShow() = default;
    // Stops any movie before the buffers go.
    virtual ~DirectShow();
    DirectShow(const DirectShow&) = delete;
    DirectShow& operator=(const DirectShow&) = delete;

    // Allocates the frame buffer; false (and Finalize) when that fails.
    virtual bool Initialize();
    // Stops the movie, then frees the frame buffer.
    virtual void Finalize();
    virtual void Reserved() {}
    virtual bool IsInitialized() { return state >= 1; }
    virtual bool IsNotInitialized() { return !IsInitialized(); }
    virtual bool IsOpened() { return state == 2; }
    // Closes any movie, then opens and starts `path` (UTF-8). S_OK, or
    // E_FILE_NOT_FOUND, VFW_E_INVALID_FILE_FORMAT, VFW_E_CANNOT_CONNECT (no
    // video), E_FAIL; E_POINTER when not initialised.
    virtual HRESULT Open(const char* path);
    // Closes any movie and starts opening `path` without waiting for it:
    // S_FALSE while it opens (Poll finishes it), S_OK when it opened at
    // once, or Open's failure codes for what is known at once.
    virtual HRESULT BeginOpen(const char* path);
    // Game thread, every frame: drains the backend's messages and finishes
    // an open in progress. S_FALSE while opening, S_OK once open, the
    // failure code (and closed) when the open failed; E_FAIL without a movie.
    virtual HRESULT Poll();
    bool IsOpening() const { return opening; }
    // Why the last open failed, in words ("" when it did not).
    const char* GetOpenFailure() const { return openFailure; }
    // The latest frame: *pixels points into the frame buffer (valid until the
    // next GetFrame or Finalize), *header describes it. E_FAIL when not
    // opened or before the first frame arrived.
    virtual HRESULT GetFrame(std::uint8_t** pixels, BITMAPINFOHEADER* header);
    // 100-nanosecond units; -1 until a movie is opened.
    virtual std::int64_t GetDuration() { return duration; }
    // The latest frame's header; E_FAIL before the first frame.
    virtual HRESULT GetVideoHeader(BITMAPINFOHEADER* header);
    // Back to the start and playing; E_FAIL when not opened.
    virtual HRESULT Play();
    // Stops the movie (the streaming thread is done once this returns) and
    // forgets the sample; state back to initialised.
    virtual void Close();
    // Reads the duration again; E_FAIL without a movie.
    virtual HRESULT UpdateDuration();

    // Reads the duration and marks the movie opened (closed on failure).
    HRESULT FinishOpen();

    std::int32_t state = 0;
    bool opening = false;
    const char* openFailure = "";
    std::unique_ptr<platform::movie::Movie> movie;
    std::int64_t duration = -1;
    std::vector<std::uint8_t> frameBuffer;
    std::uint32_t frameCapacity = kInitialFrameCapacity;
    SampleBuffer sampleBuffer;
};

// Bytes in one row of a 24-bit DIB `width` pixels wide.
std::uint32_t DibStride(std::int32_t width);

}  // namespace vho
