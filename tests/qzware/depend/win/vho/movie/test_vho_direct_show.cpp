// vho::DirectShow on real movies through GStreamer: the first frame comes out
// bottom-up with rows padded to 4 bytes, audio streams do not hold the video
// back, bad files are refused with failure codes, frames are copied inside
// the streaming callback, and a decoder deleted while
// its movie streams stops the stream before its buffers go.
#include "qzware/depend/win/vho/vho_direct_show.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "platform/memory/memory.h"
#include "platform/movie/movie_null.h"
#include "tests/support/movie_files.h"
#include "tests/support/process_runner.h"
#include "tests/support/test_seed.h"

namespace {

namespace fs = std::filesystem;
using platform::win32::BITMAPINFOHEADER;
using platform::win32::FAILED;
using platform::win32::HRESULT;
using platform::win32::S_OK;

qz_test::TempDir* g_dir = nullptr;

std::string MoviePath(const std::string& name) {
    return g_dir->path() + "/" + name;
}

class DirectShowMovies : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_dir = new qz_test::TempDir();
        std::string log;
        // WMV2 needs an even width; 38 pixels make 114-byte rows, 2 short of 4-byte rows.
        ASSERT_TRUE(qz_test::WriteHalvesMovie(MoviePath("halves.wmv"), 38, 24, 10, 10, false, &log))
            << log;
        ASSERT_TRUE(
            qz_test::WriteHalvesMovie(MoviePath("with_audio.wmv"), 64, 32, 10, 10, true, &log))
            << log;
    }
    static void TearDownTestSuite() {
        delete g_dir;
        g_dir = nullptr;
    }
};

// Waits for the first decoded frame; the preroll frame arrives during Open.
// The limit only turns a stream that never decodes into a failure.
HRESULT WaitForFrame(vho::DirectShow& decoder, std::uint8_t** pixels, BITMAPINFOHEADER* header) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    HRESULT hr = decoder.GetFrame(pixels, header);
    while (FAILED(hr) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        hr = decoder.GetFrame(pixels, header);
    }
    return hr;
}

// Polls, as the game does once a frame, until an open begun without
// waiting is done (the backend gives up on its own after 5 s).
HRESULT PollUntilOpenDone(vho::DirectShow& decoder, HRESULT hr, int* polls) {
    *polls = 0;
    while (hr == platform::win32::S_FALSE && *polls < 2000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        hr = decoder.Poll();
        ++*polls;
    }
    return hr;
}

TEST_F(DirectShowMovies, TheFrameBufferTakenAtStartIsNotWrittenUntilAMovieShowsAFrame) {
    vho::DirectShow decoder;
    ASSERT_TRUE(decoder.Initialize());
    const std::size_t room = decoder.frameBuffer.capacity();
    EXPECT_GE(room, std::size_t(vho::DirectShow::kInitialFrameCapacity));
    const std::size_t resident = platform::memory::resident_bytes(decoder.frameBuffer.data(), room);
    EXPECT_LE(resident, 2 * platform::memory::allocation_granularity())
        << "of the " << room << "-byte frame buffer, " << resident << " bytes are in memory";
    // A frame goes into the buffer taken at start.
    const std::uint8_t* start = decoder.frameBuffer.data();
    ASSERT_EQ(S_OK, decoder.Open(MoviePath("halves.wmv").c_str()));
    std::uint8_t* pixels = nullptr;
    BITMAPINFOHEADER header;
    ASSERT_EQ(S_OK, WaitForFrame(decoder, &pixels, &header));
    EXPECT_EQ(pixels, start);
    EXPECT_EQ(decoder.frameBuffer.capacity(), room);
}

TEST_F(DirectShowMovies, FirstFrameIsBottomUpBgrWithRowsPaddedToFourBytes) {
    vho::DirectShow decoder;
    ASSERT_TRUE(decoder.Initialize());
    ASSERT_EQ(S_OK, decoder.Open(MoviePath("halves.wmv").c_str()));
    EXPECT_TRUE(decoder.IsOpened());

    std::uint8_t* pixels = nullptr;
    BITMAPINFOHEADER header;
    ASSERT_EQ(S_OK, WaitForFrame(decoder, &pixels, &header));
    EXPECT_EQ(38, header.biWidth);
    EXPECT_EQ(24, header.biHeight) << "positive height: rows bottom-up";
    EXPECT_EQ(24, header.biBitCount);
    const std::uint32_t stride = 116;
    EXPECT_EQ(stride * 24u, header.biSizeImage);

    // Away from the middle row, where the encoder blurs the two colours.
    struct Row {
        int index;
        bool blue;
    };
    for (const Row row : {Row{0, true}, Row{8, true}, Row{15, false}, Row{23, false}}) {
        for (int column : {0, 19, 37}) {
            const std::uint8_t* p = pixels + row.index * stride + column * 3;
            const int b = p[0], r = p[2];
            if (row.blue) {
                EXPECT_TRUE(b > 180 && r < 70) << "buffer row " << row.index << " column " << column
                                               << ": want blue, got b " << b << " r " << r;
            } else {
                EXPECT_TRUE(r > 180 && b < 70) << "buffer row " << row.index << " column " << column
                                               << ": want red, got b " << b << " r " << r;
            }
        }
        EXPECT_EQ(0, pixels[row.index * stride + 114]) << "row padding";
        EXPECT_EQ(0, pixels[row.index * stride + 115]) << "row padding";
    }
    // Ten frames at 10 per second.
    EXPECT_GT(decoder.GetDuration(), 8'000'000);
    EXPECT_LT(decoder.GetDuration(), 13'000'000);
}

