#include "platform/window/window.h"

#include <atomic>

// The backend switch. Tests install the in-memory desktop; the program never
// calls set_current and so runs on SDL2.
namespace platform::window {
namespace {

std::atomic<Backend*> g_override{nullptr};

}  // namespace

Backend& current() {
    Backend* b = g_override.load(std::memory_order_acquire);
    return b ? *b : sdl_backend();
}

void set_current(Backend* backend) {
    g_override.store(backend, std::memory_order_release);
}

}  // namespace platform::window
