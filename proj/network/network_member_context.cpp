// The switchable member context.
#include "proj/network/network_member_context.h"

namespace Sample {

namespace {
NetworkMemberContext* current = nullptr;
}  // namespace

NetworkMemberContext::NetworkMemberContext() : ctrl(new CGameNetworkCtrl) {
    database.battleData.Clear();
    database.session.Clear();
}

NetworkMemberContext::~NetworkMemberContext() {
    if (current == this) {
        current = nullptr;
    }
}

void UseNetworkMemberContext(NetworkMemberContext* context) {
    current = context;
}

NetworkMemberContext* CurrentNetworkMemberContext() {
    return current;
}

}  // namespace Sample
