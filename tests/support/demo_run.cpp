#include "tests/support/demo_run.h"

#include <fstream>
#include <iterator>

namespace qz_test {

namespace fs = std::filesystem;

std::string ProgramPath() {
    return std::string(QZ_BINARY_DIR) + "/vornakle";
}

std::vector<std::uint8_t> ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadScriptLog(const fs::path& dir) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir / "Log", ec)) {
        const auto bytes = ReadFileBytes(entry.path());
        return std::string(bytes.begin(), bytes.end());
    }
    return "";
}

void CopyDemoDataTree(const fs::path& dir) {
    fs::copy(fs::path(QZ_BINARY_DIR) / "USRDIR", dir / "USRDIR", fs::copy_options::recursive);
    fs::remove(dir / "USRDIR/SAVEDATA/SAVE00.BIN");
}

std::map<std::string, std::string> DemoRunEnvironment(const std::string& runtimeDir, int frames) {
    return {{"XDG_RUNTIME_DIR", runtimeDir},
            {"SDL_AUDIODRIVER", "dummy"},
            {"QZ_NO_MESSAGE_BOX", "1"},
            {"QZ_QUIT_AFTER_FRAMES", std::to_string(frames)}};
}

}  // namespace qz_test
