#include "platform/debug/debug.h"

#include <cstdio>
#include <mutex>

namespace platform::debug {
namespace {

struct State {
    std::mutex mutex;
    std::function<void(const std::string&)> sink;
};

State& state() {
    static State s;
    return s;
}

}  // namespace

void output(const char* text) {
    if (!text) {
        return;
    }
    State& s = state();
    std::lock_guard<std::mutex> hold(s.mutex);
    if (s.sink) {
        s.sink(text);
        return;
    }
    std::fputs(text, stderr);
    std::fflush(stderr);
}

void set_sink(std::function<void(const std::string&)> sink) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.mutex);
    s.sink = std::move(sink);
}

}  // namespace platform::debug
