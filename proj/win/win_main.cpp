#include "proj/win/win_main.h"

namespace Sample::Win {

int WinMain(platform::win32::HINSTANCE, platform::win32::HINSTANCE, const char*, int) { return 0; }

}  // namespace Sample::Win
