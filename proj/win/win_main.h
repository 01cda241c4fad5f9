// The program's entry (WinMain): single-instance guard, platform services,
// application object and main window, message loop, tear-down.
#pragma once

#include "platform/win32/win32_types.h"

namespace Sample::Win {

int WinMain(platform::win32::HINSTANCE instance, platform::win32::HINSTANCE previous,
            const char* commandLine, int showFlag);

}  // namespace Sample::Win
