// The movie player on a scripted movie and a manual clock: frames become one
// texture at a time, shown upright on the player's layer at its place; the
// movie loops when the clock passes its length (across a wrap of the
// millisecond clock too); bad layers and failed opens never play; a movie
// still opening lets the frames run and shows once open; a failed open says
// which file and why, once.
#include "qzware/win/qz_movie_player.h"

#include <gtest/gtest.h>

#include "qzware/depend/win/vho/vho_direct_show.h"
#include "qzware/scene/qz_load_report.h"
#include "qzware/scene/qz_sprite.h"
#include "tests/qzware/win/movie/movie_test_fakes.h"
#include "tests/support/recording_graphics.h"

namespace {

using movie_test::FrameTexture;
using movie_test::g_layers;
using movie_test::TestFrame;
using QZW::Win::CQzMoviePlayer;

constexpr std::int64_t kOneSecond = 10'000'000;

class MoviePlayer : public ::testing::Test, public movie_test::MovieTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(decoder.Initialize());
        movies.add_movie("clip.wmv", kOneSecond);
    }
    vho::DirectShow decoder;
};

TEST_F(MoviePlayer, FramesShowUprightOnTheirLayerOneTextureAtATime) {
    auto* player = new CQzMoviePlayer(&decoder);
    ASSERT_TRUE(player->Open("clip.wmv", 10, 20, 64, 32, false, 5, 128));
    EXPECT_TRUE(player->IsPlaying());

    player->Update();
    EXPECT_EQ(0, FrameTexture::made) << "no frame decoded yet";
    EXPECT_TRUE(g_layers[5].children.empty());

    // 37 pixels: 111 bytes a row, padded to 112.
    TestFrame frame(37, 10);
    ASSERT_TRUE(movies.push_frame(frame.frame));
    player->Update();
    ASSERT_EQ(1, FrameTexture::made);
    auto* texture = static_cast<FrameTexture*>(player->sprite->GetTexture());
    ASSERT_NE(nullptr, texture);
    EXPECT_EQ(37, texture->GetWidth());
    EXPECT_EQ(10, texture->GetHeight());
    const std::size_t stride = 112;
    ASSERT_EQ(stride * 10, texture->bytes.size());
    // Bottom-up: the texture's first row is the picture's bottom (blue) row.
    EXPECT_EQ(255, texture->bytes[0]);
    EXPECT_EQ(0, texture->bytes[2]);
    EXPECT_EQ(0, texture->bytes[9 * stride]);
    EXPECT_EQ(255, texture->bytes[9 * stride + 2]);
    EXPECT_EQ(0, texture->bytes[111]) << "padding is the decoder's, not the source's";
    // ... and the sprite turns it upright: v runs from 1 at the top to 0.
    const QZW::Vector2* uv = player->sprite->GetUVs();
    EXPECT_FLOAT_EQ(0.0f, uv[0].x);
    EXPECT_FLOAT_EQ(1.0f, uv[0].y);
    EXPECT_FLOAT_EQ(1.0f, uv[3].x);
    EXPECT_FLOAT_EQ(0.0f, uv[3].y);
    EXPECT_EQ(64u, player->sprite->GetWidth());
    EXPECT_EQ(32u, player->sprite->GetHeight());
    EXPECT_EQ(0xFF808080u, player->sprite->GetColor());
    ASSERT_EQ(1u, g_layers[5].children.size());
    EXPECT_EQ(player, g_layers[5].children[0]);

    player->Update();
    EXPECT_EQ(2, FrameTexture::made) << "a new texture every frame";
    EXPECT_EQ(1, FrameTexture::live) << "the previous one is deleted";

    qz_test_support::RecordingGraphics g;
    QZW::CQzNode::DrawTree(player, &g);
    ASSERT_EQ(1u, g.Count("DrawArrays"));
    for (const auto& call : g.calls) {
        if (call.name == "DrawArrays") {
            EXPECT_FLOAT_EQ(10.0f, call.world[12]);
            EXPECT_FLOAT_EQ(20.0f, call.world[13]);
        }
    }
    EXPECT_TRUE(g.matrixStack.empty()) << "every push popped";

    delete player;
    EXPECT_EQ(0, FrameTexture::live);
    for (const QZW::CQzNode& layer : g_layers) {
        EXPECT_TRUE(layer.children.empty()) << "a deleted player leaves its layer";
    }
}

