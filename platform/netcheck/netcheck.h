// Whether this machine is connected to a network, in place of the operating
// system's network list manager: yes when any interface other than loopback
// is up. Any thread; a failing interface query counts as no.
//   netcheck_posix.cpp - getifaddrs
// Tests set a fixed answer with set_fixed_answer.
#pragma once

#include <optional>

namespace platform::netcheck {

// True when a non-loopback interface is up (or the fixed answer says so).
bool is_connected();
// A fixed answer for tests; std::nullopt goes back to asking the system.
void set_fixed_answer(std::optional<bool> answer);

}  // namespace platform::netcheck
