// A Redis server of the test's own on a free loopback port (stopped by its
// pid when the fixture ends, and startable again on that port), started with
// requirepass as the README's set-up is, and helpers to run platform frames.
// Extra arguments add server settings (an ACL user, say). Tool() runs the
// directory set-up tool on it as its administrator, so a test can prepare
// it for players and give each account its own user.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/online/online_directory.h"
#include "platform/online/online_redis.h"
#include "platform/online/online_udp.h"
#include "tests/support/process_runner.h"
#include "tests/support/service_check.h"

// A test's own Redis server is there: skipped without redis-server on a
// developer's machine, failed in CI.
#define REDIS_TEST_REQUIRE(redis)                                           \
    do {                                                                    \
        if (!(redis).installed()) {                                         \
            QZ_SKIP_UNLESS_CI("redis-server is not installed");             \
        }                                                                   \
        ASSERT_TRUE((redis).ready()) << "redis-server did not answer PING"; \
    } while (0)

namespace redis_test {

// How long a test waits on the server or a peer: only what never comes
// reaches it, a busy machine does not.
constexpr int kWaitMs = 30000;

class RedisServer {
public:
    static constexpr const char* kPassword = "test-directory-password";

    explicit RedisServer(std::vector<std::string> extra = {}) : extra_(std::move(extra)) {
        path_ = qz_test::RunCapture("command -v redis-server");
        while (!path_.empty() && (path_.back() == '\n' || path_.back() == ' ')) {
            path_.pop_back();
        }
        port_ = platform::online::free_loopback_port(true);
        if (!path_.empty() && port_ != 0) {
            Start();
        }
    }
    // Starts the server (again) on its port; true once it answers.
    bool Start() {
        ready_ = false;
        server_ = std::make_unique<qz_test::ChildProcess>();
        std::vector<std::string> args = {path_,
                                         "--port",
                                         std::to_string(port_),
                                         "--bind",
                                         "127.0.0.1",
                                         "--save",
                                         "",
                                         "--appendonly",
                                         "no",
                                         "--daemonize",
                                         "no",
                                         "--requirepass",
                                         kPassword};
        args.insert(args.end(), extra_.begin(), extra_.end());
        server_->Start(args, {}, dir_.path());
        // Ready once it answers a plain socket PING, not our directory client:
        // a fault in the client must fail its tests, not look like a missing
        // server. The limit only turns a server that never starts into a failure.
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (!ready_ && std::chrono::steady_clock::now() < end && server_->Running()) {
            ready_ = qz_test::RedisAnswersPing(port_);
            if (!ready_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        return ready_;
    }
    ~RedisServer() { Stop(); }
    void Stop() {
        if (server_) {
            server_->Terminate();  // by the pid it was started with
            server_->Wait(5000);
            server_.reset();
        }
    }
    // Stops (SIGSTOP) or resumes the server: stopped, it still takes
    // connections but answers nothing.
    void Pause(bool paused) {
        if (server_) {
            qz_test::RunCapture(std::string(paused ? "kill -STOP " : "kill -CONT ") +
                                std::to_string(server_->Pid()));
        }
    }
    // redis-cli with the password and these arguments (as the shell reads
    // them); what it printed.
    std::string Cli(const std::string& args) const {
        return qz_test::RunCapture("redis-cli -h 127.0.0.1 -p " + std::to_string(port_) +
                                   " --no-auth-warning -a " + kPassword + " " + args);
    }
    // redis-cli logged in as `user`; what it printed.
    std::string CliAs(const std::string& user, const std::string& password,
                      const std::string& args) const {
        return qz_test::RunCapture("redis-cli -h 127.0.0.1 -p " + std::to_string(port_) +
                                   " --no-auth-warning --user " + user + " --pass " + password +
                                   " " + args + " 2>&1");
    }
    // The directory set-up tool (tools/directory_setup) run on this server
    // as its administrator with these arguments and environment settings;
    // what it printed (both streams), and its exit status in *status.
    std::string Tool(const std::string& args, const std::string& env = "",
                     int* status = nullptr) const {
        return qz_test::RunCapture(env + " REDISCLI_AUTH=" + kPassword + " bash " +
                                       std::string(QZ_SOURCE_DIR) +
                                       "/tools/directory_setup/directory_setup.sh --directory " +
                                       address() + " " + args + " 2>&1",
                                   status);
    }
    // Prepares the directory for players; false (with a failed assertion)
    // when the tool failed.
    bool Prepare() const {
        int status = -1;
        const std::string out = Tool("prepare", "", &status);
        EXPECT_EQ(0, status) << out;
        return status == 0;
    }
    // Adds (or resets) the user of `account` with this password.
    bool AddPlayer(std::uint32_t account, const std::string& password) const {
        int status = -1;
        const std::string out =
            Tool("add " + std::to_string(account), "QZ_PLAYER_PASSWORD=" + password, &status);
        EXPECT_EQ(0, status) << out;
        return status == 0;
    }
    // A client of the test's own, logged in (as the administrator unless a
    // user is given), under the backend's key prefix.
    std::unique_ptr<platform::online::Directory> Client(const std::string& user = "",
                                                        const std::string& password = "") const {
        auto client =
            std::make_unique<platform::online::Directory>("127.0.0.1", port_, "vk:", 1000);
        client->set_login(user, user.empty() ? kPassword : password);
        std::string error;
        EXPECT_TRUE(client->connect(&error)) << error;
        return client;
    }
    bool installed() const { return !path_.empty(); }  // redis-server is on PATH
    bool ready() const { return ready_; }              // and answered PING
    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    qz_test::TempDir dir_;
    std::string path_;
    std::vector<std::string> extra_;
    std::unique_ptr<qz_test::ChildProcess> server_;
    std::uint16_t port_ = 0;
    bool ready_ = false;
};

// How many times `what` stands in `text` (a log line said once, say).
inline int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

inline platform::online::NetworkConfig Member(const RedisServer& redis, std::uint32_t account) {
    platform::online::NetworkConfig config;
    config.directory_host = "127.0.0.1";
    config.directory_port = redis.port();
    config.account = account;
    config.name = "Member" + std::to_string(account);
    config.bind_host = "127.0.0.1";
    config.directory_password = RedisServer::kPassword;
    return config;
}

// A player's program on a prepared directory: its own user and password.
inline platform::online::NetworkConfig Player(const RedisServer& redis, std::uint32_t account,
                                              const std::string& password) {
    platform::online::NetworkConfig config = Member(redis, account);
    config.directory_user = platform::online::kPlayerUserPrefix + std::to_string(account);
    config.directory_password = password;
    return config;
}

// Starts a backend with `config`: whether it starts as expected, and that
// its failure ("" when it started) names `reason`.
inline void ExpectStart(const platform::online::NetworkConfig& config, bool starts,
                        const std::string& reason, const std::string& what) {
    platform::online::NetworkedBackend platform(config);
    EXPECT_EQ(starts, platform.init()) << what << ": " << platform.failure();
    EXPECT_NE(std::string::npos, platform.failure().find(reason))
        << what << ": expected \"" << reason << "\" in \"" << platform.failure() << "\"";
}

// Runs `frame` every 5 ms until `done` answers true; the number of frames
// run, or -1 when `max_frames` ran first.
inline int FramesUntil(const std::function<void()>& frame, const std::function<bool()>& done,
                       int max_frames) {
    for (int i = 1; i <= max_frames; ++i) {
        frame();
        if (done()) {
            return i;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

// Runs `frame` every 5 ms until `done` answers true or the time is up.
inline bool RunUntil(const std::function<void()>& frame, const std::function<bool()>& done,
                     int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        frame();
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Has `owner` create a public room for four, running `frame` until the
// answer comes; the room's id, 0 when none came.
inline std::uint64_t CreateRoom(platform::online::NetworkedBackend& owner,
                                const std::function<void()>& frame) {
    namespace po = platform::online;
    std::uint64_t lobby = 0;
    owner.callbacks().register_call_result(
        owner.create_lobby(po::kLobbyTypePublic, 4), po::LobbyCreated::kId,
        [&](const void* r) { lobby = static_cast<const po::LobbyCreated*>(r)->lobby; });
    RunUntil(
        frame, [&] { return lobby != 0; }, kWaitMs);
    return lobby;
}

}  // namespace redis_test
