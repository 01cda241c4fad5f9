// How long ago the networked backend last refreshed its presence: below the
// presence's lifetime while the directory answers, past it while the
// directory stalls (the directory may then have dropped the member and moved
// its lobbies' owners on), and back below once it answers again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "platform/online/online_redis.h"
#include "tests/platform/online_redis/redis_fixture.h"

namespace {

using namespace platform::online;
using redis_test::FramesUntil;
using redis_test::Member;
using redis_test::RedisServer;

TEST(OnlineRedisPresence, ItsAgePassesItsLifetimeOnlyWhileTheDirectoryStalls) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    constexpr std::uint32_t kLasts = 900;
    NetworkConfig config = Member(redis, 1);
    config.presence_ttl_ms = kLasts;
    NetworkedBackend platform(config);
    ASSERT_TRUE(platform.init());
    EXPECT_EQ(kLasts, platform.presence_ttl_ms());
    // Refreshed every third of its lifetime: the age falls back, and never
    // reaches the lifetime.
    int refreshes = 0;
    std::uint32_t last = platform.presence_age_ms();
    std::uint32_t oldest = last;
    ASSERT_GT(FramesUntil(
                  [&] {
                      platform.run_callbacks();
                      const std::uint32_t age = platform.presence_age_ms();
                      refreshes += age < last ? 1 : 0;
                      oldest = std::max(oldest, age);
                      last = age;
                  },
                  [&] { return refreshes >= 3; }, 6000),
              0)
        << "the presence was refreshed";
    EXPECT_LT(oldest, kLasts);
    redis.Pause(true);
    ASSERT_GT(FramesUntil([&] { platform.run_callbacks(); },
                          [&] { return platform.presence_age_ms() > kLasts; }, 6000),
              0);
    redis.Pause(false);
    ASSERT_GT(FramesUntil([&] { platform.run_callbacks(); },
                          [&] { return platform.presence_age_ms() < kLasts; }, 6000),
              0)
        << "refreshed again once the directory answers";
    platform.shutdown();
}

TEST(OnlineRedisPresence, WithoutADirectoryNothingLapses) {
    NetworkConfig offline;
    NetworkedBackend platform(offline);
    ASSERT_TRUE(platform.init());
    EXPECT_EQ(0u, platform.presence_age_ms());
}

}  // namespace
