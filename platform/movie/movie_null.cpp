#include "platform/movie/movie_null.h"

namespace platform::movie {

class ScriptedMovie final : public Movie {
public:
    ScriptedMovie(ScriptedMovies& owner, std::int64_t duration)
        : owner_(owner), duration_(duration) {}
    ~ScriptedMovie() override { owner_.open_sink_ = nullptr; }
    ScriptedMovie(const ScriptedMovie&) = delete;
    ScriptedMovie& operator=(const ScriptedMovie&) = delete;

    std::int64_t duration_100ns() override { return duration_; }
    bool play_from_start() override {
        owner_.rewinds_ += 1;
        return true;
    }

private:
    ScriptedMovies& owner_;
    std::int64_t duration_;
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
