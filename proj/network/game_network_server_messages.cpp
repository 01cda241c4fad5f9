// The lobby session server's side of the lobby-layer messages: hellos and
// their replies, kicks, the ping chain, host changes and room chat. Every
// message is checked for its exact size first; answers go to the address the
// transport reported, never to an id written inside the message.
#include <cstdio>
#include <cstring>

#include "platform/clock/clock.h"
#include "proj/network/game_network_ctrl.h"
#include "proj/network/game_network_server.h"
#include "proj/network/lobby_messages.h"
#include "proj/network/p2p_buffers.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/win/qz_networker.h"

namespace Sample::Win {

void CGameNetworkServer::SendDirect(std::uint64_t to, const std::vector<std::uint8_t>& message) {
    const CSteamID id(to);
    steam_->SendP2PPacket(&id, message.data(), static_cast<std::uint32_t>(message.size()));
}

bool CGameNetworkServer::FromLobbyOwner(const PeerAddress& from) {
    const std::uint64_t owner = steam_->GetLobbyOwner(0).ConvertToUint64();
    if (owner == 0) {
        return false;
    }
    return from.id == owner || (IsLocalPeer(from, OwnId()) && owner == OwnId());
}

void CGameNetworkServer::ReceiveMessage(const std::uint8_t* m, std::uint16_t length,
                                        const PeerAddress& from) {
    if (!IsWellFormedLobbyMessage(m, length)) {
        return;
    }
    namespace C = LobbyCategory;
    const std::uint64_t own = OwnId();
    switch (m[2]) {
        case C::kHello:
            ReceiveHello(m, from);
            break;
        case C::kHelloReply:
            if (FromLobbyOwner(from)) {
                ReceiveHelloReply(m);
            }
            break;
        case C::kKick:
            // Only a member settled in a joined room can be kicked, and only
            // by that room's owner: during a search, entry 0's host is no
            // one's owner.
            if (lobbyState == kSettled && steam_->IsInLobby() && roomInfo.IsOpen() &&
                !roomInfo.IsHost() && FromLobbyOwner(from) && !IsLocalPeer(from, own)) {
                lobbyState = kKickedOut;
            }
            break;
        case C::kIdentity:
        case C::kIdentityReply: {
            std::uint64_t id = 0;
            std::uint8_t flag = 0;
            ReadIdentity(m, id, flag);
            if (m[2] == C::kIdentity) {
                SendDirect(from.id, BuildIdentity(C::kIdentityReply, own, flag));
            } else {
                SendDirect(from.id,
                           BuildPing(C::kPing, LobbyPing{own, platform::clock::now_ms(), flag}));
            }
            break;
        }
        case C::kPing: {
            LobbyPing p = ReadPing(m);
            p.id = own;
            SendDirect(from.id, BuildPing(C::kPong, p));
            break;
        }
        case C::kPong:
            ReceivePong(m, from);
            break;
        case C::kPingRequest: {
            const std::vector<std::uint8_t> echo = BuildStamp(C::kPingEcho, ReadStamp(m));
            QueueMessage(echo.data(), echo.size(), from, 0);
            break;
        }
        case C::kPingEcho: {
            const CSteamID sender(from.id);
            const std::uint32_t rtt = LobbyRoundTrip(platform::clock::now_ms(), ReadStamp(m));
            steam_->SetPeerPing(&sender, static_cast<std::uint16_t>(rtt));
            break;
        }
        case C::kHostChange:
            // The controller decides whether the sender took over (a host
            // whose copy of the lobby is out of date cannot ask the lobby).
            if (!IsLocalPeer(from, own)) {
                if (FromLobbyOwner(from)) {
                    SendDirect(from.id, BuildIdentity(C::kIdentity, own, 1));
                }
                CGameNetworkCtrl::GetInstance().AcceptNewHost(from);
            }
            break;
        case C::kRoundTrip:
            ReceiveRoundTrip(m, from);
            break;
        case C::kRoomChat:
            ReceiveRoomChat(m, from);
            break;
        case C::kRoomChatRelay:
            if (FromLobbyOwner(from)) {
                ReceiveRoomChatRelay(m);
            }
            break;
        default:
            break;
    }
}

void CGameNetworkServer::ReceiveHello(const std::uint8_t* m, const PeerAddress& from) {
    if (!roomInfo.IsHost() || IsLocalPeer(from, OwnId())) {
        return;
    }
    const LobbyHello hello = ReadHello(m);
    SGameSessionRecord& s = GetNetworkDatabase().session;
    // A locked room (its match has begun) takes no one new: a hello from
    // outside the session, forged or real, changes nothing.
    if ((s.param.flags & SessionFlag::kConnectLock) != 0) {
        bool member = false;
        for (const CGameMemberSlot& slot : s.slots) {
            member = member || (slot.state != CGameMemberSlot::kEmpty && slot.memberId == from.id);
        }
        if (!member) {
            return;
        }
    }
    roomInfo.AddMember(from.id, hello.name);
    // Answered once the host's upkeep has taken the sender into the session;
    // looked up by account id, since names need not be unique.
    bool known = false;
    for (const CGameMemberSlot& slot : s.slots) {
        known = known || (slot.state != CGameMemberSlot::kEmpty && slot.memberId == from.id);
    }
    if (!known) {
        return;
    }
    LobbyHelloReply r;
    r.info = s.info;
    r.param = s.param;
    for (int i = 0; i < kSessionMembers; ++i) {
        r.identities[i] = s.slots[i].Identity();
        r.states[i] = s.slots[i].StateRecord();
    }
    r.battleInfo = GetNetworkDatabase().battleData.battleInfo;
    r.hostId = OwnId();
    const std::vector<std::uint8_t> reply = BuildHelloReply(r);
    QueueMessage(reply.data(), reply.size(), PeerAddress{from.id, 0}, 0);
}

void CGameNetworkServer::ReceiveHelloReply(const std::uint8_t* m) {
    if (lobbyState != kHelloSent) {
        return;
    }
    const LobbyHelloReply r = ReadHelloReply(m);
    for (std::uint64_t id : r.ids) {
        const CSteamID peer(id);
        if (peer.IsValid()) {
            steam_->AddPeer(&peer);
            steam_->SetPlayedWith(peer);
        }
    }
    SNetConnectSessionObj& c = connectObj;
    c.hostId = r.hostId;
    c.second = r.second;
    c.info = r.info;
    c.param = r.param;
    for (int i = 0; i < kSessionMembers; ++i) {
        c.identities[i] = r.identities[i];
        c.states[i] = r.states[i];
    }
    c.battleInfo = r.battleInfo;
    lobbyState = kHelloAnswered;
}

void CGameNetworkServer::ReceivePong(const std::uint8_t* m, const PeerAddress& from) {
    const LobbyPing p = ReadPing(m);
    const std::uint32_t rtt = LobbyRoundTrip(platform::clock::now_ms(), p.stamp);
    const CSteamID sender(from.id);
    steam_->SetPeerPing(&sender, static_cast<std::uint16_t>(rtt));
    if (p.flag == 0) {
        for (int j = 0; j < searchResultCount; ++j) {
            auto* node = static_cast<CWinSearchResultNode*>(searchResults[j].get());
            if (node->hostId == from.id) {
                node->hostRtt = static_cast<std::int32_t>(rtt > 0x7FFFFFFFu ? 0x7FFFFFFFu : rtt);
            }
        }
        return;
    }
    const SGameSessionRecord& s = GetNetworkDatabase().session;
    const int own = s.IndexOf(s.ownSlot);
    if (own >= 0) {
        const std::vector<std::uint8_t> report =
            BuildRoundTrip(rtt, static_cast<std::uint32_t>(own));
        SendDirect(from.id, report);
    }
}

void CGameNetworkServer::ReceiveRoundTrip(const std::uint8_t* m, const PeerAddress& from) {
    std::uint32_t rtt = 0, index = 0;
    ReadRoundTrip(m, rtt, index);
    if (index >= static_cast<std::uint32_t>(kSessionMembers)) {
        return;
    }
    CGameMemberSlot& slot = GetNetworkDatabase().session.slots[index];
    if (slot.IsConnect() && slot.memberId == from.id) {
        slot.rtt = static_cast<std::int16_t>(static_cast<std::uint16_t>(rtt));
    }
}

int CGameNetworkServer::SendRoomChat(const char* text) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    const int own = s.IndexOf(s.ownSlot);
    const std::vector<std::uint8_t> chat =
        BuildRoomChat(static_cast<std::uint32_t>(own < 0 ? 0 : own), text);
    if (chat.empty() || s.hostSlot == nullptr) {
        return 0;
    }
    const PeerAddress host = s.hostSlot == s.ownSlot ? PeerAddress{} : s.hostSlot->peer;
    QueueMessage(chat.data(), chat.size(), host, kP2PSendKindDelayed);
    return 0;
}

