// What the end-to-end tests of the real program share: where the program
// is, a fresh copy of the demo's data tree to run it in, and reading back
// the files a run leaves (its script log, its screenshot).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qz_test {

// The program the build made.
std::string ProgramPath();
// Every byte of the file; empty when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);
// The script log a run wrote under dir/Log; "" when there is none.
std::string ReadScriptLog(const std::filesystem::path& dir);
// Copies the built demo data tree to dir/USRDIR, without its save record so
// the run starts from a fresh one.
void CopyDemoDataTree(const std::filesystem::path& dir);
// A frame limit for a run that the test ends itself (SIGTERM) once the log
// shows what it waits for: on a busy machine a run must last as long as its
// steps take, so the limit only stops a run whose test has gone (about five
// minutes at 60 frames a second).
constexpr int kEndedByTestFrames = 18000;

// The environment of a headless demo run that ends by itself after `frames`
// frames: its own runtime folder (so the single-instance lock is its own),
// no sound hardware, messages on stderr instead of boxes.
std::map<std::string, std::string> DemoRunEnvironment(const std::string& runtimeDir, int frames);

}  // namespace qz_test
