// Small movies for the movie tests, written on demand by the project's movie
// writer (ffmpeg with the WMV2 encoder): every frame red in its top
// half and blue in its bottom half.
#pragma once

#include <string>

namespace qz_test {

// Writes `path`; false (with the writer's output in *log) when it failed.
bool WriteHalvesMovie(const std::string& path, int width, int height, int frames, int fps,
                      bool withAudio, std::string* log = nullptr);

}  // namespace qz_test
