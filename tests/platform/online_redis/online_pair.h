// Two networked backends on one Redis server: a host that created a lobby
// and a member that joined it, with what each has read from the other.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/online/online_redis.h"
#include "tests/platform/online_redis/redis_fixture.h"

namespace redis_test {

struct OnlinePair {
    platform::online::NetworkedBackend host, member;
    std::uint64_t lobby = 0;
    std::vector<std::string> at_host, at_member;
    int traded = 0;  // frames of Trade()
    int connected_host = 0, disconnected_host = 0, connected_member = 0, disconnected_member = 0;

    OnlinePair(const platform::online::NetworkConfig& h, const platform::online::NetworkConfig& m)
        : host(h), member(m) {}

    static void Drain(platform::online::NetworkedBackend& p, std::vector<std::string>& got) {
        char buffer[platform::online::kMaxPacketSize];
        std::uint32_t n = 0;
        std::uint64_t sender = 0;
        while (p.read_p2p_packet(buffer, sizeof buffer, &n, &sender, 0)) {
            got.emplace_back(buffer, n);
        }
    }
    void Frame() {
        host.run_callbacks();
        member.run_callbacks();
        Drain(host, at_host);
        Drain(member, at_member);
    }
    // A match's frame: one packet each way, then a frame.
    void Trade() {
        const std::string text = std::to_string(traded++);
        host.send_p2p_packet(member.own_id(), text.data(), std::uint32_t(text.size()), 0, 0);
        member.send_p2p_packet(host.own_id(), text.data(), std::uint32_t(text.size()), 0, 0);
        Frame();
    }
    // Starts both, makes the lobby, joins it and trades one packet each way;
    // false (with a failed assertion) when a step does not happen.
    bool Meet() {
        namespace po = platform::online;
        EXPECT_TRUE(host.init());
        EXPECT_TRUE(member.init());
        auto count = [](po::NetworkedBackend& p, int* up, int* down) {
            p.callbacks().register_callback(po::ServersConnected::kId,
                                            [up](const void*) { ++*up; });
            p.callbacks().register_callback(po::ServersDisconnected::kId,
                                            [down](const void*) { ++*down; });
        };
        count(host, &connected_host, &disconnected_host);
        count(member, &connected_member, &disconnected_member);
        host.callbacks().register_call_result(
            host.create_lobby(po::kLobbyTypePublic, 4), po::LobbyCreated::kId,
            [&](const void* r) { lobby = static_cast<const po::LobbyCreated*>(r)->lobby; });
        if (FramesUntil([&] { Frame(); }, [&] { return lobby != 0; }, 2000) < 0) {
            ADD_FAILURE() << "the lobby was not created";
            return false;
        }
        int response = 0;
        member.callbacks().register_call_result(
            member.join_lobby(lobby), po::LobbyEnter::kId, [&](const void* r) {
                response = int(static_cast<const po::LobbyEnter*>(r)->response);
            });
        if (FramesUntil([&] { Frame(); }, [&] { return response != 0; }, 2000) < 0 ||
            response != po::kEnterSuccess) {
            ADD_FAILURE() << "join answered " << response;
            return false;
        }
        // Both copies of the room show both members.
        if (FramesUntil([&] { Frame(); },
                        [&] {
                            return host.get_num_lobby_members(lobby) == 2 &&
                                   member.get_num_lobby_members(lobby) == 2;
                        },
                        2000) < 0) {
            ADD_FAILURE() << "the host's copy of the room never showed the member";
            return false;
        }
        const int met = FramesUntil(
            [&] {
                host.send_p2p_packet(member.own_id(), "h", 1, 0, 0);
                member.send_p2p_packet(host.own_id(), "m", 1, 0, 0);
                Frame();
            },
            [&] { return !at_host.empty() && !at_member.empty(); }, 2000);
        if (met < 0) {
            ADD_FAILURE() << "no packet went between the two";
            return false;
        }
        at_host.clear();
        at_member.clear();
        return true;
    }
};

}  // namespace redis_test
