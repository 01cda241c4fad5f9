// A Redis server of the test's own on a free loopback port (stopped by its
// pid when the fixture ends), started with requirepass as the README's set-up
// is, and helpers to run platform frames. Extra arguments add server
// settings (an ACL user, say).
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

namespace redis_test {

class RedisServer {
public:
    static constexpr const char* kPassword = "test-directory-password";

    explicit RedisServer(std::vector<std::string> extra = {}) {
        std::string path = qz_test::RunCapture("command -v redis-server");
        while (!path.empty() && (path.back() == '\n' || path.back() == ' ')) {
            path.pop_back();
        }
        port_ = platform::online::free_loopback_port(true);
        if (path.empty() || port_ == 0) {
            return;
        }
        std::vector<std::string> args = {path,
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
        args.insert(args.end(), extra.begin(), extra.end());
        server_.Start(args, {}, dir_.path());
        for (int i = 0; i < 100 && !ready_; ++i) {
            platform::online::Directory probe("127.0.0.1", port_, "probe:", 200);
            probe.set_login("", kPassword);
            std::string error;
            ready_ = probe.connect(&error);
            if (!ready_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
    }
    ~RedisServer() { Stop(); }
    void Stop() {
        server_.Terminate();  // by the pid it was started with
        server_.Wait(5000);
    }
    bool ready() const { return ready_; }
    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    // redis-cli with the password and these arguments; what it printed.
    std::string Cli(const std::string& args) const {
        return qz_test::RunCapture("redis-cli -h 127.0.0.1 -p " + std::to_string(port_) +
                                   " --no-auth-warning -a " + kPassword + " " + args);
    }
    // A client of the test's own, logged in, under the backend's key prefix.
    std::unique_ptr<platform::online::Directory> Client() const {
        auto client =
            std::make_unique<platform::online::Directory>("127.0.0.1", port_, "vk:", 1000);
        client->set_login("", kPassword);
        std::string error;
        EXPECT_TRUE(client->connect(&error)) << error;
        return client;
    }

private:
    qz_test::TempDir dir_;
    qz_test::ChildProcess server_;
    std::uint16_t port_ = 0;
    bool ready_ = false;
};

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

}  // namespace redis_test