TEST_F(MoviePlayer, ALoopingMovieStartsAgainWhenTheClockPassesItsLengthAcrossAClockWrap) {
    clock.set(0xFFFFFFFFu - 999u);  // the millisecond clock wraps a second from now
    CQzMoviePlayer player(&decoder);
    ASSERT_TRUE(player.Open("clip.wmv", 0, 0, 32, 32, true, 13, 255));

    struct Step {
        std::uint32_t advanceMs;
        std::uint32_t rewinds;
    };
    const Step steps[] = {{500, 0}, {500, 0}, {1, 1}, {999, 1}, {1, 1}, {1, 2}};
    for (const Step& s : steps) {
        clock.advance(s.advanceMs);
        player.Update();
        EXPECT_EQ(s.rewinds, movies.rewinds()) << "at clock " << clock.now_ms();
        EXPECT_TRUE(player.IsPlaying());
    }
}

TEST_F(MoviePlayer, AMovieWithoutLoopStopsAfterItsLengthButShowsThatFrame) {
    CQzMoviePlayer player(&decoder);
    ASSERT_TRUE(player.Open("clip.wmv", 0, 0, 32, 32, false, 13, 255));
    TestFrame frame(8, 8);
    movies.push_frame(frame.frame);
    clock.advance(1000);
    player.Update();
    EXPECT_TRUE(player.IsPlaying());
    clock.advance(1);
    player.Update();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(0u, movies.rewinds());
    EXPECT_EQ(2, FrameTexture::made) << "the last frame still completes";
    player.Update();
    EXPECT_EQ(2, FrameTexture::made) << "nothing once stopped";
}

TEST_F(MoviePlayer, LayersOutsideTheTableEmptySizesAndFailedOpensNeverPlay) {
    struct Case {
        const char* path;
        std::int32_t layer, w, h;
        bool plays;
    };
    const Case cases[] = {
        {"clip.wmv", -1, 32, 32, false},   {"clip.wmv", 23, 32, 32, false},
        {"clip.wmv", 1000, 32, 32, false}, {"clip.wmv", 5, 0, 32, false},
        {"clip.wmv", 5, 32, -4, false},    {"missing.wmv", 5, 32, 32, false},
        {"clip.wmv", 0, 32, 32, true},     {"clip.wmv", 22, 32, 32, true},
    };
    for (const Case& c : cases) {
        CQzMoviePlayer player(&decoder);
        EXPECT_EQ(c.plays, player.Open(c.path, 0, 0, c.w, c.h, false, c.layer, 255))
            << c.path << " layer " << c.layer;
        EXPECT_EQ(c.plays, player.IsPlaying()) << c.path << " layer " << c.layer;
        player.SetPlaying(true);
        EXPECT_EQ(c.plays, player.IsPlaying()) << "a player that never opened stays still";
        player.Update();
    }
    // Only the cases with a layer and a size reached the decoder.
    EXPECT_EQ(3u, movies.opened_paths().size());
}

std::vector<std::string> g_reported;
void Record(const std::string& line) {
    g_reported.push_back(line);
}

class ReportedLines {
public:
    ReportedLines() {
        g_reported.clear();
        QZW::QzSetLoadReportSink(&Record);
    }
    ~ReportedLines() { QZW::QzSetLoadReportSink(nullptr); }
};

