#include "proj/network/lobby_messages.h"

#include <cstring>

namespace Sample {

namespace {

using Net::LeReader;
using Net::LeWriter;

struct SizeRow {
    std::uint8_t category;
    std::uint16_t size;
};
constexpr SizeRow kSizes[] = {
    {LobbyCategory::kHello, 32},
    {LobbyCategory::kHelloReply, 504},
    {LobbyCategory::kKick, 4},
    {LobbyCategory::kIdentity, 14},
    {LobbyCategory::kIdentityReply, 14},
    {LobbyCategory::kPing, 20},
    {LobbyCategory::kPong, 20},
    {LobbyCategory::kPingRequest, 8},
    {LobbyCategory::kPingEcho, 8},
    {LobbyCategory::kHostChange, 12},
    {LobbyCategory::kRoundTrip, 12},
    {LobbyCategory::kRoomChat, 136},
    {LobbyCategory::kRoomChatRelay, 152},
};

// A message of its category's size with the header written.
LobbyBytes Blank(std::uint8_t category) {
    LobbyBytes out(LobbyMessageSize(category), 0);
    LeWriter w(out.data(), out.size());
    w.U16(static_cast<std::uint16_t>(out.size()));
    w.U8(category);
    w.U8(0);
    return out;
}

void PutText(LeWriter& w, const char* text, std::size_t field) {
    const std::size_t n = text ? strnlen(text, field - 1) : 0;
    w.Bytes(text, n);
    w.Zeros(field - n);
}

void GetText(LeReader& r, char* out, std::size_t field) {
    r.Bytes(out, field);
    out[field - 1] = '\0';
}

}  // namespace

std::size_t LobbyMessageSize(std::uint8_t category) {
    for (const SizeRow& row : kSizes) {
        if (row.category == category) {
            return row.size;
        }
    }
    return 0;
}

bool IsWellFormedLobbyMessage(const std::uint8_t* m, std::size_t size) {
    if (m == nullptr || size < 4) {
        return false;
    }
    const std::size_t length = std::size_t(m[0]) | (std::size_t(m[1]) << 8);
    const std::size_t want = LobbyMessageSize(m[2]);
    if (want == 0 || length != size) {
        return false;
    }
    return m[2] == LobbyCategory::kPingRequest ? size >= want : size == want;
}

LobbyBytes BuildHello(std::uint64_t id, const char* name) {
    LobbyBytes out = Blank(LobbyCategory::kHello);
    LeWriter w(out.data() + 4, out.size() - 4);
    w.U64(id);
    PutText(w, name, kLobbyNameField);
    return out;
}

LobbyBytes BuildHelloReply(const LobbyHelloReply& r) {
    LobbyBytes out = Blank(LobbyCategory::kHelloReply);
    LeWriter w(out.data() + 4, out.size() - 4);
    for (std::uint64_t id : r.ids) {
        w.U64(id);
    }
    w.Zeros(82);
    Pack(w, r.info);
    Pack(w, r.param);
    for (const MemberIdentityRecord& m : r.identities) {
        Pack(w, m);
    }
    for (const MemberStateRecord& m : r.states) {
        Pack(w, m);
    }
    Pack(w, r.battleInfo);
    w.Zeros(4);
    w.U64(r.hostId);
    w.U32(0);
    w.Zeros(4);
    return out;
}

LobbyBytes BuildKick() {
    return Blank(LobbyCategory::kKick);
}

LobbyBytes BuildIdentity(std::uint8_t category, std::uint64_t id, std::uint8_t flag) {
    LobbyBytes out = Blank(category);
    LeWriter w(out.data() + 4, out.size() - 4);
    w.U64(id);
    w.U8(flag);
    return out;
}

LobbyBytes BuildPing(std::uint8_t category, const LobbyPing& p) {
    LobbyBytes out = Blank(category);
    LeWriter w(out.data() + 4, out.size() - 4);
    w.U64(p.id);
    w.U32(p.stamp);
    w.U32(p.flag);
    return out;
}

LobbyBytes BuildStamp(std::uint8_t category, std::uint32_t stamp) {
    LobbyBytes out = Blank(category);
    LeWriter w(out.data() + 4, out.size() - 4);
    w.U32(stamp);
    return out;
}

LobbyBytes BuildHostChange(std::uint64_t id) {
    LobbyBytes out = Blank(LobbyCategory::kHostChange);
    LeWriter w(out.data() + 4, out.size() - 4);
    w.U64(id);
    return out;
}

LobbyBytes BuildRoundTrip(std::uint32_t roundTrip, std::uint32_t slot) {
    LobbyBytes out = Blank(LobbyCategory::kRoundTrip);
    LeWriter w(out.data() + 4, out.size() - 4);
    w.U32(roundTrip);
    w.U32(slot);
    return out;
}

LobbyBytes BuildRoomChat(std::uint32_t slot, const char* text) {
    if (text == nullptr || text[0] == '\0') {
        return {};
    }
    LobbyBytes out = Blank(LobbyCategory::kRoomChat);
    LeWriter w(out.data() + 4, out.size() - 4);
    w.U32(slot);
    PutText(w, text, kRoomChatField);
    return out;
}

LobbyBytes BuildRoomChatRelay(const char* text, const char* name) {
    LobbyBytes out = Blank(LobbyCategory::kRoomChatRelay);
    LeWriter w(out.data() + 4, out.size() - 4);
    PutText(w, text, kRoomChatField);
    PutText(w, name, kLobbyNameField);
    return out;
}

LobbyHello ReadHello(const std::uint8_t* m) {
    LeReader r(m + 4, 28);
    LobbyHello h;
    h.id = r.U64();
    GetText(r, h.name, sizeof h.name);
    return h;
}

LobbyHelloReply ReadHelloReply(const std::uint8_t* m) {
    LeReader r(m + 4, 500);
    LobbyHelloReply out;
    for (std::uint64_t& id : out.ids) {
        id = r.U64();
    }
    r.Skip(82);
    Unpack(r, out.info);
    Unpack(r, out.param);
    for (MemberIdentityRecord& i : out.identities) {
        Unpack(r, i);
    }
    for (MemberStateRecord& s : out.states) {
        Unpack(r, s);
    }
    Unpack(r, out.battleInfo);
    r.Skip(4);
    out.hostId = r.U64();
    out.second = r.U32();
    return out;
}

void ReadIdentity(const std::uint8_t* m, std::uint64_t& id, std::uint8_t& flag) {
    LeReader r(m + 4, 10);
    id = r.U64();
    flag = r.U8();
}

LobbyPing ReadPing(const std::uint8_t* m) {
    LeReader r(m + 4, 16);
    LobbyPing p;
    p.id = r.U64();
    p.stamp = r.U32();
    p.flag = r.U32();
    return p;
}

std::uint32_t ReadStamp(const std::uint8_t* m) {
    LeReader r(m + 4, 4);
    return r.U32();
}

std::uint64_t ReadHostChange(const std::uint8_t* m) {
    LeReader r(m + 4, 8);
    return r.U64();
}

void ReadRoundTrip(const std::uint8_t* m, std::uint32_t& roundTrip, std::uint32_t& slot) {
    LeReader r(m + 4, 8);
    roundTrip = r.U32();
    slot = r.U32();
}

LobbyChat ReadRoomChat(const std::uint8_t* m) {
    LeReader r(m + 4, 132);
    LobbyChat c;
    c.slot = r.U32();
    GetText(r, c.text, sizeof c.text);
    return c;
}

LobbyChatRelay ReadRoomChatRelay(const std::uint8_t* m) {
    LeReader r(m + 4, 148);
    LobbyChatRelay c;
    GetText(r, c.text, sizeof c.text);
    GetText(r, c.name, sizeof c.name);
    return c;
}

std::uint32_t LobbyRoundTrip(std::uint32_t now, std::uint32_t stamp) {
    return now >= stamp ? now - stamp : (0xFFFFFFFFu - stamp) + now;
}

}  // namespace Sample
