// With no lobby directory configured the networked backend starts logged on
// as the local user and every online order fails cleanly.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/online/online_redis.h"

namespace {

using namespace platform::online;

template <typename R>
R ResultOf(Backend& platform, CallHandle call) {
    R result{};
    bool fired = false;
    EXPECT_NE(0u, call);
    platform.callbacks().register_call_result(call, R::kId, [&](const void* r) {
        result = *static_cast<const R*>(r);
        fired = true;
    });
    platform.run_callbacks();
    EXPECT_TRUE(fired);
    return result;
}

TEST(OnlineOffline, StartsAsTheLocalUserAndOnlineOrdersFail) {
    NetworkedBackend platform(NetworkConfig{});
    ASSERT_TRUE(platform.offline());
    ASSERT_TRUE(platform.init());
    EXPECT_TRUE(platform.logged_on());
    EXPECT_TRUE(is_valid_id(platform.own_id()));
    EXPECT_STREQ("english", platform.game_language());

    EXPECT_NE(kResultOk, ResultOf<LobbyCreated>(platform, platform.create_lobby(2, 4)).result);
    EXPECT_EQ(0u,
              ResultOf<LobbyMatchList>(platform, platform.request_lobby_list()).lobbies_matching);
    EXPECT_NE(std::uint32_t(kEnterSuccess),
              ResultOf<LobbyEnter>(platform, platform.join_lobby(lobby_id(1))).response);
    EXPECT_FALSE(platform.send_p2p_packet(individual_id(2), "x", 1, 0, 0));
    EXPECT_FALSE(platform.set_lobby_data(lobby_id(1), "k", "v"));
    EXPECT_STREQ("", platform.get_lobby_data(lobby_id(1), "k"));
    EXPECT_EQ(0, platform.get_num_lobby_members(lobby_id(1)));
    EXPECT_FALSE(platform.is_p2p_packet_available(nullptr, 0));
}

TEST(OnlineOffline, TheEnvironmentNamesTheDirectoryAndTheMember) {
    setenv("QZ_ONLINE_DIRECTORY", "10.1.2.3:7000", 1);
    setenv("QZ_ONLINE_ACCOUNT", "42", 1);
    setenv("QZ_ONLINE_NAME", "Ada", 1);
    setenv("QZ_ONLINE_BIND", "127.0.0.2:5000", 1);
    setenv("QZ_ONLINE_ACHIEVEMENTS", "A,,B", 1);
    const NetworkConfig config = NetworkConfig::from_environment();
    for (const char* name : {"QZ_ONLINE_DIRECTORY", "QZ_ONLINE_ACCOUNT", "QZ_ONLINE_NAME",
                             "QZ_ONLINE_BIND", "QZ_ONLINE_ACHIEVEMENTS"}) {
        unsetenv(name);
    }
    EXPECT_EQ("10.1.2.3", config.directory_host);
    EXPECT_EQ(7000, config.directory_port);
    EXPECT_EQ(42u, config.account);
    EXPECT_EQ("Ada", config.name);
    EXPECT_EQ("127.0.0.2", config.bind_host);
    EXPECT_EQ(5000, config.bind_port);
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), config.achievements);
    const NetworkConfig offline = NetworkConfig::from_environment();
    EXPECT_TRUE(offline.directory_host.empty());
    EXPECT_EQ(1u, offline.account) << "offline, the local user";
}

TEST(OnlineOffline, WithADirectoryButNoAccountEachStartPicksItsOwn) {
    setenv("QZ_ONLINE_DIRECTORY", "127.0.0.1", 1);
    const NetworkConfig config = NetworkConfig::from_environment();
    unsetenv("QZ_ONLINE_DIRECTORY");
    EXPECT_EQ(6379, config.directory_port);
    EXPECT_EQ(0u, config.account);
    EXPECT_TRUE(config.bind_host.empty()) << "the address that reaches the directory";
    NetworkedBackend first(config), second(config);
    EXPECT_TRUE(is_valid_id(first.own_id()));
    EXPECT_NE(first.own_id(), second.own_id());
}

}  // namespace
