#include "proj/script/net_key_buffer.h"

#include "proj/network/network_member_context.h"

namespace Sample {

namespace {
NetKeyEntry entries[kNetKeyPlayers];
bool online = false;

NetKeyEntry* Entries() {
    NetworkMemberContext* c = CurrentNetworkMemberContext();
    return c ? c->keys : entries;
}
bool& Online() {
    NetworkMemberContext* c = CurrentNetworkMemberContext();
    return c ? c->keysOnline : online;
}
}  // namespace

NetKeyEntry* GetNetKeyEntry(std::int32_t player) {
    return player >= 0 && player < kNetKeyPlayers ? &Entries()[player] : nullptr;
}
bool IsNetKeyOnline() {
    return Online();
}
void SetNetKeyOnline(bool value) {
    Online() = value;
}
void ClearNetKeyBuffer() {
    for (int i = 0; i < kNetKeyPlayers; ++i) {
        Entries()[i] = NetKeyEntry{};
    }
}

}  // namespace Sample
