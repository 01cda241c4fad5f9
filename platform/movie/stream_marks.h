// ThreadSanitizer marks for a pipeline whose streaming threads call into a
// movie. GLib's locks are futexes and GStreamer's hand-overs atomics, inside
// libraries ThreadSanitizer does not see into, so it would miss the two
// orderings the pipeline gives a movie:
//   - what the game thread wrote before a state change is seen by every
//     callback that change lets run;
//   - once the pipeline is at NULL every callback has returned, and the game
//     thread sees what each of them wrote.
// The two are marked on two addresses. A callback takes the first and gives
// the second, never the other way round, so two callbacks on different
// streaming threads are not ordered by the marks: a race between them is
// still reported. Without ThreadSanitizer the marks are nothing.
#pragma once

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#include <sanitizer/tsan_interface.h>
#define QZ_STREAM_MARKS_TSAN 1
#endif
#endif

namespace platform::movie {

class StreamMarks {
public:
    // Game thread, before it lets callbacks run (a state change, a seek).
    void BeforeCallbacks() { Release(&toCallbacks_); }
    // Game thread, once the pipeline is stopped and no callback runs.
    void AfterCallbacks() { Acquire(&fromCallbacks_); }

    // Held by a streaming thread for the whole of one callback.
    class Callback {
    public:
        explicit Callback(StreamMarks& marks) : marks_(marks) { Acquire(&marks_.toCallbacks_); }
        ~Callback() { Release(&marks_.fromCallbacks_); }
        Callback(const Callback&) = delete;
        Callback& operator=(const Callback&) = delete;

    private:
        StreamMarks& marks_;
    };

private:
    static void Release([[maybe_unused]] void* at) {
#ifdef QZ_STREAM_MARKS_TSAN
        __tsan_release(at);
#endif
    }
    static void Acquire([[maybe_unused]] void* at) {
#ifdef QZ_STREAM_MARKS_TSAN
        __tsan_acquire(at);
#endif
    }

    // Only their addresses matter.
    char toCallbacks_ = 0;
    char fromCallbacks_ = 0;
};

}  // namespace platform::movie
