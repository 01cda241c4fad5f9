// Peer-to-peer packets on channel 0: accepts every session, reads every
// waiting packet once a frame and raises event 9 for each (with the number
// of bytes read), reports a timed-out connection as event 10, and keeps the
// peer table (account id -> small peer number and ping). Game thread only.
#pragma once

#include <cstdint>
#include <deque>

#include "qzware/depend/win/vho/vho_steam_id.h"

namespace vho {

class Steam;

struct PeerEntry {
    CSteamID id;
    std::uint16_t peerId = 65535;  // 65535 = none
    std::uint16_t ping = 65535;    // 65535 = not measured
};

// Data of event 9: valid only during the notification; listeners copy what
// they keep. `size` is the number of bytes read, so a listener never has to
// trust a length field inside the packet.
struct P2PPacketEvent {
    CSteamID sender;
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

class SteamP2P {
public:
    // The poll's read area; every match and lobby message is shorter, and
    // a bigger packet is dropped by the platform layer, never read.
    static constexpr std::uint32_t kReadBufferSize = 1204;
    // A backend that keeps reporting packets cannot hold the frame forever.
    static constexpr int kMaxReadsPerFrame = 4096;

    struct PeerTable {
        std::deque<PeerEntry> entries;  // insertion order; entries never move
        std::uint16_t counter = 0;
        PeerEntry nullEntry;
    };

    explicit SteamP2P(Steam* owner);
    virtual ~SteamP2P();

    // Registers the session-request (1202) and connect-failure (1203) callbacks.
    virtual bool Init();
    virtual void Finalize() {}
    virtual void Update();
    virtual void ClearPeers();
    // Appends without searching: an id added twice has two entries.
    virtual PeerEntry* AddPeer(const CSteamID* id);
    virtual PeerEntry* FindPeerById(std::uint16_t peerId);
    virtual PeerEntry* FindPeer(const CSteamID* id);
    virtual void SetPeerPing(const CSteamID* id, std::uint16_t ping);
    virtual PeerEntry* GetNullPeer() { return &table_.nullEntry; }
    virtual void CloseSession(const CSteamID* id);
    virtual void SendPacket(const CSteamID* to, const void* data, std::uint32_t size, int sendType);
    virtual void SendPacketToPeer(std::uint16_t peerId, const void* data, std::uint32_t size,
                                  int sendType);

    // A real entry: a peer number and a valid account id.
    static bool IsRealEntry(const PeerEntry* entry) {
        return entry && entry->peerId != 65535 && entry->id.IsValid();
    }

private:
    Steam* owner_;
    int sessionRequest_ = 0;
    int connectFail_ = 0;
    PeerTable table_;
    std::uint8_t buffer_[kReadBufferSize] = {};
};

}  // namespace vho
