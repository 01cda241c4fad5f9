// A scripted movie backend for tests: every path in its list opens with the
// duration the test gave, every other path fails with not_found. The test
// pushes frames to the last opened movie's sink itself and reads how often
// the movie was sent back to its start. A slow movie, begun with
// begin_open, answers opening to its first polls, then opens or fails.
// Game thread only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/movie/movie.h"

namespace platform::movie {

class ScriptedMovies final : public Backend {
public:
    std::unique_ptr<Movie> open(const std::string& path, FrameSink& sink,
                                OpenError* error) override;

    std::unique_ptr<Movie> begin_open(const std::string& path, FrameSink& sink,
                                      OpenError* error) override;

    // `path` opens from now on, `duration_100ns` long.
    void add_movie(const std::string& path, std::int64_t duration_100ns);
    // `path`, begun with begin_open, stays opening for `opening_polls` polls;
    // the next one opens it or, with `fails`, fails it as a bad file.
    void add_slow_movie(const std::string& path, std::int64_t duration_100ns,
                        std::uint32_t opening_polls, bool fails);
    // Polls made on all movies so far.
    std::uint32_t polls() const { return polls_; }
    // Hands `frame` to the sink of the movie still open; false when none is.
    bool push_frame(const Frame& frame);

    const std::vector<std::string>& opened_paths() const { return opened_; }
    std::uint32_t rewinds() const { return rewinds_; }
    bool has_open_movie() const { return open_sink_ != nullptr; }

private:
    friend class ScriptedMovie;
    struct Slow {
        std::uint32_t opening_polls = 0;
        bool fails = false;
    };
    std::map<std::string, std::int64_t> movies_;
    std::map<std::string, Slow> slow_;
    std::uint32_t polls_ = 0;
    std::vector<std::string> opened_;
    FrameSink* open_sink_ = nullptr;
    std::uint32_t rewinds_ = 0;
};

// Installs a backend for one scope and restores GStreamer after.
class ScopedMovieBackend {
public:
    explicit ScopedMovieBackend(Backend& backend) { set_current(&backend); }
    ~ScopedMovieBackend() { set_current(nullptr); }
    ScopedMovieBackend(const ScopedMovieBackend&) = delete;
    ScopedMovieBackend& operator=(const ScopedMovieBackend&) = delete;
};

}  // namespace platform::movie
