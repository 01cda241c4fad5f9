// Started platform services on one member of an in-process online world,
// for tests of code that needs the services singleton (the game manager's
// update, the main window's shutdown event). One per test at a time.
#pragma once

#include <string>

#include "platform/online/online_loopback.h"
#include "qzware/depend/win/vho/vho_steam.h"

namespace qz_test_support {

struct OnlineServices {
    platform::online::LoopbackWorld world{1};
    platform::online::LoopbackMember& self = world.add_member(1, "Self");
    platform::online::LoopbackMember& peer = world.add_member(2, "Peer");
    vho::Steam steam{self};

    OnlineServices() {
        std::string message;
        steam.Start(message);
        peer.init();
    }
};

}  // namespace qz_test_support
