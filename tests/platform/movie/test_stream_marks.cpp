// The movie pipeline's ThreadSanitizer marks, on threads that stand in for
// the game thread and two streaming threads. The threads start before the
// work and hand over only through relaxed atomics, which ThreadSanitizer
// does not count as ordering, so only the marks can order what they write:
// the game thread's writes before the callbacks and every callback before
// the stop are seen, and two callbacks are not ordered, so a race between
// them is reported. Each case runs in a child process, which ThreadSanitizer
// ends with its status 66 on a report.
#include "platform/movie/stream_marks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using platform::movie::StreamMarks;

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QZ_TEST_TSAN 1
#endif
#endif

void SpinUntil(const std::atomic<int>& value, int at_least) {
    while (value.load(std::memory_order_relaxed) < at_least) {
        std::this_thread::yield();
    }
}

// Two callbacks that do not overlap in time but share a plain variable.
[[noreturn]] void TwoCallbacksWriteOneVariable() {
    StreamMarks marks;
    int shared = 0;
    std::atomic<int> step{0};
    marks.BeforeCallbacks();
    std::thread first([&] {
        SpinUntil(step, 1);
        {
            const StreamMarks::Callback running(marks);
            shared = 1;
        }
        step.store(2, std::memory_order_relaxed);
    });
    std::thread second([&] {
        SpinUntil(step, 2);
        const StreamMarks::Callback running(marks);
        shared = 2;
    });
    step.store(1, std::memory_order_relaxed);
    first.join();
    second.join();
    std::fprintf(stderr, "no race reported (shared %d)\n", shared);
    std::exit(0);
}

// The game thread's writes reach two callbacks, and theirs reach it after
// the stop.
[[noreturn]] void GameThreadCallbacksAndStop() {
    StreamMarks marks;
    int setting = 0;
    int seen[2] = {0, 0};
    std::atomic<int> step{0};
    std::atomic<int> done{0};
    auto callback = [&](int i) {
        SpinUntil(step, 1);
        {
            const StreamMarks::Callback running(marks);
            seen[i] = setting + i;
        }
        done.fetch_add(1, std::memory_order_relaxed);
    };
    std::thread first(callback, 0);
    std::thread second(callback, 1);
    setting = 40;
    marks.BeforeCallbacks();
    step.store(1, std::memory_order_relaxed);
    SpinUntil(done, 2);
    marks.AfterCallbacks();
    const int sum = seen[0] + seen[1];
    first.join();
    second.join();
    std::fprintf(stderr, "callbacks saw the setting: %d\n", sum);
    std::exit(sum == 81 ? 0 : 1);
}

class StreamMarksTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef QZ_TEST_TSAN
        GTEST_SKIP() << "the marks are only there under ThreadSanitizer";
#endif
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
};

TEST_F(StreamMarksTest, ARaceBetweenTwoCallbacksOnDifferentThreadsIsReported) {
    EXPECT_EXIT(TwoCallbacksWriteOneVariable(), ::testing::ExitedWithCode(66),
                "ThreadSanitizer: data race");
}

TEST_F(StreamMarksTest, TheGameThreadIsOrderedBeforeEveryCallbackAndEveryCallbackBeforeTheStop) {
    EXPECT_EXIT(GameThreadCallbacksAndStop(), ::testing::ExitedWithCode(0),
                "callbacks saw the setting: 81\n");
}

}  // namespace
