#include "tests/support/script_log_watch.h"

#include <chrono>
#include <thread>
#include <utility>

#include "tests/support/demo_run.h"
#include "tests/support/poll_until.h"

namespace qz_test {

ScriptLogWatch::ScriptLogWatch(ChildProcess& program, std::filesystem::path dir)
    : program_(program), dir_(std::move(dir)) {}

bool ScriptLogWatch::WaitUntil(const std::function<bool(const std::string& log)>& seen,
                               const std::string& what, int stallMs) {
    return Wait(seen, what, "showing", stallMs);
}

bool ScriptLogWatch::Wait(const std::function<bool(const std::string& log)>& seen,
                          const std::string& what, const char* shown, int stallMs) {
    ProgressLimit<std::size_t> limit(ReadScriptLog(dir_).size(),
                                     std::chrono::milliseconds(stallMs));
    for (;;) {
        // Whether it still runs is asked before the last read, so a line
        // written just before the program ended is still found.
        const bool running = program_.Running();
        log_ = ReadScriptLog(dir_);
        if (seen(log_)) {
            return true;
        }
        if (!running) {
            gaveUp_ = "the program ended without " + std::string(shown) + " " + what;
            return false;
        }
        if (!limit.Allows(log_.size())) {
            gaveUp_ = limit.Reason() + " while waiting for " + what;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::size_t ScriptLogWatch::Find(const std::string& text, std::size_t from, int stallMs) {
    std::size_t at = std::string::npos;
    Wait(
        [&](const std::string& log) {
            at = log.find(text, from);
            return at != std::string::npos;
        },
        "\"" + text + "\"", "writing", stallMs);
    return at;
}

bool ScriptLogWatch::WaitFor(const std::string& text, int stallMs) {
    const std::size_t at = Find(text, next_, stallMs);
    if (at == std::string::npos) {
        return false;
    }
    next_ = at + text.size();
    return true;
}

bool ScriptLogWatch::WaitForAnywhere(const std::string& text, int stallMs) {
    return Find(text, 0, stallMs) != std::string::npos;
}

std::string ScriptLogWatch::Log() {
    log_ = ReadScriptLog(dir_);
    return log_;
}

}  // namespace qz_test
