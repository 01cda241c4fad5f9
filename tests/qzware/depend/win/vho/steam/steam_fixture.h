// A platform services object on one member of an in-process world, plus a
// second member driven directly through the platform layer.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/online/online_loopback.h"
#include "qzware/depend/win/vho/vho_steam.h"

namespace steam_test {

class SteamOnWorld : public ::testing::Test {
protected:
    platform::online::LoopbackWorld world{7};
    platform::online::LoopbackMember& self = world.add_member(1001, "Self");
    platform::online::LoopbackMember& other = world.add_member(1002, "Other");

    // Starts the services; fails the test on a start message.
    vho::Steam& Started(vho::Steam& steam) {
        std::string message;
        steam.Start(message);
        EXPECT_EQ("", message);
        other.init();
        return steam;
    }
    // One frame of both members: the other's callbacks, then ours.
    void Frame(vho::Steam& steam) {
        other.run_callbacks();
        steam.Update();
    }
};

}  // namespace steam_test
