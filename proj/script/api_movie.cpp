// The movie script functions: each asks the game manager for the movie
// manager and makes one call. The name of the movie last started is kept so
// that asking for the same movie again does not restart it. Without a movie
// manager the questions answer "no movie" and the orders do nothing.
#include <string>

#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_movie_manager.h"

namespace Sample {

namespace {

std::string g_movieName;

QZW::IQzMovieManager* MovieManager() {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    return gm ? gm->GetMovieManager() : nullptr;
}

void SQ_PlayMovie(const std::string& name, bool loop, std::int32_t layer, std::int32_t x,
                  std::int32_t y, std::int32_t w, std::int32_t h, float f0, float f1, float f2,
                  float f3, std::int32_t brightness) {
    if (name == g_movieName) {
        return;
    }
    QZW::IQzMovieManager* movies = MovieManager();
    if (movies) {
        movies->Stop();
    }
    g_movieName.clear();
    if (movies) {
        movies->Play(name.c_str(), loop, layer, x, y, w, h, f0, f1, f2, f3, brightness);
    }
    g_movieName = name;
}

void SQ_StopMovie() {
    if (QZW::IQzMovieManager* movies = MovieManager()) {
        movies->Stop();
        g_movieName.clear();
    }
}

std::string SQ_GetPlayMovieName() {
    return g_movieName;
}

bool SQ_IsMovieEnable() {
    QZW::IQzMovieManager* movies = MovieManager();
    return movies && movies->IsEnable();
}

bool SQ_IsMoviePlaying() {
    QZW::IQzMovieManager* movies = MovieManager();
    return movies && movies->IsPlaying();
}

bool SQ_IsMoviePlayerClosed() {
    QZW::IQzMovieManager* movies = MovieManager();
    return !movies || movies->IsPlayerClosed();
}

void SQ_MoviePlayerRestart() {
    if (QZW::IQzMovieManager* movies = MovieManager()) {
        movies->Restart();
    }
}

void SQ_MoviePlayerStop() {
    g_movieName.clear();
    if (QZW::IQzMovieManager* movies = MovieManager()) {
        movies->ClosePlayer();
    }
}

constexpr ScriptFunction kMovieFunctions[] = {
    ScriptFn<&SQ_PlayMovie>("SQ_PlayMovie"),
    ScriptFn<&SQ_StopMovie>("SQ_StopMovie"),
    ScriptFn<&SQ_GetPlayMovieName>("SQ_GetPlayMovieName"),
    ScriptFn<&SQ_IsMovieEnable>("SQ_IsMovieEnable"),
    ScriptFn<&SQ_IsMoviePlaying>("SQ_IsMoviePlaying"),
    ScriptFn<&SQ_IsMoviePlayerClosed>("SQ_IsMoviePlayerClosed"),
    ScriptFn<&SQ_MoviePlayerRestart>("SQ_MoviePlayerRestart"),
    ScriptFn<&SQ_MoviePlayerStop>("SQ_MoviePlayerStop"),
};

}  // namespace

ScriptFunctionTable MovieScriptFunctions() {
    return kMovieFunctions;
}

}  // namespace Sample
