// Match controller: the key exchange. Each frame every member records its
// pad word for frame current + delay, sends its newest words to the others,
// and consumes the four battlers' words of the current frame; a missing word
// holds the frame and is asked for again. A member only ever consumes words
// it has really received: last frame [b] advances only over frames a message
// covered, so a lost message is asked for, never read as a zero.
#include "proj/network/game_network_ctrl.h"
#include "proj/network/p2p_buffers.h"
#include "proj/script/net_key_buffer.h"

namespace Sample {

namespace {

// Signed distance from a to b, modulo 2^16.
int FrameDistance(std::uint16_t from, std::uint16_t to) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(to - from));
}

SGameBattleParam& Keys() {
    return GetNetworkDatabase().battleData.battleParam;
}

}  // namespace

void CGameNetworkCtrl::InitKeyData(std::uint8_t delay) {
    SGameBattleParam& k = Keys();
    k.Clear();
    if (OwnBattler() >= 0) {
        k.KeyBufferDelay = delay;
        for (std::uint16_t& f : k.lastFrame) {
            f = delay;
        }
    }
    holdFlag = 1;
    keysArmed = kKeysArmed;
    ResetDeparted();
    battleBattlers = 0;
    for (int b = 0; b < kSessionMembers; ++b) {
        const CGameMemberSlot* slot = GetNetworkDatabase().session.battlerSlots[b];
        battleMemberIds[b] = 0;
        if (slot != nullptr && slot->IsConnect()) {
            battleBattlers |= static_cast<std::uint8_t>(1u << b);
            battleMemberIds[b] = slot->memberId;
        }
    }
}

std::size_t CGameNetworkCtrl::BuildKeyMessage(int battler, std::uint16_t frame, std::uint8_t* out,
                                              std::size_t capacity) {
    if (battler < 0 || battler >= kSessionMembers) {
        return 0;
    }
    const KeyHistory& h = Keys().keyHistory[battler];
    GameMessage m;
    m.category = GameMessageCategory::kKeyInput;
    m.sub = frame == Keys().lastFrame[battler] ? kKeyRunWhole : 0;
    m.frame = frame;
    m.keyBattler = static_cast<std::uint8_t>(battler);
    m.keyCount = static_cast<std::uint8_t>(frame < kMaxKeyWords - 1 ? frame + 1 : kMaxKeyWords);
    for (int i = 0; i < m.keyCount; ++i) {
        m.keys[i] = h.KeyAt(static_cast<std::uint16_t>(frame - i));
    }
    return BuildGameMessage(m, out, capacity);
}

void CGameNetworkCtrl::SendKeyInput(std::uint16_t word) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    const int b = OwnBattler();
    if (b < 0) {
        return;
    }
    SGameBattleParam& k = Keys();
    if (b == HostBattler() && k.delayRaiseFlag) {
        word |= kDelayRaiseMark;
    }
    k.keyHistory[b].Record(word, k.lastFrame[b]);
    k.lastFrame[b] = static_cast<std::uint16_t>(k.lastFrame[b] + 1);
    std::uint8_t bytes[kMaxMatchMessage];
    const std::size_t n = BuildKeyMessage(b, k.lastFrame[b], bytes, sizeof bytes);
    for (const CGameMemberSlot& slot : s.slots) {
        if (slot.IsConnect() && &slot != s.ownSlot && n != 0) {
            QueueMessageKind0(bytes, n, slot.peer);
        }
    }
}

std::uint16_t CGameNetworkCtrl::GetMemberKey(int battler) {
    if (battler < 0 || battler >= kSessionMembers) {
        return 0;
    }
    SGameBattleParam& k = Keys();
    std::uint16_t word = k.keyHistory[battler].KeyAt(k.currentFrame);
    if (word & kDelayRaiseMark) {
        word &= static_cast<std::uint16_t>(~kDelayRaiseMark);
        // The mark is the host battler's, on every member alike.
        const int host = HostBattler();
        if (battler == host && GetNetworkDatabase().session.ownSlot != nullptr &&
            OwnBattler() != host && k.currentFrame % 40 < 20) {
            k.delayRaiseFlag = 1;
        }
    }
    return word;
}

