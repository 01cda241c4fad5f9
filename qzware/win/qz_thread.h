// A named worker thread that calls Run over and over once Start was called,
// sleeping between calls when Run asks (SetSleep). Deps: platform/thread,
// platform/clock. The worker waits for Start (or the stop) instead of ending.
// Derived classes call StopAndJoin() in their own destructor, so that Run
// never runs while the derived part is torn down.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/thread/thread.h"
#include "qzware/scene/iqz_thread.h"

namespace QZW::Win {

class CQzThread : public IQzThread {
public:
    static constexpr std::uint32_t kFlagStop = 1u << 0;
    static constexpr std::uint32_t kFlagStarted = 1u << 1;

    explicit CQzThread(const std::string& threadName);
    // Requests the stop and waits for the current Run to return.
    ~CQzThread() override;
    CQzThread(const CQzThread&) = delete;
    CQzThread& operator=(const CQzThread&) = delete;

    void Start() override;
    void GetName(std::string& out) override;
    void SetSleep(std::int32_t ms) override;
    bool IsRunning() override;

    // Cuts the current or next sleep short, so that new work starts at once.
    void Wake();
    // Sets the stop bit, wakes the worker and joins it. Idempotent; must not
    // be called from the worker itself.
    void StopAndJoin();
    std::uint32_t GetThreadId() const { return threadId; }

private:
    void ThreadProc();
    void SleepFor(std::int32_t ms);

    std::string name;
    std::unique_ptr<platform::thread::Worker> handle;
    std::uint32_t threadId = 0;
    std::atomic<std::uint32_t> flags{0};
    std::atomic<std::int32_t> sleepMs{0};

    std::mutex wakeMutex;
    std::condition_variable wakeSignal;
    bool wakeRequested = false;
};

}  // namespace QZW::Win
