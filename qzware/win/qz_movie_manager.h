// QZW::Win::CQzMovieManager ("QzMovieManagerTask"): owns the movie decoder,
// created once and reused, and at most one player; serves the script movie
// functions. Movies live in USRDIR/movie/ as .wmv files. Game thread only.
#pragma once

#include <cstdint>
#include <string>

#include "qzware/scene/iqz_movie_manager.h"

namespace vho {
class DirectShow;
}

namespace QZW::Win {

class CQzMoviePlayer;

class CQzMovieManager : public IQzMovieManager {
public:
    CQzMovieManager();
    ~CQzMovieManager() override;

    // The current player's Update.
    void Update() override;
    bool Initialize() override;
    void Finalize() override;
    // Deletes the current player before making the next; a name shorter than
    // its three-character extension gives a player that never plays.
    void Play(const char* name, bool loop, std::int32_t layer, std::int32_t x, std::int32_t y,
              std::int32_t w, std::int32_t h, float f0, float f1, float f2, float f3,
              std::int32_t brightness) override;
    void Stop() override;
    void ClosePlayer() override;
    void Restart() override;
    bool IsEnable() override { return true; }
    bool IsPlaying() override;
    bool IsPlayerClosed() override { return player == nullptr; }

    CQzMoviePlayer* player = nullptr;
    vho::DirectShow* decoder = nullptr;
};

// "USRDIR/movie/" + name with its last three characters replaced by "wmv";
// false when the name has fewer than three characters.
bool MakeMoviePath(const char* name, std::string* path);

}  // namespace QZW::Win
