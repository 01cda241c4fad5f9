#include "qzware/win/qz_thread.h"

#include <chrono>

#include "platform/clock/clock.h"

namespace QZW::Win {

namespace {
std::atomic<std::uint32_t> g_nextThreadId{1};
}  // namespace

CQzThread::CQzThread(const std::string& threadName)
    : name(threadName), threadId(g_nextThreadId.fetch_add(1)) {
    handle = std::make_unique<platform::thread::Worker>([this] { ThreadProc(); });
}

CQzThread::~CQzThread() {
    StopAndJoin();
}

void CQzThread::Start() {
    flags.fetch_or(kFlagStarted, std::memory_order_release);
    flags.notify_all();
}

void CQzThread::GetName(std::string& out) {
    out = name;
}

void CQzThread::SetSleep(std::int32_t ms) {
    sleepMs.store(ms, std::memory_order_release);
}

bool CQzThread::IsRunning() {
    return handle && handle->started() && handle->running();
}

void CQzThread::Wake() {
    {
        std::lock_guard<std::mutex> guard(wakeMutex);
        wakeRequested = true;
    }
    wakeSignal.notify_all();
}

void CQzThread::StopAndJoin() {
    flags.fetch_or(kFlagStop, std::memory_order_release);
    flags.notify_all();
    Wake();
    if (handle) {
        handle->join();
    }
}

void CQzThread::ThreadProc() {
    // The worker exists before its owner is fully built; it waits here so that
    // Run is first called after Start, and ends without running when the stop
    // comes first.
    std::uint32_t f = flags.load(std::memory_order_acquire);
    while ((f & (kFlagStarted | kFlagStop)) == 0) {
        flags.wait(f, std::memory_order_acquire);
        f = flags.load(std::memory_order_acquire);
    }
    if ((f & kFlagStop) != 0) {
        return;
    }
    for (;;) {
        // Taking the request before sleeping keeps one made during the sleep.
        const std::int32_t ms = sleepMs.exchange(0, std::memory_order_acq_rel);
        if (ms > 0) {
            SleepFor(ms);
        }
        if ((flags.load(std::memory_order_acquire) & kFlagStop) != 0) {
            break;
        }
        Run();
    }
}

void CQzThread::SleepFor(std::int32_t ms) {
    // A test clock advances instead of sleeping; the real clock sleeps on a
    // signal so that the stop and new work need not wait out the sleep.
    if (&platform::clock::current() != &platform::clock::system_clock()) {
        platform::clock::sleep_ms(std::uint32_t(ms));
        return;
    }
    std::unique_lock<std::mutex> guard(wakeMutex);
    wakeSignal.wait_for(guard, std::chrono::milliseconds(ms), [this] {
        return wakeRequested || (flags.load(std::memory_order_acquire) & kFlagStop) != 0;
    });
    wakeRequested = false;
}

}  // namespace QZW::Win
