// Starts a program as a child process for end-to-end tests: extra environment,
// working folder, stdout/stderr captured to files, waits with a time limit.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qz_test {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `argv[0]` (a path) with the environment of this process plus `env`.
    bool Start(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
               const std::string& workingDir);
    // The exit status (0..255, or 128 + signal), or nothing when it did not end in time.
    std::optional<int> Wait(int timeoutMs);
    bool Running();
    void Kill();
    // The child's process id while it runs, else -1.
    pid_t Pid() const { return pid_; }
    // Asks the child to end (SIGTERM) without waiting; Wait collects it.
    void Terminate();
    std::string Stdout() const;
    std::string Stderr() const;

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string outPath_, errPath_;
};

// Runs a command through the shell and returns what it printed (stdout).
std::string RunCapture(const std::string& command, int* exitStatus = nullptr);

// The X window id of the child's visible window named exactly `name`, or ""
// when none shows up in time or the child ends first (needs xdotool).
std::string WaitForWindow(ChildProcess& child, const std::string& name, int timeoutMs);

// A fresh folder under the system temporary folder, removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace qz_test
