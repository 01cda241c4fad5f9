// A Redis server of the test's own on a free loopback port (stopped by its
// pid when the fixture ends), and helpers to run platform frames.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/online/online_directory.h"
#include "platform/online/online_redis.h"
#include "platform/online/online_udp.h"
#include "tests/support/process_runner.h"
#include "tests/support/service_check.h"

namespace redis_test {

// How long a test waits on the server or a peer: only what never comes
// reaches it, a busy machine does not.
constexpr int kWaitMs = 30000;

class RedisServer {
public:
    RedisServer() {
        std::string path = qz_test::RunCapture("command -v redis-server");
        while (!path.empty() && (path.back() == '\n' || path.back() == ' ')) {
            path.pop_back();
        }
        port_ = platform::online::free_loopback_port(true);
        installed_ = !path.empty();
        if (path.empty() || port_ == 0) {
            return;
        }
        server_.Start({path, "--port", std::to_string(port_), "--bind", "127.0.0.1", "--save", "",
                       "--appendonly", "no", "--daemonize", "no"},
                      {}, dir_.path());
        // Ready once it answers a plain socket PING, not our directory client:
        // a fault in the client must fail its tests, not look like a missing
        // server. The limit only turns a server that never starts into a failure.
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (!ready_ && std::chrono::steady_clock::now() < end && server_.Running()) {
            ready_ = qz_test::RedisAnswersPing(port_);
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
    bool installed() const { return installed_; }  // redis-server is on PATH
    bool ready() const { return ready_; }           // and answered PING
    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    qz_test::TempDir dir_;
    qz_test::ChildProcess server_;
    std::uint16_t port_ = 0;
    bool installed_ = false;
    bool ready_ = false;
};

inline platform::online::NetworkConfig Member(const RedisServer& redis, std::uint32_t account) {
    platform::online::NetworkConfig config;
    config.directory_host = "127.0.0.1";
    config.directory_port = redis.port();
    config.account = account;
    config.name = "Member" + std::to_string(account);
    config.bind_host = "127.0.0.1";
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
