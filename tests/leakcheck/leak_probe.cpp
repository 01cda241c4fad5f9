// Leaks on purpose where a library runs our code, so the tests can see that
// LeakSanitizer, with the project's suppressions, still reports a leak of
// ours made there:
//   sdl-timer         leaks in an SDL timer callback (SDL's timer thread);
//   gstreamer-thread  leaks in a fakesink hand-off (a GStreamer streaming
//                     thread, started by GLib);
//   glib-strdup       leaks strings of ours made by g_strdup, so the block
//                     comes from GLib's allocator, as a movie file name
//                     handed to GStreamer would;
//   clean-sdl, clean-gstreamer
//                     the same paths without the leak, so that only the
//                     libraries' own leaks remain for the suppressions.
// It calls SDL and GStreamer directly: the leak has to be made beneath their
// own frames, not beneath the platform layer's.
#include <SDL.h>
#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kBlocks = 8;
bool g_leak = false;

// The blocks' addresses are kept nowhere, so nothing reaches them at exit.
// Several blocks: a stale copy of one address in a register of a thread
// still alive at exit must not make the whole report vanish.
__attribute__((noinline)) void LeakInSdlTimerCallback() {
    for (int i = 0; i < kBlocks; ++i) {
        void* block = std::malloc(4001);
        std::memset(block, 0x5a, 4001);
        asm volatile("" : : "r"(block) : "memory");
    }
}

__attribute__((noinline)) void LeakOnGstreamerStreamingThread() {
    for (int i = 0; i < kBlocks; ++i) {
        void* block = std::malloc(4003);
        std::memset(block, 0xa5, 4003);
        asm volatile("" : : "r"(block) : "memory");
    }
}

__attribute__((noinline)) void LeakThroughGlibStrdup() {
    for (int i = 0; i < kBlocks; ++i) {
        gchar* copy = g_strdup("a string of ours that is never freed");
        asm volatile("" : : "r"(copy) : "memory");
    }
}

Uint32 OnTimer(Uint32, void* param) {
    if (g_leak) {
        LeakInSdlTimerCallback();
    }
    SDL_SemPost(static_cast<SDL_sem*>(param));
    return 0;  // fires once
}

int RunSdlTimer() {
    if (SDL_Init(SDL_INIT_TIMER) != 0) {
        std::fprintf(stderr, "SDL could not start its timers: %s\n", SDL_GetError());
        return 2;
    }
    SDL_sem* fired = SDL_CreateSemaphore(0);
    if (fired == nullptr || SDL_AddTimer(1, &OnTimer, fired) == 0) {
        std::fprintf(stderr, "no SDL timer: %s\n", SDL_GetError());
        return 2;
    }
    const bool ran = SDL_SemWaitTimeout(fired, 60000) == 0;
    SDL_DestroySemaphore(fired);
    SDL_Quit();
    if (!ran) {
        std::fprintf(stderr, "the SDL timer never fired\n");
        return 2;
    }
    std::printf("the SDL timer fired\n");
    return 0;
}

void OnHandoff(GstElement*, GstBuffer*, GstPad*, gpointer) {
    if (g_leak) {
        LeakOnGstreamerStreamingThread();
    }
}

int RunGstreamerThread() {
    gst_init(nullptr, nullptr);
    GError* error = nullptr;
    GstElement* pipeline =
        gst_parse_launch("fakesrc num-buffers=3 ! fakesink name=sink signal-handoffs=true", &error);
    if (pipeline == nullptr) {
        std::fprintf(stderr, "no pipeline: %s\n", error ? error->message : "unknown error");
        g_clear_error(&error);
        return 2;
    }
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    g_signal_connect(sink, "handoff", G_CALLBACK(&OnHandoff), nullptr);
    gst_object_unref(sink);

    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool reachedEnd = end != nullptr && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end != nullptr) {
        gst_message_unref(end);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (!reachedEnd) {
        std::fprintf(stderr, "the pipeline did not reach its end\n");
        return 2;
    }
    std::printf("the pipeline reached its end\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    g_leak = mode == "sdl-timer" || mode == "gstreamer-thread";
    if (mode == "sdl-timer" || mode == "clean-sdl") {
        return RunSdlTimer();
    }
    if (mode == "gstreamer-thread" || mode == "clean-gstreamer") {
        return RunGstreamerThread();
    }
    if (mode == "glib-strdup") {
        // GStreamer loads GLib as the program does, constructor block and all.
        gst_init(nullptr, nullptr);
        LeakThroughGlibStrdup();
        std::printf("strings copied\n");
        return 0;
    }
    std::fprintf(stderr,
                 "usage: qz_leak_probe sdl-timer|gstreamer-thread|glib-strdup|clean-sdl|"
                 "clean-gstreamer\n");
    return 2;
}
