// Movie decoding in place of DirectShow's filter graph (ASF reader, sample
// grabber, null renderer): one abstract backend chosen at start-up.
//   movie_gstreamer.cpp - filesrc, asfdemux, a WMV decoder, videoconvert to
//                         BGR, appsink; audio streams end in a fake sink
//   movie_null.cpp      - a scripted movie for tests (frames pushed by hand)
// open() and the Movie calls run on the game thread; FrameSink::on_frame runs
// on the backend's streaming thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform::movie {

// One decoded picture as the streaming thread hands it over: rows top-down,
// 3 bytes (blue, green, red) per pixel, `stride` bytes from row to row.
// The pixels are only valid during on_frame.
struct Frame {
    const std::uint8_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t stride = 0;
};

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Called on the streaming thread for every frame; copies what it keeps
    // before returning.
    virtual void on_frame(const Frame& frame) = 0;
};

// Why an open failed.
enum class OpenError {
    none,
    not_found,    // no readable file at the path
    bad_file,     // not a movie the backend can read (not ASF, cut short, ...)
    no_video,     // a movie without a WMV video stream
    unavailable,  // the backend itself could not start (logged once)
};

// An opened movie, playing. Its frames go to the sink given to open().
class Movie {
public:
    // Stops the stream; once it returns no on_frame call runs or follows.
    virtual ~Movie() = default;
    // Length in 100-nanosecond units (read when the movie was opened).
    virtual std::int64_t duration_100ns() = 0;
    // Back to the first frame and playing; false when the backend refused.
    virtual bool play_from_start() = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    // Opens `path` (UTF-8, relative to the working folder), reads its length
    // and starts playing; null with the reason in *error on failure. `sink`
    // must outlive the returned movie.
    virtual std::unique_ptr<Movie> open(const std::string& path, FrameSink& sink,
                                        OpenError* error) = 0;
};

// The backend in force: GStreamer unless a test set another.
Backend& current();
// Makes `backend` the one in force; nullptr restores GStreamer. The caller
// keeps ownership and restores before destroying it.
void set_current(Backend* backend);
Backend& gstreamer_backend();

}  // namespace platform::movie