TEST_F(MoviePlayer, AMovieStillOpeningLetsFramesRunAndShowsOnceOpen) {
    movies.add_slow_movie("slow.wmv", kOneSecond, 3, false);
    ReportedLines lines;
    CQzMoviePlayer player(&decoder);
    ASSERT_TRUE(player.Open("slow.wmv", 0, 0, 32, 32, false, 4, 255));
    EXPECT_TRUE(player.IsOpening());
    EXPECT_TRUE(player.IsPlaying()) << "a script waiting for the end must not see it ended";
    TestFrame frame(8, 8);
    // Open made the first of the three polls that answer "opening".
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(movies.push_frame(frame.frame));
        player.Update();  // returns at once: the open is not waited for
        EXPECT_TRUE(player.IsOpening()) << "frame " << i;
        EXPECT_FALSE(decoder.IsOpened()) << "frame " << i;
        EXPECT_EQ(0, FrameTexture::made) << "frame " << i;
    }
    player.Update();
    EXPECT_FALSE(player.IsOpening());
    EXPECT_TRUE(decoder.IsOpened());
    EXPECT_EQ(1, FrameTexture::made) << "the frame shows on the frame the open finished";
    EXPECT_EQ(1u, g_layers[4].children.size());
    // While it plays, every frame polls the decoder, so nothing piles up.
    const std::uint32_t polls = movies.polls();
    player.Update();
    player.Update();
    EXPECT_EQ(polls + 2, movies.polls());
    EXPECT_TRUE(g_reported.empty()) << g_reported.front();
}

TEST_F(MoviePlayer, StoppedWhileOpeningItOpensStillAndRestartShowsIt) {
    movies.add_slow_movie("slow.wmv", kOneSecond, 1, false);
    CQzMoviePlayer player(&decoder);
    ASSERT_TRUE(player.Open("slow.wmv", 0, 0, 32, 32, false, 4, 255));
    player.SetPlaying(false);
    EXPECT_FALSE(player.IsPlaying());
    player.Update();
    player.Update();
    EXPECT_FALSE(player.IsOpening());
    EXPECT_FALSE(player.IsPlaying()) << "the stop holds once the movie is open";
    player.SetPlaying(true);
    EXPECT_TRUE(player.IsPlaying());
}

TEST_F(MoviePlayer, AFailedOpenSaysWhichFileAndWhyOnce) {
    movies.add_slow_movie("bad.wmv", kOneSecond, 2, true);
    ReportedLines lines;
    {
        CQzMoviePlayer player(&decoder);
        ASSERT_TRUE(player.Open("bad.wmv", 0, 0, 32, 32, false, 4, 255));
        player.Update();  // Open and this frame polled "opening"
        EXPECT_TRUE(player.IsPlaying()) << "still opening";
        EXPECT_TRUE(g_reported.empty());
        player.Update();
        EXPECT_FALSE(player.IsPlaying());
        EXPECT_FALSE(player.IsOpening());
        player.Update();
        ASSERT_EQ(1u, g_reported.size());
        EXPECT_EQ(
            QZW::QzLoadFailureLine("movie", "bad.wmv",
                                   "not a movie that can be read (damaged, cut short or not ASF)"),
            g_reported[0]);
    }
    const struct {
        const char* path;
        std::int32_t layer, w;
        const char* reason;
    } cases[] = {
        {"missing.wmv", 4, 32, "no such file"},
        {"clip.wmv", 23, 32, "its draw layer is outside 0..22"},
        {"clip.wmv", 4, 0, "the movie's size is not positive"},
    };
    for (const auto& c : cases) {
        g_reported.clear();
        CQzMoviePlayer player(&decoder);
        EXPECT_FALSE(player.Open(c.path, 0, 0, c.w, 32, false, c.layer, 255)) << c.path;
        player.Update();
        ASSERT_EQ(1u, g_reported.size()) << c.path;
        EXPECT_EQ(QZW::QzLoadFailureLine("movie", c.path, c.reason), g_reported[0]);
    }
}

}  // namespace
