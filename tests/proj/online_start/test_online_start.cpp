// The program against a directory that refuses it: a wrong password, or an
// account already online from another program. Each time it says why on
// stdout, shows the platform's start failure and ends with -1.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/platform/online_redis/redis_fixture.h"
#include "tests/support/process_runner.h"
#include "tests/support/service_check.h"

namespace {

using namespace platform::online;
const std::string kProgram = std::string(QZ_BINARY_DIR) + "/vornakle";

TEST(OnlineStart, ARefusedDirectoryLoginOrALiveAccountEndsTheStartWithItsReason) {
    redis_test::RedisServer redis;
    if (!redis.installed()) {
        QZ_SKIP_UNLESS_CI("redis-server is not installed");
    }
    ASSERT_TRUE(redis.ready()) << "redis-server did not answer PING on " << redis.address();
    // Account 5 is online from another program (registered by hand).
    ASSERT_EQ(Directory::PresenceResult::registered,
              redis.Client()->register_presence(individual_id(5), Endpoint{0x7f000001, 9}, 3,
                                                new_presence_key(), "Other", 60000));
    struct Case {
        const char* what;
        std::string password, account, reason;
    } cases[] = {
        {"a wrong password", "wrong", "6", "refused the login (QZ_ONLINE_DIRECTORY_PASSWORD)"},
        {"a live account", redis_test::RedisServer::kPassword, "5",
         "account 5 is already online from another program"},
    };
    for (const Case& c : cases) {
        qz_test::TempDir runtime;
        qz_test::ChildProcess game;
        ASSERT_TRUE(game.Start({kProgram},
                               {{"XDG_RUNTIME_DIR", runtime.path()},
                                {"SDL_AUDIODRIVER", "dummy"},
                                {"QZ_NO_MESSAGE_BOX", "1"},
                                {"QZ_ONLINE_DIRECTORY", redis.address()},
                                {"QZ_ONLINE_DIRECTORY_PASSWORD", c.password},
                                {"QZ_ONLINE_ACCOUNT", c.account},
                                {"QZ_ONLINE_BIND", "127.0.0.1"}},
                               QZ_BINARY_DIR));
        const auto status = game.Wait(20000);
        ASSERT_TRUE(status.has_value()) << c.what << ": the program did not end";
        EXPECT_EQ(255, *status) << c.what << ": " << game.Stderr();
        EXPECT_NE(std::string::npos, game.Stderr().find("Failed initializing Steam."))
            << c.what << ": " << game.Stderr();
        EXPECT_NE(std::string::npos, game.Stdout().find(c.reason))
            << c.what << ": expected \"" << c.reason << "\" in:\n"
            << game.Stdout();
    }
    const auto reg = redis.Client()->lookup(individual_id(5));
    ASSERT_TRUE(reg.has_value()) << "the refused program removed the live presence";
    EXPECT_EQ(3u, reg->epoch);
}

}  // namespace
