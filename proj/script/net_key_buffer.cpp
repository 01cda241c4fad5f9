#include "proj/script/net_key_buffer.h"

namespace Sample {

namespace {
NetKeyEntry entries[kNetKeyPlayers];
bool online = false;
}  // namespace

NetKeyEntry* GetNetKeyEntry(std::int32_t player) {
    return player >= 0 && player < kNetKeyPlayers ? &entries[player] : nullptr;
}
bool IsNetKeyOnline() {
    return online;
}
void SetNetKeyOnline(bool value) {
    online = value;
}
void ClearNetKeyBuffer() {
    for (NetKeyEntry& e : entries) {
        e = NetKeyEntry{};
    }
}

}  // namespace Sample
