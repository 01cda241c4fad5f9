// Members joining and leaving the session record as the lobby reports them.
// A full table refuses a fifth member; removing an empty slot leaves the
// member count alone. Game thread only.
#pragma once

#include <cstdint>

#include "proj/network/peer_address.h"

namespace Sample {

// Fills the first empty slot (connected, joined member, next join order,
// battler number refreshed) and answers its index; -1, nothing changed, when
// all four slots are taken.
int AddSessionMember(const char* name, std::uint64_t memberId, const PeerAddress& peer);
// Empties slot i, drops its battler pointer, sync-play-data bit and periodic
// resend, renumbers the rest. Answers i, or -1 for an index outside 0-3.
int RemoveSessionMember(int i);

}  // namespace Sample
