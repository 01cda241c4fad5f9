// The movie script functions against a recording movie manager: the same
// movie name does not start twice, stopping forgets the name, the questions
// forward, and without a movie manager nothing plays.
#include <gtest/gtest.h>
#include <squirrel.h>

#include <string>
#include <vector>

#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "qzware/scene/iqz_movie_manager.h"
#include "tests/proj/script/script_snippet.h"
#include "tests/support/null_game_manager.h"

namespace {

class RecordingMovies final : public QZW::IQzMovieManager {
public:
    RecordingMovies() : IQzMovieManager("QzMovieManagerTask") {}
    bool Initialize() override { return true; }
    void Finalize() override {}
    void Play(const char* name, bool loop, std::int32_t layer, std::int32_t x, std::int32_t y,
              std::int32_t w, std::int32_t h, float f0, float, float, float f3,
              std::int32_t brightness) override {
        char text[160];
        std::snprintf(text, sizeof text, "Play(%s, %d, %d, %d, %d, %d, %d, %g, %g, %d)", name,
                      int(loop), layer, x, y, w, h, double(f0), double(f3), brightness);
        calls.push_back(text);
    }
    void Stop() override { calls.push_back("Stop"); }
    void ClosePlayer() override { calls.push_back("ClosePlayer"); }
    void Restart() override { calls.push_back("Restart"); }
    bool IsEnable() override { return true; }
    bool IsPlaying() override { return playing; }
    bool IsPlayerClosed() override { return closed; }

    std::vector<std::string> calls;
    bool playing = true;
    bool closed = false;
};

class GameWithMovies final : public qz_test_support::NullGameManager {
public:
    QZW::IQzMovieManager* GetMovieManager() override { return movies; }
    QZW::IQzMovieManager* movies = nullptr;
};

class MovieScriptApi : public ::testing::Test {
protected:
    void SetUp() override {
        game.movies = &movies;
        Sample::SetScriptServices(&game, nullptr);
        v = sq_open(1024);
        sq_pushroottable(v);
        Sample::RegisterScriptFunctions(v, Sample::MovieScriptFunctions());
        Run("SQ_MoviePlayerStop()");
        movies.calls.clear();
    }
    void TearDown() override {
        sq_close(v);
        Sample::SetScriptServices(nullptr, nullptr);
    }
    std::string Run(const char* script) {
        const auto r = script_test::RunSnippet(v, script);
        EXPECT_TRUE(r.ok) << script << ": " << r.text;
        return r.text;
    }
    static constexpr const char* kPlayOp =
        "SQ_PlayMovie(\"op.avi\", true, 13, 1, 2, 3, 4, 0.5, 0.0, 0.0, 0.25, 200)";

    HSQUIRRELVM v = nullptr;
    RecordingMovies movies;
    GameWithMovies game;
};

TEST_F(MovieScriptApi, TheSameMovieStartsOnceUntilItIsStopped) {
    Run(kPlayOp);
    Run(kPlayOp);
    EXPECT_EQ("op.avi", Run("return SQ_GetPlayMovieName()"));
    const std::vector<std::string> once = {"Stop",
                                           "Play(op.avi, 1, 13, 1, 2, 3, 4, 0.5, 0.25, 200)"};
    EXPECT_EQ(once, movies.calls);

    Run("SQ_StopMovie()");
    EXPECT_EQ("", Run("return SQ_GetPlayMovieName()"));
    Run(kPlayOp);
    const std::vector<std::string> again = {"Stop", once[1], "Stop", "Stop", once[1]};
    EXPECT_EQ(again, movies.calls);

    Run("SQ_PlayMovie(\"ed.avi\", false, 2, 0, 0, 8, 8, 0.0, 0.0, 0.0, 0.0, 255)");
    EXPECT_EQ("ed.avi", Run("return SQ_GetPlayMovieName()"));
    EXPECT_EQ(7u, movies.calls.size()) << "another name starts at once";
}

TEST_F(MovieScriptApi, PlayerStopForgetsTheNameAndClosesThePlayer) {
    Run(kPlayOp);
    movies.calls.clear();
    Run("SQ_MoviePlayerStop()");
    EXPECT_EQ("", Run("return SQ_GetPlayMovieName()"));
    Run("SQ_MoviePlayerRestart()");
    const std::vector<std::string> want = {"ClosePlayer", "Restart"};
    EXPECT_EQ(want, movies.calls);
    EXPECT_EQ("true", Run("return SQ_IsMovieEnable()"));
    EXPECT_EQ("true", Run("return SQ_IsMoviePlaying()"));
    EXPECT_EQ("false", Run("return SQ_IsMoviePlayerClosed()"));
    movies.playing = false;
    movies.closed = true;
    EXPECT_EQ("false", Run("return SQ_IsMoviePlaying()"));
    EXPECT_EQ("true", Run("return SQ_IsMoviePlayerClosed()"));
}

TEST_F(MovieScriptApi, WithoutAMovieManagerNothingPlays) {
    game.movies = nullptr;
    Run(kPlayOp);
    Run("SQ_StopMovie()");
    Run("SQ_MoviePlayerRestart()");
    EXPECT_EQ("false", Run("return SQ_IsMovieEnable()"));
    EXPECT_EQ("false", Run("return SQ_IsMoviePlaying()"));
    EXPECT_EQ("true", Run("return SQ_IsMoviePlayerClosed()"));
    EXPECT_TRUE(movies.calls.empty());
}

}  // namespace
