// Movie decoding in place of DirectShow's filter graph (ASF reader, sample
// grabber, null renderer): one abstract backend chosen at start-up.
//   movie_gstreamer.cpp - filesrc, asfdemux, a WMV decoder, videoconvert to
//                         BGR, appsink; audio streams end in a fake sink
//   movie_null.cpp      - a scripted movie for tests (frames pushed by hand)
// open(), begin_open() and the Movie calls run on the game thread; FrameSink::on_frame runs
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

// Where an open begun with begin_open() stands.
enum class OpenState {
    opening,  // the backend is still reading the file; no frame yet
    ready,    // opened and playing
    failed,   // the open failed (the reason comes with it)
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
    // Game thread, every frame: handles the backend's pending messages
    // without waiting, finishing an open in progress. A failure while
    // opening answers failed with the reason in *error; a stream error
    // after the open only stops the frames (still ready).
    virtual OpenState poll(OpenError* error) {
        (void)error;
        return OpenState::ready;
    }
    // Whether messages wait for the next poll().
    virtual bool has_queued_messages() { return false; }
    // Messages poll() has taken off so far.
    virtual std::uint64_t drained_messages() { return 0; }
};

class Backend {
public:
    virtual ~Backend() = default;
    // Opens `path` (UTF-8, relative to the working folder), reads its length
    // and starts playing; null with the reason in *error on failure. `sink`
    // must outlive the returned movie.
    virtual std::unique_ptr<Movie> open(const std::string& path, FrameSink& sink,
                                        OpenError* error) = 0;
    // Starts opening `path` and returns at once: null with the reason on a
    // failure known at once (no file, no backend), else a movie whose poll()
    // tells when it is ready. By default the open is done at once.
    virtual std::unique_ptr<Movie> begin_open(const std::string& path, FrameSink& sink,
                                              OpenError* error) {
        return open(path, sink, error);
    }
};

// The backend in force: GStreamer unless a test set another.
Backend& current();
// Makes `backend` the one in force; nullptr restores GStreamer. The caller
// keeps ownership and restores before destroying it.
void set_current(Backend* backend);
Backend& gstreamer_backend();

}  // namespace platform::movie
