// Waits on what a running program writes to its script log, one line after
// another: each wait starts where the last one's text ended, so a test's
// steps are seen in the order they happened. Polls the log file; limits:
// reads the first log file under dir/Log, as ReadScriptLog does.
//
// A wait gives up when the program ends, when its log has not grown for the
// wait's stall limit (the demo logs a line every 60 frames, so a program
// that still draws keeps it growing), or at the ceiling kPollCeiling: a
// loaded machine only makes a wait longer, a stuck program still fails it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/process_runner.h"

namespace qz_test {

// How long one step of an end-to-end test waits without a new line in the
// program's log: long enough for a machine busy with other work, never
// reached while the program runs.
constexpr int kEffectWaitMs = 30000;
// How long the program may go from its start to its first logged frame.
constexpr int kFirstFrameWaitMs = 60000;

class ScriptLogWatch {
public:
    ScriptLogWatch(ChildProcess& program, std::filesystem::path dir);

    // Waits until the log holds `text` after the end of the text the last
    // wait found (from the start the first time) and moves past it. False
    // when the program ends first, its log stands still for stallMs, or the
    // ceiling passes.
    bool WaitFor(const std::string& text, int stallMs = kEffectWaitMs);
    // Waits until `text` is anywhere in the log; where the next WaitFor
    // starts does not move.
    bool WaitForAnywhere(const std::string& text, int stallMs = kEffectWaitMs);
    // Waits until `seen` holds for the log as it stands (it may also look at
    // what else the program shows, its standard output say); gives up as
    // the waits above do. `what` names the wait in GaveUp().
    bool WaitUntil(const std::function<bool(const std::string& log)>& seen, const std::string& what,
                   int stallMs = kEffectWaitMs);
    // The log as last read, for failure messages.
    std::string Log();
    // Why the last wait that failed gave up, for failure messages.
    const std::string& GaveUp() const { return gaveUp_; }

private:
    std::size_t Find(const std::string& text, std::size_t from, int stallMs);
    // The waits' loop; `shown` says how the program shows what is waited for.
    bool Wait(const std::function<bool(const std::string& log)>& seen, const std::string& what,
              const char* shown, int stallMs);

    ChildProcess& program_;
    std::filesystem::path dir_;
    std::string log_;
    std::size_t next_ = 0;
    std::string gaveUp_;
};

}  // namespace qz_test