void CGameNetworkServer::ReceiveRoomChat(const std::uint8_t* m, const PeerAddress& from) {
    if (!roomInfo.IsHost()) {
        return;
    }
    const LobbyChat chat = ReadRoomChat(m);
    SGameSessionRecord& s = GetNetworkDatabase().session;
    if (chat.slot >= static_cast<std::uint32_t>(kSessionMembers)) {
        return;
    }
    const CGameMemberSlot& sender = s.slots[chat.slot];
    const bool local = IsLocalPeer(from, OwnId());
    // A member speaks only under its own slot.
    if (!sender.IsConnect() || (local ? &sender != s.ownSlot : sender.memberId != from.id)) {
        return;
    }
    const std::vector<std::uint8_t> relay = BuildRoomChatRelay(chat.text, sender.memberName);
    for (const CGameMemberSlot& slot : s.slots) {
        if (slot.IsConnect()) {
            const PeerAddress to = &slot == s.ownSlot ? PeerAddress{} : slot.peer;
            QueueMessage(relay.data(), relay.size(), to, kP2PSendKindDelayed);
        }
    }
}

void CGameNetworkServer::ReceiveRoomChatRelay(const std::uint8_t* m) {
    const LobbyChatRelay relay = ReadRoomChatRelay(m);
    networker_->AddTextChatLog(relay.name, relay.text,
                               static_cast<std::uint32_t>(strnlen(relay.text, kRoomChatField)));
}

}  // namespace Sample::Win
