// Runs the demo's script task frame by frame as the game does (the file
// manager's completions, then the scripts) until the script log shows what
// the test waits for: the loader thread serves the save requests in its own
// time, so a count of frames alone would guess at it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "proj/script/sq_print_call_stack.h"
#include "proj/script/squirrel_task.h"
#include "qzware/win/qz_file_manager.h"
#include "tests/support/poll_until.h"

namespace script_test {

inline std::size_t CountInScriptLog(const std::string& text) {
    std::ifstream in(Sample::GetSqLog().Path(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string log = s.str();
    std::size_t n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        ++n;
    }
    return n;
}

inline std::uintmax_t ScriptLogSize() {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(Sample::GetSqLog().Path(), ec);
    return ec ? 0 : size;
}

// At least `minFrames` frames, and until `text` is in the log `times` times;
// false when the scripts stop writing to their log (the demo logs every 60
// frames) for the poll limit, or at the poll ceiling.
inline bool RunDemoFramesUntil(QZW::Win::CQzFileManager& files, Sample::CSquirrelTask& task,
                               int minFrames, const std::string& text, std::size_t times) {
    int frames = 0;
    return qz_test::PollWhileProgressing(
        [&] { return frames >= minFrames && CountInScriptLog(text) >= times; },
        [&] {
            files.Update();
            task.Update();
            ++frames;
        },
        [] { return ScriptLogSize(); });
}

}  // namespace script_test
