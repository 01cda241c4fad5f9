#include "tests/support/movie_files.h"

#include "tests/support/process_runner.h"

namespace qz_test {

bool WriteHalvesMovie(const std::string& path, int width, int height, int frames, int fps,
                      bool withAudio, std::string* log) {
    const std::string command =
        "bash '" + std::string(QZ_SOURCE_DIR) + "/tools/movie_writer/write_movie.sh' '" + path +
        "' " + std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(frames) +
        " " + std::to_string(fps) + (withAudio ? " --audio" : "") + " 2>&1";
    int status = -1;
    const std::string out = RunCapture(command, &status);
    if (log) {
        *log = out;
    }
    return status == 0;
}

}  // namespace qz_test