int CGameNetworkCtrl::UpdateNetKeyBuffer(std::uint16_t padWord, bool paused) {
    // START shares its bit with the delay-raise mark, so it stays home.
    const std::uint16_t word =
        paused ? 0 : static_cast<std::uint16_t>(padWord & kLocalKeyMask & ~kDelayRaiseMark);
    if (!holdFlag) {
        SendKeyInput(word);
    }
    if (!networkWaiting) {
        for (int b = 0; b < kSessionMembers; ++b) {
            if (NetKeyEntry* e = GetNetKeyEntry(b)) {
                e->previous = e->held;
                e->held = GetMemberKey(b);
            }
        }
    }
    return 1;
}

void CGameNetworkCtrl::EndKeyExchange() {
    if (keysArmed == kKeysArmed) {
        keysArmed = kKeysEnded;
        keysEndFrame = Keys().currentFrame;
    }
    for (std::uint16_t& n : keysMissing) {
        n = 0;
    }
}

void CGameNetworkCtrl::TimeStep() {
    if (IsNetKeyOnline() && !holdFlag) {
        SGameBattleParam& k = Keys();
        k.currentFrame = static_cast<std::uint16_t>(k.currentFrame + 1);
    }
}

void CGameNetworkCtrl::UpdateNetworkWait() {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    if (s.ownSlot == nullptr || s.hostSlot == nullptr) {
        return;
    }
    SGameBattleParam& k = Keys();
    networkWaiting = 0;
    const int own = OwnBattler();
    bool missing = false;
    const bool host = IsHost();
    for (int i = 0; i < kSessionMembers; ++i) {
        CGameMemberSlot* slot = s.battlerSlots[i];
        // A departed battler is still waited for: its words come from the
        // host, which alone decides where they end.
        const bool departed = IsDeparted(i);
        if (i == own || (!departed && (slot == nullptr || !slot->IsConnect()))) {
            keysMissing[i] = 0;
            continue;
        }
        if (departed && host) {
            // Collected whether or not the host itself still needs the words:
            // another member may.
            if (departedEnd[i] < 0) {
                const bool ask = departedAsk[i] == 0;
                departedAsk[i] = ask ? k.KeyBufferDelay : departedAsk[i] - 1;
                CollectDeparted(i, ask);
            }
            if (departedEnd[i] >= 0) {
                FillDeparted(i);
                SendDeparted(i);
            }
        }
        if (FrameBefore(k.currentFrame, k.lastFrame[i])) {
            k.resendCountdown[i] = 0;
            keysMissing[i] = 0;
            continue;
        }
        missing = true;
        if (keysMissing[i] != 0xFFFF) {
            keysMissing[i] += 1;
        }
        if (departed && host) {
            continue;  // the host waits for its own collecting
        }
        if (host && keysMissing[i] >= kKeyWithholdLimit) {
            // However alive its status keeps it, a battler whose words stay
            // missing holds everyone: it departs, and its end is fixed as
            // for any battler that left.
            TakeOutOfMatch(s.IndexOf(slot), "keeps back its key words");
            continue;
        }
        if (k.resendCountdown[i] == 0) {
            GameMessage request;
            request.category = GameMessageCategory::kKeyResendRequest;
            request.frame = k.currentFrame;
            request.keyBattler = static_cast<std::uint8_t>(i);
            Send(request, departed ? s.hostSlot->peer : slot->peer);
            k.resendCount = static_cast<std::uint16_t>(k.resendCount + 1);
            k.resendCountdown[i] = k.KeyBufferDelay;
        } else {
            k.resendCountdown[i] -= 1;
        }
    }
    if (missing) {
        k.waitCount = static_cast<std::uint16_t>(k.waitCount + 1);
        holdFlag = 1;
        networkWaiting = 1;
        return;
    }
    if (k.KeyBufferDelay >= kMaxKeyDelay) {
        k.delayRaiseFlag = 0;
        return;
    }
    const int phase = k.currentFrame % 40;
    if (phase == 0) {
        if (own >= 0 && own == HostBattler()) {
            k.windowCount += 1;
            if (k.waitCount > 20) {
                k.delayRaiseFlag = 1;
                k.windowCount = k.longSpanCount = 0;
                k.waitCount = 0;
                return;
            }
            if (k.windowCount >= 8) {
                k.delayRaiseFlag = k.longSpanCount >= 6 ? 1 : 0;
                k.windowCount = k.longSpanCount = 0;
                k.waitCount = 0;
                return;
            }
            if (k.waitCount > 4) {
                k.longSpanCount += 1;
            }
        }
        k.delayRaiseFlag = 0;
        k.waitCount = 0;
    } else if (phase == 20 && k.delayRaiseFlag) {
        k.delayRaiseFlag = 0;
        k.KeyBufferDelay += 1;
        networkWaiting = 1;
    } else if (phase > 20) {
        k.delayRaiseFlag = 0;
    }
}

