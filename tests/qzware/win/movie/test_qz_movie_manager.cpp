// The movie manager on a scripted movie: movie paths, short names, Stop and
// Restart over a movie that keeps running, a second Play replacing the
// first player, and the game manager driving it once a frame.
#include "qzware/win/qz_movie_manager.h"

#include <gtest/gtest.h>

#include <string>

#include "qzware/depend/win/vho/vho_direct_show.h"
#include "qzware/scene/qz_sprite.h"
#include "qzware/win/qz_game_manager.h"
#include "qzware/win/qz_movie_player.h"
#include "tests/qzware/win/movie/movie_test_fakes.h"
#include "tests/support/online_services.h"
#include "tests/support/recording_graphics.h"

namespace {

using movie_test::FrameTexture;
using movie_test::g_layers;
using movie_test::TestFrame;
using QZW::Win::CQzMovieManager;

TEST(MoviePath, TheNamesLastThreeCharactersBecomeWmvUnderTheMovieFolder) {
    struct Case {
        const char* name;
        const char* path;  // null: refused
    };
    const Case cases[] = {
        {"op.avi", "USRDIR/movie/op.wmv"},
        {"op.wmv", "USRDIR/movie/op.wmv"},
        {"abc", "USRDIR/movie/wmv"},
        {"sub\\ed.mpg", "USRDIR/movie/sub/ed.wmv"},
        {"\xE6\x98\xA0\xE5\x83\x8F.a\xC3\xA9\xC3\xA9", "USRDIR/movie/\xE6\x98\xA0\xE5\x83\x8F.wmv"},
        {"ab", nullptr},
        {"", nullptr},
        {nullptr, nullptr},
    };
    for (const Case& c : cases) {
        std::string path = "untouched";
        EXPECT_EQ(c.path != nullptr, QZW::Win::MakeMoviePath(c.name, &path))
            << (c.name ? c.name : "(null)");
        if (c.path) {
            EXPECT_EQ(c.path, path);
        }
    }
}

class MovieManager : public ::testing::Test, public movie_test::MovieTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(manager.Initialize());
        movies.add_movie("USRDIR/movie/op.wmv", 100'000'000);
        movies.add_movie("USRDIR/movie/ed.wmv", 100'000'000);
    }
    void Play(const char* name) { manager.Play(name, true, 13, 0, 0, 64, 32, 0, 0, 0, 0, 255); }
    CQzMovieManager manager;
};

TEST_F(MovieManager, IsATaskNamedQzMovieManagerTaskAndAlwaysEnabled) {
    EXPECT_EQ("QzMovieManagerTask", manager.name);
    EXPECT_TRUE(manager.IsEnable());
    EXPECT_TRUE(manager.IsPlayerClosed());
    EXPECT_FALSE(manager.IsPlaying());
}

TEST_F(MovieManager, ANameShorterThanItsExtensionGivesAPlayerThatNeverPlays) {
    Play("ab");
    EXPECT_TRUE(movies.opened_paths().empty()) << "nothing is opened";
    EXPECT_FALSE(manager.IsPlaying());
    EXPECT_FALSE(manager.IsPlayerClosed());
    manager.Restart();
    EXPECT_FALSE(manager.IsPlaying());
}

TEST_F(MovieManager, StopHidesTheMovieAndRestartShowsWhereItGotTo) {
    Play("op.avi");
    ASSERT_TRUE(manager.IsPlaying());
    TestFrame first(16, 8, 1);
    movies.push_frame(first.frame);
    manager.Update();
    ASSERT_EQ(1, FrameTexture::made);

    manager.Stop();
    EXPECT_FALSE(manager.IsPlaying());
    g_layers[13].children.clear();
    TestFrame later(16, 8, 2);
    movies.push_frame(later.frame);  // the movie runs on meanwhile
    manager.Update();
    EXPECT_EQ(1, FrameTexture::made);
    EXPECT_TRUE(g_layers[13].children.empty());
    qz_test_support::RecordingGraphics g;
    QZW::CQzNode::DrawTree(manager.player, &g);
    EXPECT_EQ(0u, g.Count("DrawArrays"));

    manager.Restart();
    EXPECT_TRUE(manager.IsPlaying());
    manager.Update();
    ASSERT_EQ(2, FrameTexture::made);
    auto* texture = static_cast<FrameTexture*>(manager.player->sprite->GetTexture());
    // The mark sits in the picture's top row, the texture's last.
    EXPECT_EQ(2, texture->bytes[7 * 48 + 1]) << "the frame that came while stopped";
    QZW::CQzNode::DrawTree(manager.player, &g);
    EXPECT_EQ(1u, g.Count("DrawArrays"));
}

TEST_F(MovieManager, ASecondPlayDeletesTheFirstPlayerBeforeMakingTheNext) {
    Play("op.avi");
    TestFrame frame(16, 8);
    movies.push_frame(frame.frame);
    manager.Update();
    ASSERT_EQ(1u, g_layers[13].children.size());

    Play("ed.avi");
    EXPECT_TRUE(g_layers[13].children.empty()) << "the first player left its layer";
    EXPECT_EQ(0, FrameTexture::live);
    ASSERT_EQ(2u, movies.opened_paths().size());
    EXPECT_EQ("USRDIR/movie/ed.wmv", movies.opened_paths()[1]);
    EXPECT_TRUE(manager.IsPlaying());

    manager.ClosePlayer();
    EXPECT_TRUE(manager.IsPlayerClosed());
    EXPECT_TRUE(movies.has_open_movie()) << "the decoder keeps the movie until the next Play";
}

TEST_F(MovieManager, TheGameManagerUpdatesItsMovieManagerEachFrame) {
    qz_test_support::OnlineServices online;  // the frame ends with the platform step
    QZW::Win::CQzGameManager game;
    game.movieManager = &manager;
    Play("op.avi");
    TestFrame frame(16, 8);
    movies.push_frame(frame.frame);
    game.StartFrameClock();
    game.Update();
    EXPECT_EQ(1, FrameTexture::made);
    game.Update();
    EXPECT_EQ(2, FrameTexture::made);
    game.movieManager = nullptr;
}

}  // namespace
