// The connectivity answer from the interface list (getifaddrs).
#include "platform/netcheck/netcheck.h"

#include <ifaddrs.h>
#include <net/if.h>

#include <atomic>

namespace platform::netcheck {

namespace {
// -1: ask the system; 0 or 1: the fixed answer.
std::atomic<int> g_fixed{-1};
}  // namespace

bool is_connected() {
    const int fixed = g_fixed.load();
    if (fixed >= 0) {
        return fixed != 0;
    }
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    bool up = false;
    for (const ifaddrs* a = list; a != nullptr && !up; a = a->ifa_next) {
        up = a->ifa_addr != nullptr && (a->ifa_flags & IFF_UP) && !(a->ifa_flags & IFF_LOOPBACK);
    }
    freeifaddrs(list);
    return up;
}

void set_fixed_answer(std::optional<bool> answer) {
    g_fixed.store(answer ? (*answer ? 1 : 0) : -1);
}

}  // namespace platform::netcheck
