// The networked backend's tests. Started with QZ_ONLINE_TEST_ROLE=echo the
// program is instead the second member of the two-process test: it creates
// a lobby and sends every packet back with "echo:" in front until "bye".
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/online/online_redis.h"
#include "qzware/depend/win/vho/vho_steam.h"

namespace {

struct Echo : vho::Listener {
    vho::Steam* steam = nullptr;
    bool bye = false;
    void OnPacket(void* data) {
        const auto* event = static_cast<const vho::P2PPacketEvent*>(data);
        const std::string text(reinterpret_cast<const char*>(event->data), event->size);
        if (text == "bye") {
            bye = true;
            return;
        }
        const std::string reply = "echo:" + text;
        steam->SendP2PPacket(&event->sender, reply.data(), std::uint32_t(reply.size()));
    }
};

int RunEchoMember() {
    platform::online::NetworkedBackend platform(
        platform::online::NetworkConfig::from_environment());
    vho::Steam steam(platform);
    std::string message;
    steam.Start(message);
    if (!message.empty()) {
        std::printf("echo member: %s\n", message.c_str());
        return 2;
    }
    std::uint64_t lobby = 0;
    platform.callbacks().register_call_result(
        platform.create_lobby(platform::online::kLobbyTypePublic, 4),
        platform::online::LobbyCreated::kId, [&](const void* r) {
            lobby = static_cast<const platform::online::LobbyCreated*>(r)->lobby;
        });
    Echo echo;
    echo.steam = &steam;
    steam.GetSubject()->Attach(vho::kSteamP2PPacket, &echo, &Echo::OnPacket);
    bool tagged = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!echo.bye && std::chrono::steady_clock::now() < end) {
        steam.Update();
        if (lobby != 0 && !tagged) {
            tagged = platform.set_lobby_data(lobby, "game", "vornakle-test");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return echo.bye ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
    const char* role = std::getenv("QZ_ONLINE_TEST_ROLE");
    if (role && std::strcmp(role, "echo") == 0) {
        return RunEchoMember();
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
