#include "tests/support/script_log_watch.h"

#include <chrono>
#include <thread>
#include <utility>

#include "tests/support/demo_run.h"

namespace qz_test {

ScriptLogWatch::ScriptLogWatch(ChildProcess& program, std::filesystem::path dir)
    : program_(program), dir_(std::move(dir)) {}

std::size_t ScriptLogWatch::Find(const std::string& text, std::size_t from, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Whether it still runs is asked before the last read, so a line
        // written just before the program ended is still found.
        const bool running = program_.Running();
        log_ = ReadScriptLog(dir_);
        const std::size_t at = log_.find(text, from);
        if (at != std::string::npos) {
            return at;
        }
        if (!running || std::chrono::steady_clock::now() >= deadline) {
            return std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool ScriptLogWatch::WaitFor(const std::string& text, int timeoutMs) {
    const std::size_t at = Find(text, next_, timeoutMs);
    if (at == std::string::npos) {
        return false;
    }
    next_ = at + text.size();
    return true;
}

bool ScriptLogWatch::WaitForAnywhere(const std::string& text, int timeoutMs) {
    return Find(text, 0, timeoutMs) != std::string::npos;
}

std::string ScriptLogWatch::Log() {
    log_ = ReadScriptLog(dir_);
    return log_;
}

}  // namespace qz_test
