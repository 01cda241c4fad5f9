// Waits on what a running program writes to its script log, one line after
// another: each wait starts where the last one's text ended, so a test's
// steps are seen in the order they happened. Polls the log file; limits:
// reads the first log file under dir/Log, as ReadScriptLog does.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "tests/support/process_runner.h"

namespace qz_test {

// How long one step of an end-to-end test waits for its effect: long enough
// for a machine busy with other work, never reached when the step works.
constexpr int kEffectWaitMs = 30000;
// How long the program may take from its start to its first frame.
constexpr int kFirstFrameWaitMs = 60000;

class ScriptLogWatch {
public:
    ScriptLogWatch(ChildProcess& program, std::filesystem::path dir);

    // Waits until the log holds `text` after the end of the text the last
    // wait found (from the start the first time) and moves past it. False
    // when the program ends first or timeoutMs passes.
    bool WaitFor(const std::string& text, int timeoutMs = kEffectWaitMs);
    // Waits until `text` is anywhere in the log; where the next WaitFor
    // starts does not move.
    bool WaitForAnywhere(const std::string& text, int timeoutMs = kEffectWaitMs);
    // The log as last read, for failure messages.
    std::string Log();

private:
    std::size_t Find(const std::string& text, std::size_t from, int timeoutMs);

    ChildProcess& program_;
    std::filesystem::path dir_;
    std::string log_;
    std::size_t next_ = 0;
};

}  // namespace qz_test
