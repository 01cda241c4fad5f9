#include "platform/movie/movie_null.h"

namespace platform::movie {

class ScriptedMovie final : public Movie {
public:
    ScriptedMovie(ScriptedMovies& owner, std::int64_t duration, std::uint32_t opening_polls = 0,
                  bool fails = false)
        : owner_(owner), duration_(duration), opening_polls_(opening_polls), fails_(fails) {}
    ~ScriptedMovie() override { owner_.open_sink_ = nullptr; }
    ScriptedMovie(const ScriptedMovie&) = delete;
    ScriptedMovie& operator=(const ScriptedMovie&) = delete;

    std::int64_t duration_100ns() override { return duration_; }
    bool play_from_start() override {
        owner_.rewinds_ += 1;
        return true;
    }
    OpenState poll(OpenError* error) override {
        owner_.polls_ += 1;
        if (opening_polls_ > 0) {
            opening_polls_ -= 1;
            return OpenState::opening;
        }
        if (fails_) {
            if (error) {
                *error = OpenError::bad_file;
            }
            return OpenState::failed;
        }
        return OpenState::ready;
    }

private:
    ScriptedMovies& owner_;
    std::int64_t duration_;
    std::uint32_t opening_polls_;
    bool fails_;
};

std::unique_ptr<Movie> ScriptedMovies::open(const std::string& path, FrameSink& sink,
                                            OpenError* error) {
    opened_.push_back(path);
    const auto found = movies_.find(path);
    if (found == movies_.end()) {
        if (error) {
            *error = OpenError::not_found;
        }
        return nullptr;
    }
    if (error) {
        *error = OpenError::none;
    }
    open_sink_ = &sink;
    return std::make_unique<ScriptedMovie>(*this, found->second);
}

std::unique_ptr<Movie> ScriptedMovies::begin_open(const std::string& path, FrameSink& sink,
                                                  OpenError* error) {
    const auto slow = slow_.find(path);
    if (slow == slow_.end()) {
        return open(path, sink, error);
    }
    opened_.push_back(path);
    if (error) {
        *error = OpenError::none;
    }
    open_sink_ = &sink;
    return std::make_unique<ScriptedMovie>(*this, movies_[path], slow->second.opening_polls,
                                           slow->second.fails);
}

void ScriptedMovies::add_slow_movie(const std::string& path, std::int64_t duration_100ns,
                                    std::uint32_t opening_polls, bool fails) {
    movies_[path] = duration_100ns;
    slow_[path] = Slow{opening_polls, fails};
}

void ScriptedMovies::add_movie(const std::string& path, std::int64_t duration_100ns) {
    movies_[path] = duration_100ns;
}

bool ScriptedMovies::push_frame(const Frame& frame) {
    if (!open_sink_) {
        return false;
    }
    open_sink_->on_frame(frame);
    return true;
}

}  // namespace platform::movie
