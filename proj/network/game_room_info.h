// CGameRoomInfo: the room's member list in the platform lobby's data, where
// every process in the lobby reads it: four records under "player0 info" to
// "player3 info" ("%d %llu %s": state, account id, name) and the growing
// list of kicked accounts under "kick_out". Only the host writes. All reads
// and writes address entry 0 of the lobby list. Game thread only.
#pragma once

#include <cstdint>
#include <string>

namespace vho {
class Steam;
}

namespace Sample {

struct RoomMemberRecord {
    enum State : std::int32_t {
        kEmpty = 0,
        kJoined = 1,
        kPresent = 2,
        kLeft = 3,
        kTakeOver = 4,
        kChanged = 5,  // only as a read result: the lobby value differs from the cache
    };
    std::uint64_t id = 0;
    char name[20] = {};
    std::int32_t state = kEmpty;
};

class CGameRoomInfo {
public:
    static constexpr int kMembers = 4;

    explicit CGameRoomInfo(vho::Steam* steam) : steam_(steam) {}
    virtual ~CGameRoomInfo() = default;

    virtual void Reset();
    virtual void Update(bool inBattle);
    virtual void UpdateMemberData();

    bool IsOpen() const { return open_ != 0; }
    bool IsHost() const { return host_ != 0; }
    // A host writes record 0 as itself, present.
    bool Open(bool host);
    bool AddMember(std::uint64_t id, const char* name);
    bool AcceptMember(int i);
    bool LeaveMember(int i);
    bool KickMember(int i);
    bool RemoveLeftMember(int i);
    bool RestoreMember(int i);
    bool ClearMemberData(int i);
    bool WriteMemberData(int i, std::uint64_t id, const char* name, std::int32_t state);
    RoomMemberRecord ReadMemberData(int i);
    bool IsKickedFrom(std::uint32_t entry, std::uint64_t id);
    const RoomMemberRecord& Cached(int i) const { return records_[i & 3]; }

    // The value's parts, or a zero record when it does not start with a state.
    static RoomMemberRecord ParseMemberValue(const char* value);
    // Whether a blank-separated list of decimal ids holds exactly `id`.
    static bool ListsId(const char* list, std::uint64_t id);
    static const char* KeyOf(int i);

private:
    std::uint64_t OwnId() const;
    bool InLobby(std::uint64_t id);

    vho::Steam* steam_;
    std::uint8_t open_ = 0;
    std::uint8_t host_ = 0;
    RoomMemberRecord records_[kMembers];
    std::uint64_t pending_[kMembers] = {};
};

}  // namespace Sample
