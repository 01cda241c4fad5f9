#include "tests/support/process_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace qz_test {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int DecodeStatus(int raw) {
    if (WIFEXITED(raw)) {
        return WEXITSTATUS(raw);
    }
    if (WIFSIGNALED(raw)) {
        return 128 + WTERMSIG(raw);
    }
    return -1;
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qz_test_XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    path_ = made ? made : "";
}

TempDir::~TempDir() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

ChildProcess::~ChildProcess() {
    Kill();
    if (!outPath_.empty()) {
        std::remove(outPath_.c_str());
        std::remove(errPath_.c_str());
    }
}

bool ChildProcess::Start(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env,
                         const std::string& workingDir) {
    static int serial = 0;
    const std::string stem =
        (std::filesystem::temp_directory_path() /
         ("qz_child_" + std::to_string(::getpid()) + "_" + std::to_string(++serial)))
            .string();
    outPath_ = stem + ".out";
    errPath_ = stem + ".err";
    const pid_t pid = ::fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        const int out = ::open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(err, 2);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        for (const auto& [key, value] : env) {
            ::setenv(key.c_str(), value.c_str(), 1);
        }
        if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0) {
            ::_exit(126);
        }
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        ::execve(args[0], args.data(), environ);
        ::_exit(127);
    }
    pid_ = pid;
    status_.reset();
    return true;
}

std::optional<int> ChildProcess::Wait(int timeoutMs) {
    if (status_ || pid_ < 0) {
        return status_;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int raw = 0;
        const pid_t got = ::waitpid(pid_, &raw, WNOHANG);
        if (got == pid_) {
            status_ = DecodeStatus(raw);
            pid_ = -1;
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool ChildProcess::Running() {
    return pid_ >= 0 && !Wait(0).has_value();
}

void ChildProcess::Terminate() {
    if (pid_ >= 0) {
        ::kill(pid_, SIGTERM);
    }
}

void ChildProcess::Kill() {
    if (pid_ >= 0) {
        ::kill(pid_, SIGKILL);
        int raw = 0;
        ::waitpid(pid_, &raw, 0);
        pid_ = -1;
    }
}

std::string ChildProcess::Stdout() const {
    return ReadAll(outPath_);
}
std::string ChildProcess::Stderr() const {
    return ReadAll(errPath_);
}

std::string RunCapture(const std::string& command, int* exitStatus) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (exitStatus) {
            *exitStatus = -1;
        }
        return output;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    const int raw = ::pclose(pipe);
    if (exitStatus) {
        *exitStatus = DecodeStatus(raw);
    }
    return output;
}

std::string WaitForWindow(ChildProcess& child, const std::string& name, int timeoutMs) {
    // The child's own window only: another program on the same display may
    // carry the same caption.
    const std::string search = "xdotool search --onlyvisible --pid " + std::to_string(child.Pid()) +
                               " --name '^" + name + "$' 2>/dev/null";
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        const std::string id = RunCapture(search);
        if (!id.empty()) {
            return id.substr(0, id.find('\n'));
        }
        if (!child.Running()) {
            return "";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "";
}

}  // namespace qz_test
