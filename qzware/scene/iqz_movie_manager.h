// The movie manager as the game manager and the script API see it: a task
// that owns the movie decoder and at most one movie player, driven by the
// game manager's Update rather than the task tree.
#pragma once

#include <cstdint>

#include "qzware/scene/qz_task.h"

namespace QZW {

class IQzMovieManager : public CQzTask {
public:
    using CQzTask::CQzTask;

    // Creates and initialises the decoder; false when that failed.
    virtual bool Initialize() = 0;
    virtual void Finalize() = 0;
    // Replaces the current player with one playing USRDIR/movie/<name>, the
    // name's last three characters replaced by "wmv". The four floats are
    // not used.
    virtual void Play(const char* name, bool loop, std::int32_t layer, std::int32_t x,
                      std::int32_t y, std::int32_t w, std::int32_t h, float f0, float f1, float f2,
                      float f3, std::int32_t brightness) = 0;
    // Hides the player's frames; the movie keeps running underneath.
    virtual void Stop() = 0;
    virtual void ClosePlayer() = 0;
    virtual void Restart() = 0;
    virtual bool IsEnable() = 0;
    virtual bool IsPlaying() = 0;
    virtual bool IsPlayerClosed() = 0;
};

}  // namespace QZW
