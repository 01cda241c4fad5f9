// Lobby-layer peer messages and lobby data values: any bytes handed to the
// lobby session server (as the room's host, from the lobby owner, a stranger
// or the loopback address) are checked before use, and any lobby value
// parses as a member record or a kick list without reading past its end.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/netcheck/netcheck.h"
#include "platform/online/online_loopback.h"
#include "proj/network/game_network_server.h"
#include "proj/network/game_room_info.h"
#include "proj/network/lobby_messages.h"
#include "proj/network/p2p_buffers.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/win/qz_networker.h"

namespace {

struct Room {
    platform::online::LoopbackWorld world{1};
    platform::online::LoopbackMember& host = world.add_member(9001, "Host");
    platform::online::LoopbackMember& other = world.add_member(9002, "Other");
    vho::Steam steam{host, vho::Steam::Unregistered{}};
    QZW::Win::CQzNetworker networker;
    std::unique_ptr<Sample::Win::CGameNetworkServer> server;

    Room() {
        platform::netcheck::set_fixed_answer(true);
        std::string message;
        steam.Start(message);
        other.init();
        Sample::CreateP2PBuffers(Sample::kP2PSendQueueSize);
        Sample::CreatePeriodicSends();
        server = std::make_unique<Sample::Win::CGameNetworkServer>(&steam, &networker);
        server->AllocSearchResults();
        server->createObj.MemberMax = 4;
        server->OrderCreateSession(server->createObj);
        for (int i = 0; i < 3; ++i) {
            steam.Update();
        }
        Sample::GetNetworkDatabase().ownUser.id = host.own_id();
        server->CheckCreateSession();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Room room;
    const std::string text(reinterpret_cast<const char*>(data), size);
    Sample::CGameRoomInfo::ParseMemberValue(text.c_str());
    Sample::CGameRoomInfo::ListsId(text.c_str(), 12345);
    if (size < 1) {
        return 0;
    }
    const Sample::PeerAddress senders[] = {
        {room.host.own_id(), 0}, {room.other.own_id(), 0}, {0, 0}, {Sample::kLoopbackPeerId, 0}};
    const Sample::PeerAddress& from = senders[data[0] & 3];
    // The message in a buffer of its own, so a read past it is caught.
    std::vector<std::uint8_t> message(data + 1, data + size);
    if (message.size() <= 0xFFFF) {
        room.server->ReceiveMessage(message.data(), static_cast<std::uint16_t>(message.size()),
                                    from);
    }
    // Keep the queues and the other member's inbox from filling up across runs.
    Sample::DrainSendQueue([](const Sample::P2PSendRecord&) {});
    room.steam.Update();
    std::uint8_t packet[2048];
    std::uint32_t available = 0, read = 0;
    std::uint64_t sender = 0;
    while (room.other.is_p2p_packet_available(&available, 0)) {
        room.other.read_p2p_packet(packet, sizeof packet, &read, &sender, 0);
    }
    room.other.run_callbacks();
    return 0;
}
