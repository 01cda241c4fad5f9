// Whether a test needs a service this machine lacks, and what then happens:
// in CI (CI=true) the test fails, on a developer's machine it is skipped.
// Depends on bash's /dev/tcp for the readiness probe (no socket headers here).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

namespace qz_test {

// True when the environment says CI=true (what CI services set).
bool InCi();

// One plain TCP round trip to 127.0.0.1:port: sends the inline command PING
// and reads one line, true when it is "+PONG". Independent of our own Redis
// client, so a fault in that client cannot pass for a missing server.
bool RedisAnswersPing(std::uint16_t port);

}  // namespace qz_test

// Skips the test with `why` on a developer's machine; fails it in CI, where
// every service the suite uses is installed and a missing one is a fault.
#define QZ_SKIP_UNLESS_CI(why)                                                \
    do {                                                                      \
        if (qz_test::InCi()) {                                                \
            FAIL() << why << " (CI=true: a missing service fails the suite)"; \
        }                                                                     \
        GTEST_SKIP() << why;                                                  \
    } while (0)
