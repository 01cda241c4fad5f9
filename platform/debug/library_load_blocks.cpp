// Sanitizer builds of a program only: the blocks that shared libraries'
// constructors allocate while the program loads are not leaks. GLib's
// constructor makes the first block of its quark table there and drops it
// on purpose when the table grows, since other threads may still read it.
// The whole program keeps the frame-pointer unwinder, whose stack for that
// block ends in GLib's allocator like the stack of any string we might
// g_strdup and lose, so no suppression entry can tell the two apart; the
// time it was made can. Library constructors run after the program's
// .preinit_array and before its own constructors, all on the main thread,
// so leak tracking is off on that thread for exactly that stretch.
#include <sanitizer/lsan_interface.h>

namespace {

void BeforeLibraryConstructors() {
    __lsan_disable();
}

__attribute__((constructor(101))) void AfterLibraryConstructors() {
    __lsan_enable();
}

}  // namespace

__attribute__((section(".preinit_array"), used)) static void (*const kBeforeLibraryConstructors)() =
    &BeforeLibraryConstructors;
