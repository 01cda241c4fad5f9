// Peer messages at the match controller: the first byte picks the role (host
// or member) and the sender slot, the rest is one frame's worth of raw
// receive-log bytes. Whatever arrives, the controller's frame runs to its end
// without reading out of bounds, and the session keeps its invariants.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "proj/network/game_network_ctrl.h"
#include "proj/network/network_member_context.h"

namespace {

using namespace Sample;

constexpr std::uint64_t kBase = 0x0110000100000001ull;

void SetUpSession(int self) {
    SGameNetworkDatabase& db = GetNetworkDatabase();
    db.ownUser.id = kBase + self;
    SGameSessionRecord& s = db.session;
    s.Clear();
    s.param.Member = 3;
    for (int i = 0; i < 3; ++i) {
        CGameMemberSlot& slot = s.slots[i];
        slot.state = CGameMemberSlot::kConnected;
        slot.memberId = kBase + i;
        slot.memberName[0] = static_cast<char>('A' + i);
        slot.peer = i == self ? PeerAddress{} : PeerAddress{kBase + i, 0};
        slot.flags = i == 0 ? MemberFlag::kHost : MemberFlag::kJoined;
        slot.SetBattlerNo(i);
        slot.sequence = 6;
    }
    s.UpdateSlotPointers(db.ownUser.id);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    static NetworkMemberContext* context = [] {
        auto* c = new NetworkMemberContext;
        UseNetworkMemberContext(c);
        CreateP2PBuffers(65536);
        CreatePeriodicSends();
        CGameNetworkCtrl::GetInstance().InitKeyData(3);  // builds the histories once
        return c;
    }();
    (void)context;
    static IGameNetworkServer server;
    CGameNetworkCtrl& ctrl = CGameNetworkCtrl::GetInstance();
    ctrl.SetServer(&server);
    const int self = data[0] & 1;  // 0 host, 1 member
    SetUpSession(self);
    // Rebuilding four 43,200-node histories per input would be most of the
    // run; the key state is rewound instead.
    SGameBattleParam& keys = GetNetworkDatabase().battleData.battleParam;
    for (std::uint16_t& f : keys.lastFrame) {
        f = 3;
    }
    keys.currentFrame = 0;
    keys.KeyBufferDelay = 3;

    P2PQueue& log = GetP2PBuffers().receiveLog;
    const std::size_t n = size - 1 < log.capacity ? size - 1 : log.capacity;
    std::memcpy(log.buffer.data(), data + 1, n);
    log.used = static_cast<std::uint32_t>(n);
    log.readOffset = 0;
    ctrl.ManagementNetwork();
    ctrl.UpdateNetworkWait();
    ctrl.UpdateNetKeyBuffer(0x0101, false);

    const SGameSessionRecord& s = GetNetworkDatabase().session;
    for (const CGameMemberSlot* p : {s.ownSlot, s.hostSlot}) {
        if (p != nullptr && s.IndexOf(p) < 0) {
            std::abort();
        }
    }
    for (const CGameMemberSlot* b : s.battlerSlots) {
        if (b != nullptr && s.IndexOf(b) < 0) {
            std::abort();
        }
    }
    // Drop what was queued so the next input starts empty.
    DrainSendQueue([](const P2PSendRecord&) {});
    return 0;
}
