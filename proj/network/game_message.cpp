// The layout table of the match protocol and the one builder and parser that
// walk it. Category 14 (key input) is the only variable-length message.
#include "proj/network/game_message.h"

#include <array>
#include <initializer_list>

namespace Sample {

namespace {

namespace C = GameMessageCategory;

// [SECTION] Layout table

// The payload pieces, each written at the running offset after the header.
enum class Piece : std::uint8_t {
    kStatus,              // u8 flags, u8 padding, i16 ping
    kSessionParam,        // 12
    kIdentities,          // 4 x 32
    kStates,              // 4 x 10
    kBattleInfo,          // 52
    kBattlers,            // 4 x 8
    kBattlerFlagsSelect,  // 4 x (flags byte, select index)
    kValue,               // u8
    kIndex,               // u8 battler or tag index, below 4
    kBattler,             // 8
    kScene,               // u16
    kResendRequest,       // u16 frame, u8 battler (below 4), u8 0
    kPad1,
    kPad4,
};

constexpr std::int16_t kAnySub = -1;

struct Layout {
    std::uint8_t category;
    std::int16_t sub;  // kAnySub: the category has no sub-types (0 is sent)
    std::uint16_t length;
    std::initializer_list<Piece> pieces;
};

using P = Piece;
// The snapshot opening shared by categories 2 to 5.
#define SNAPSHOT P::kSessionParam, P::kIdentities, P::kStates

const Layout kLayouts[] = {
    {C::kStatus, kAnySub, 8, {P::kStatus}},
    {C::kRoomSessionInfo, kAnySub, 240, {SNAPSHOT, P::kBattleInfo, P::kPad4}},
    {C::kTeamSelectSessionInfo, kAnySub, 272, {SNAPSHOT, P::kBattleInfo, P::kBattlers, P::kPad4}},
    {C::kCharaSelectSessionInfo, kAnySub, 192, {SNAPSHOT, P::kBattlerFlagsSelect}},
    {C::kBattleSessionInfo, kAnySub, 184, {SNAPSHOT}},
    {C::kHostStateAck, kAnySub, 4, {}},
    {C::kPlayerRoom, 1, 6, {P::kValue, P::kPad1}},
    {C::kPlayerRoom, 2, 4, {}},
    {C::kPlayerRoom, 3, 4, {}},
    {C::kTeamSelect, 1, 14, {P::kIndex, P::kBattler, P::kPad1}},
    {C::kTeamSelect, 2, 88, {P::kSessionParam, P::kStates, P::kBattlers}},
    {C::kTeamSelect, 3, 6, {P::kIndex, P::kValue}},
    {C::kTeamSelect, 4, 56, {P::kBattleInfo}},
    {C::kTeamSelect, 5, 88, {P::kBattlers, P::kBattleInfo}},
    {C::kTeamSelect, 6, 88, {P::kBattleInfo, P::kBattlers}},
    {C::kCharaSelect, 1, 12, {P::kBattler}},
    {C::kCharaSelect, 2, 36, {P::kBattlers}},
    {C::kCharaSelect, 3, 36, {P::kBattlers}},
    {C::kGotoScene, kAnySub, 6, {P::kScene}},
    {C::kArrivalPreBattle, kAnySub, 4, {}},
    {C::kBattleStart, kAnySub, 4, {}},
    {C::kKeyResendRequest, kAnySub, 8, {P::kResendRequest}},
    {C::kArrivalResultEnd, kAnySub, 4, {}},
    {C::kBattleInfo, kAnySub, 56, {P::kBattleInfo}},
};
#undef SNAPSHOT

const Layout* FindLayout(std::uint8_t category, std::uint8_t sub) {
    for (const Layout& l : kLayouts) {
        if (l.category == category && (l.sub == kAnySub || l.sub == sub)) {
            return &l;
        }
    }
    return nullptr;
}

// [SECTION] Pieces

void PackPiece(Net::LeWriter& w, Piece p, const GameMessage& m) {
    switch (p) {
        case P::kStatus:
            w.U8(m.statusFlags);
            w.U8(0);
            w.I16(m.hostPing);
            break;
        case P::kSessionParam:
            Pack(w, m.sessionParam);
            break;
        case P::kIdentities:
            for (const MemberIdentityRecord& r : m.identities) {
                Pack(w, r);
            }
            break;
        case P::kStates:
            for (const MemberStateRecord& r : m.states) {
                Pack(w, r);
            }
            break;
        case P::kBattleInfo:
            Pack(w, m.battleInfo);
            break;
        case P::kBattlers:
            for (const SGameBattlerInfo& r : m.battlers) {
                Pack(w, r);
            }
            break;
        case P::kBattlerFlagsSelect:
            for (const SGameBattlerInfo& r : m.battlers) {
                w.U8(r.flags);
                w.U8(static_cast<std::uint8_t>(r.selectIndex));
            }
            break;
        case P::kValue:
            w.U8(m.value);
            break;
        case P::kIndex:
            w.U8(m.index);
            break;
        case P::kBattler:
            Pack(w, m.battler);
            break;
        case P::kScene:
            w.U16(m.scene);
            break;
        case P::kResendRequest:
            w.U16(m.frame);
            w.U8(m.keyBattler);
            w.U8(0);
            break;
        case P::kPad1:
            w.Zeros(1);
            break;
        case P::kPad4:
            w.Zeros(4);
            break;
    }
}

// False when a peer's index is out of range.
bool UnpackPiece(Net::LeReader& r, Piece p, GameMessage& m) {
    switch (p) {
        case P::kStatus:
            m.statusFlags = r.U8();
            r.Skip(1);
            m.hostPing = r.I16();
            return true;
        case P::kSessionParam:
            Unpack(r, m.sessionParam);
            return true;
        case P::kIdentities:
            for (MemberIdentityRecord& x : m.identities) {
                Unpack(r, x);
            }
            return true;
        case P::kStates:
            for (MemberStateRecord& x : m.states) {
                Unpack(r, x);
            }
            return true;
        case P::kBattleInfo:
            Unpack(r, m.battleInfo);
            return true;
        case P::kBattlers:
            for (SGameBattlerInfo& x : m.battlers) {
                Unpack(r, x);
            }
            return true;
        case P::kBattlerFlagsSelect:
            for (SGameBattlerInfo& x : m.battlers) {
                x.flags = r.U8();
                x.selectIndex = static_cast<std::int8_t>(r.U8());
            }
            return true;
        case P::kValue:
            m.value = r.U8();
            return true;
        case P::kIndex:
            m.index = r.U8();
            return m.index < kSessionMembers;
        case P::kBattler:
            Unpack(r, m.battler);
            return true;
        case P::kScene:
            m.scene = r.U16();
            return true;
        case P::kResendRequest:
            m.frame = r.U16();
            m.keyBattler = r.U8();
            r.Skip(1);
            return m.keyBattler < kSessionMembers;
        case P::kPad1:
            r.Skip(1);
            return true;
        case P::kPad4:
            r.Skip(4);
            return true;
    }
    return false;
}

// [SECTION] Header and key input

void PackHeader(Net::LeWriter& w, std::size_t length, std::uint8_t category, std::uint8_t sub) {
    w.U16(static_cast<std::uint16_t>(length));
    w.U8(category);
    w.U8(sub);
}

std::size_t BuildKeyInput(const GameMessage& m, std::uint8_t* out, std::size_t capacity) {
    if (m.keyCount > kMaxKeyWords) {
        return 0;
    }
    const std::size_t length = 8 + 2 * std::size_t{m.keyCount};
    Net::LeWriter w(out, capacity);
    PackHeader(w, length, C::kKeyInput, m.sub);
    w.U16(m.frame);
    w.U8(m.keyBattler);
    w.U8(m.keyCount);
    for (int i = 0; i < m.keyCount; ++i) {
        w.U16(m.keys[i]);
    }
    return w.Ok() ? length : 0;
}

bool ParseKeyInput(Net::LeReader& r, std::size_t length, GameMessage& m) {
    m.frame = r.U16();
    m.keyBattler = r.U8();
    m.keyCount = r.U8();
    // Word i is frame F - i, so a sender never has more than F + 1 of them.
    if (m.keyBattler >= kSessionMembers || m.keyCount > kMaxKeyWords ||
        length != 8 + 2 * std::size_t{m.keyCount} || m.keyCount > std::size_t{m.frame} + 1) {
        return false;
    }
    for (int i = 0; i < m.keyCount; ++i) {
        m.keys[i] = r.U16();
    }
    return r.Ok();
}

}  // namespace

// [SECTION] Builder and parser

bool IsMatchCategory(std::uint8_t category) {
    return category >= C::kStatus && category <= C::kBattleInfo && category != 7;
}

std::size_t MatchMessageLength(std::uint8_t category, std::uint8_t sub) {
    const Layout* l = FindLayout(category, sub);
    return l ? l->length : 0;
}

std::size_t BuildGameMessage(const GameMessage& m, std::uint8_t* out, std::size_t capacity) {
    if (m.category == C::kKeyInput) {
        return BuildKeyInput(m, out, capacity);
    }
    const Layout* l = FindLayout(m.category, m.sub);
    if (l == nullptr || capacity < l->length) {
        return 0;
    }
    Net::LeWriter w(out, capacity);
    PackHeader(w, l->length, m.category, l->sub == kAnySub ? 0 : m.sub);
    for (Piece p : l->pieces) {
        PackPiece(w, p, m);
    }
    return (w.Ok() && w.Size() == l->length) ? l->length : 0;
}

bool ParseGameMessage(const std::uint8_t* data, std::size_t size, GameMessage& out) {
    if (data == nullptr || size < kGameMessageHeader) {
        return false;
    }
    const std::size_t length = Net::LeU16At(data);
    if (length < kGameMessageHeader || length > size) {
        return false;
    }
    GameMessage m;
    m.category = data[2];
    m.sub = data[3];
    Net::LeReader r(data + kGameMessageHeader, length - kGameMessageHeader);
    if (m.category == C::kKeyInput) {
        if (!ParseKeyInput(r, length, m)) {
            return false;
        }
    } else {
        const Layout* l = FindLayout(m.category, m.sub);
        if (l == nullptr || l->length != length) {
            return false;
        }
        for (Piece p : l->pieces) {
            if (!UnpackPiece(r, p, m)) {
                return false;
            }
        }
        if (!r.Ok() || r.Offset() != length - kGameMessageHeader) {
            return false;
        }
    }
    out = m;
    return true;
}

}  // namespace Sample