TEST_F(DirectShowMovies, AMovieWithSoundStillDeliversFramesAndPlaysFromTheStartAgain) {
    vho::DirectShow decoder;
    ASSERT_TRUE(decoder.Initialize());
    ASSERT_EQ(S_OK, decoder.Open(MoviePath("with_audio.wmv").c_str()));
    std::uint8_t* pixels = nullptr;
    BITMAPINFOHEADER header;
    ASSERT_EQ(S_OK, WaitForFrame(decoder, &pixels, &header));
    EXPECT_EQ(64, header.biWidth);
    EXPECT_EQ(32, header.biHeight);
    EXPECT_EQ(S_OK, decoder.Play());
    EXPECT_EQ(S_OK, WaitForFrame(decoder, &pixels, &header));
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(DirectShowMovies, BadMovieFilesAreRefusedWithFailureCodes) {
    const unsigned seed = qz_test::TestSeed("bad movie files");
    std::mt19937 random(seed);
    std::string noise(4096, '\0');
    for (char& c : noise) {
        c = char(random() & 0xFF);
    }
    const std::string whole = ReadFile(MoviePath("halves.wmv"));
    ASSERT_GT(whole.size(), 600u);
    WriteFile(MoviePath("empty.wmv"), "");
    WriteFile(MoviePath("text.wmv"), "this is not a movie\n");
    WriteFile(MoviePath("noise.wmv"), noise);
    WriteFile(MoviePath("header_cut.wmv"), whole.substr(0, 300));
    int status = -1;
    const std::string out = qz_test::RunCapture(
        "ffmpeg -v error -nostdin -y -f lavfi -i sine=frequency=440:duration=1 -c:a wmav2 -f asf "
        "'" +
            MoviePath("sound_only.wmv") + "' 2>&1",
        &status);
    ASSERT_EQ(0, status) << out;
    fs::create_directory(MoviePath("folder.wmv"));

    struct Case {
        const char* file;
        HRESULT want;  // 0: any failure
    };
    const Case cases[] = {
        {"missing.wmv", platform::win32::E_FILE_NOT_FOUND},
        {"folder.wmv", platform::win32::E_FILE_NOT_FOUND},
        {"empty.wmv", 0},
        {"text.wmv", 0},
        {"noise.wmv", 0},
        {"header_cut.wmv", 0},
        {"sound_only.wmv", platform::win32::VFW_E_CANNOT_CONNECT},
    };
    vho::DirectShow decoder;
    ASSERT_TRUE(decoder.Initialize());
    for (const Case& c : cases) {
        const HRESULT hr = decoder.Open(MoviePath(c.file).c_str());
        EXPECT_TRUE(FAILED(hr)) << c.file << ": got " << hr;
        if (c.want != 0) {
            EXPECT_EQ(c.want, hr) << c.file;
        }
        EXPECT_FALSE(decoder.IsOpened()) << c.file;
        std::uint8_t* pixels = nullptr;
        BITMAPINFOHEADER header;
        EXPECT_TRUE(FAILED(decoder.GetFrame(&pixels, &header))) << c.file;
        EXPECT_TRUE(FAILED(decoder.Play())) << c.file;
    }
    // Begun without waiting, each fails (at once or on a later poll) the
    // same way, with a reason in words.
    for (const Case& c : cases) {
        int polls = 0;
        const HRESULT hr =
            PollUntilOpenDone(decoder, decoder.BeginOpen(MoviePath(c.file).c_str()), &polls);
        EXPECT_TRUE(FAILED(hr)) << c.file << ": got " << hr << " after " << polls << " polls";
        if (c.want != 0) {
            EXPECT_EQ(c.want, hr) << c.file;
        }
        EXPECT_STRNE("", decoder.GetOpenFailure()) << c.file;
        EXPECT_FALSE(decoder.IsOpened()) << c.file;
        EXPECT_FALSE(decoder.IsOpening()) << c.file;
    }
    // A good movie still opens on the same decoder afterwards.
    EXPECT_EQ(S_OK, decoder.Open(MoviePath("halves.wmv").c_str()));
}

TEST_F(DirectShowMovies, AnOpenBegunWithoutWaitingFinishesOnLaterPollsAndPollsDrainTheBus) {
    vho::DirectShow decoder;
    ASSERT_TRUE(decoder.Initialize());
    const HRESULT begun = decoder.BeginOpen(MoviePath("with_audio.wmv").c_str());
    ASSERT_TRUE(begun == S_OK || begun == platform::win32::S_FALSE) << "got " << begun;
    int polls = 0;
    ASSERT_EQ(S_OK, PollUntilOpenDone(decoder, begun, &polls)) << decoder.GetOpenFailure();
    EXPECT_TRUE(decoder.IsOpened());
    EXPECT_FALSE(decoder.IsOpening());
    EXPECT_GT(decoder.GetDuration(), 0) << "the length is read when the open finishes";
    std::uint8_t* pixels = nullptr;
    BITMAPINFOHEADER header;
    ASSERT_EQ(S_OK, WaitForFrame(decoder, &pixels, &header));

    // Sent back to the start, the pipeline posts messages again; a poll
    // takes every one that waits.
    ASSERT_EQ(S_OK, decoder.Play());
    platform::movie::Movie& movie = *decoder.movie;
    for (int i = 0; i < 1000 && !movie.has_queued_messages(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(movie.has_queued_messages()) << "the seek posted nothing";
    const std::uint64_t before = movie.drained_messages();
    EXPECT_EQ(S_OK, decoder.Poll());
    EXPECT_GT(movie.drained_messages(), before) << "the waiting messages stayed on the bus";
}

TEST_F(DirectShowMovies, CallsBeforeAMovieIsOpenAnswerFailure) {
    vho::DirectShow decoder;
    std::uint8_t* pixels = nullptr;
    BITMAPINFOHEADER header;
    EXPECT_TRUE(FAILED(decoder.Open(MoviePath("halves.wmv").c_str()))) << "not initialised";
    ASSERT_TRUE(decoder.Initialize());
    EXPECT_TRUE(FAILED(decoder.GetFrame(&pixels, &header)));
    EXPECT_TRUE(FAILED(decoder.Play()));
    EXPECT_TRUE(FAILED(decoder.GetVideoHeader(&header)));
    EXPECT_TRUE(FAILED(decoder.UpdateDuration()));
    EXPECT_EQ(-1, decoder.GetDuration());
}

// The backend's pixels live only during the callback: the sample buffer
// copies them there (an odd width, rows padded by the source to 4 bytes).
TEST(DirectShowSamples, TheFrameIsCopiedInsideTheCallbackAndTurnedBottomUp) {
    platform::movie::ScriptedMovies movies;
    platform::movie::ScopedMovieBackend useMovies(movies);
    movies.add_movie("clip.wmv", 10'000'000);
    vho::DirectShow decoder;
    ASSERT_TRUE(decoder.Initialize());
    ASSERT_EQ(S_OK, decoder.Open("clip.wmv"));
    {
        const std::uint32_t sourceStride = 120;  // 37 x 3 = 111, the source pads more
        auto source = std::make_unique<std::uint8_t[]>(sourceStride * 5);
        for (std::uint32_t row = 0; row < 5; ++row) {
            std::memset(&source[row * sourceStride], int(10 + row), sourceStride);
        }
        ASSERT_TRUE(movies.push_frame({source.get(), 37, 5, sourceStride}));
        std::memset(source.get(), 0xAB, sourceStride * 5);
    }  // freed: a pointer kept past the callback would read freed memory
    std::uint8_t* pixels = nullptr;
    BITMAPINFOHEADER header;
    ASSERT_EQ(S_OK, decoder.GetFrame(&pixels, &header));
    EXPECT_EQ(37, header.biWidth);
    EXPECT_EQ(5, header.biHeight);
    EXPECT_EQ(112u * 5u, header.biSizeImage);
    for (int row = 0; row < 5; ++row) {
        const std::uint8_t want = std::uint8_t(10 + (4 - row));  // bottom-up
        EXPECT_EQ(want, pixels[row * 112]) << "row " << row;
        EXPECT_EQ(want, pixels[row * 112 + 110]) << "row " << row;
        EXPECT_EQ(0, pixels[row * 112 + 111]) << "row " << row << " padding";
    }
    // A frame whose rows overlap (stride below 3 x width) is dropped.
    std::uint8_t small[64] = {};
    ASSERT_TRUE(movies.push_frame({small, 8, 2, 20}));
    ASSERT_EQ(S_OK, decoder.GetFrame(&pixels, &header));
    EXPECT_EQ(37, header.biWidth) << "the earlier frame stays";
}

// The streaming thread writes into the decoder: it must be stopped first.
TEST_F(DirectShowMovies, DeletingADecoderWhileItsMovieStreamsStopsTheStreamFirst) {
    for (int round = 0; round < 3; ++round) {
        auto* decoder = new vho::DirectShow();
        ASSERT_TRUE(decoder->Initialize());
        ASSERT_EQ(S_OK, decoder->Open(MoviePath("with_audio.wmv").c_str()));
        std::uint8_t* pixels = nullptr;
        BITMAPINFOHEADER header;
        ASSERT_EQ(S_OK, WaitForFrame(*decoder, &pixels, &header));
        // Deleted at different points of the stream (a stimulus, not a wait).
        std::this_thread::sleep_for(std::chrono::milliseconds(50 * round));
        delete decoder;
    }
}

}  // namespace
