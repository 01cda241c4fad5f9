// Field-by-field packing of the shared match records.
#include "proj/network/game_records.h"

#include <initializer_list>

namespace Sample {

void Pack(Net::LeWriter& w, const SGameSessionParam& r) {
    w.U8(r.Member);
    w.U8(r.reserved);
    w.U16(r.flags);
    w.I32(r.StartCount);
    w.I32(r.TagType);
}

void Pack(Net::LeWriter& w, const SGameBattlerInfo& r) {
    w.U8(r.flags);
    w.U8(static_cast<std::uint8_t>(r.teamId));
    w.U8(static_cast<std::uint8_t>(r.selectIndex));
    w.U8(r.npc);
    w.Bytes(r.keyConfig, sizeof r.keyConfig);
}

void Pack(Net::LeWriter& w, const SGameBattleInfo& r) {
    w.U8(r.received);
    w.U8(r.reserved);
    w.U8(r.stageNo);
    w.U8(r.bgm);
    for (std::uint32_t t : r.tag) {
        w.U32(t);
    }
    w.U32(r.RandomSeed);
    const NET_ROOM_GAME_INFO& g = r.gameInfo;
    for (std::int32_t v : {g.ruleTeamType, g.ruleTime, g.ruleRound, g.ruleStage, g.ruleBgm,
                           g.ruleItemNum, g.ruleFall}) {
        w.I32(v);
    }
}

void Pack(Net::LeWriter& w, const MemberIdentityRecord& r) {
    w.U64(r.id);
    w.Bytes(r.name, sizeof r.name);
}

void Pack(Net::LeWriter& w, const MemberStateRecord& r) {
    w.U16(r.sequence);
    w.U16(r.sequenceSub);
    w.U16(r.flags);
    w.I16(r.rtt);
    w.U8(r.playCount);
    w.U8(r.rankSum);
}

void Unpack(Net::LeReader& r, SGameSessionParam& out) {
    out.Member = r.U8();
    out.reserved = r.U8();
    out.flags = r.U16();
    out.StartCount = r.I32();
    out.TagType = r.I32();
}

void Unpack(Net::LeReader& r, SGameBattlerInfo& out) {
    out.flags = r.U8();
    out.teamId = static_cast<std::int8_t>(r.U8());
    out.selectIndex = static_cast<std::int8_t>(r.U8());
    out.npc = r.U8();
    r.Bytes(out.keyConfig, sizeof out.keyConfig);
}

void Unpack(Net::LeReader& r, SGameBattleInfo& out) {
    out.received = r.U8();
    out.reserved = r.U8();
    out.stageNo = r.U8();
    out.bgm = r.U8();
    for (std::uint32_t& t : out.tag) {
        t = r.U32();
    }
    out.RandomSeed = r.U32();
    NET_ROOM_GAME_INFO& g = out.gameInfo;
    for (std::int32_t* v : {&g.ruleTeamType, &g.ruleTime, &g.ruleRound, &g.ruleStage, &g.ruleBgm,
                            &g.ruleItemNum, &g.ruleFall}) {
        *v = r.I32();
    }
}

void Unpack(Net::LeReader& r, MemberIdentityRecord& out) {
    out.id = r.U64();
    r.Bytes(out.name, sizeof out.name);
    // A peer's name is shown and compared as a C string: never let it run on.
    out.name[sizeof out.name - 1] = '\0';
}

void Unpack(Net::LeReader& r, MemberStateRecord& out) {
    out.sequence = r.U16();
    out.sequenceSub = r.U16();
    out.flags = r.U16();
    out.rtt = r.I16();
    out.playCount = r.U8();
    out.rankSum = r.U8();
}

}  // namespace Sample
