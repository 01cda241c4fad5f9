// Process entry: hands over to the game's WinMain.
#include "proj/win/win_main.h"

int main(int argc, char** argv) {
    return Sample::Win::WinMain(nullptr, nullptr, argc > 1 ? argv[1] : "", 1);
}
