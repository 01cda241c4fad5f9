#include "platform/online/online_common.h"

#include <cstdio>

namespace platform::online {

bool CommonBackend::request_current_stats() {
    return active() && achievements_.request_current_stats(own_id(), router_);
}
bool CommonBackend::get_achievement(const char* name, bool* achieved) {
    return active() && achievements_.get(name, achieved);
}
bool CommonBackend::set_achievement(const char* name) {
    return active() && achievements_.set(name);
}
bool CommonBackend::store_stats() {
    return active() && achievements_.store(router_);
}
std::uint32_t CommonBackend::get_num_achievements() {
    return active() ? achievements_.count() : 0;
}
const char* CommonBackend::get_achievement_name(std::uint32_t index) {
    return active() ? achievements_.name(index) : "";
}
bool CommonBackend::reset_all_stats(bool achievements_too) {
    return active() && achievements_.reset_all(achievements_too);
}

void CommonBackend::start_voice_recording() {
    if (active()) {
        voice_.start();
    }
}
void CommonBackend::stop_voice_recording() {
    voice_.stop();
}
int CommonBackend::get_available_voice(std::uint32_t* compressed) {
    return voice_.available(compressed);
}
int CommonBackend::get_voice(void* dst, std::uint32_t capacity, std::uint32_t* written) {
    return voice_.get(dst, capacity, written);
}
int CommonBackend::decompress_voice(const void* src, std::uint32_t size, void*, std::uint32_t,
                                    std::uint32_t* written, std::uint32_t) {
    return voice_.decompress(src, size, written);
}

void CommonBackend::activate_overlay(const char* dialog, std::uint64_t) {
    if (!overlay_logged_) {
        overlay_logged_ = true;
        std::printf("online: no platform overlay here (\"%s\" ignored)\n", dialog ? dialog : "");
    }
}
void CommonBackend::set_played_with(std::uint64_t) {}

}  // namespace platform::online