void CGameNetworkCtrl::ReceiveKeyInput(const GameMessage& m, const PeerAddress& from) {
    const int b = m.keyBattler;
    CGameMemberSlot* sender = FindMemberSlotByPeer(from);
    if (keysArmed != kKeysArmed || sender == nullptr || b == OwnBattler() ||
        sender == GetNetworkDatabase().session.ownSlot) {
        return;
    }
    SGameSessionRecord& s = GetNetworkDatabase().session;
    const bool departed = IsDeparted(b);
    // Only the member holding battler b speaks for it, and nobody for ours.
    // A departed battler's words come from the host; the host itself takes
    // them from any member while it collects them, and from nobody once
    // their end is fixed.
    if (departed) {
        if (IsHost() ? departedEnd[b] >= 0 : !FromHost(from)) {
            return;
        }
    } else if (sender->BattlerNo() != b) {
        return;
    }
    SGameBattleParam& k = Keys();
    const std::uint16_t f = m.frame;
    if (FrameDistance(k.lastFrame[b], f) > kMaxKeyWords) {
        return;
    }
    // Frames already known keep their words: a late or duplicated message's
    // word 0 is the sender's placeholder, not that frame's key.
    for (int i = 0; i < m.keyCount; ++i) {
        const std::uint16_t frame = static_cast<std::uint16_t>(f - i);
        if (!FrameBefore(frame, k.lastFrame[b])) {
            k.keyHistory[b].Store(m.keys[i], frame);
        }
    }
    // Word i is frame f - i and word 0 is not yet held by the sender: the
    // words cover [f - n + 1, f - 1]. Advancing past a frame they do not
    // cover would let a placeholder be consumed; a late message never moves
    // the mark back (the resend answer would then leave a gap for ever).
    const std::uint16_t oldest = static_cast<std::uint16_t>(f - m.keyCount + 1);
    if (FrameBefore(k.lastFrame[b], f) && !FrameBefore(k.lastFrame[b], oldest)) {
        k.lastFrame[b] = f;
    }
    if (departed && IsHost() && m.sub == kKeyRunWhole && !FrameBefore(k.lastFrame[b], f)) {
        // The sender's whole store, and the host now has all of it. A run cut
        // short of the sender's last frame says nothing of what else it holds.
        departedHeard[b] |= static_cast<std::uint8_t>(1u << s.IndexOf(sender));
    }
    k.resendCount = 0;
}

void CGameNetworkCtrl::ReceiveKeyResendRequest(const GameMessage& m, const PeerAddress& from) {
    CGameMemberSlot* sender = FindMemberSlotByPeer(from);
    const int b = m.keyBattler;
    if (keysArmed == 0 || sender == nullptr || !sender->IsConnect() ||
        sender == GetNetworkDatabase().session.ownSlot) {
        return;
    }
    // After the end only the last frames: an earlier one is another battle's.
    if (keysArmed == kKeysEnded && (FrameDistance(m.frame, keysEndFrame) < 0 ||
                                    FrameDistance(m.frame, keysEndFrame) > kEndedAnswerSpan)) {
        return;
    }
    // Words of a departed battler: a member hands the host what it holds;
    // the host serves them to anyone once their end is fixed, also after its
    // own battle ended (a member still finishing needs the last ones).
    const bool departed = LeftBattle(b);
    if (departed ? (IsHost() ? departedEnd[b] < 0 : !FromHost(from)) : b != OwnBattler()) {
        return;
    }
    const std::uint16_t last = Keys().lastFrame[b];
    // Seven words from R + 6 down include R itself.
    const std::uint16_t f = FrameDistance(m.frame, last) > kMaxKeyWords - 1
                                ? static_cast<std::uint16_t>(m.frame + kMaxKeyWords - 1)
                                : last;
    std::uint8_t bytes[kMaxMatchMessage];
    const std::size_t n = BuildKeyMessage(b, f, bytes, sizeof bytes);
    if (n != 0) {
        QueueMessageKind0(bytes, n, from);
    }
}

}  // namespace Sample
