// The engine's worker-thread interface: a thread that repeatedly runs one
// operation, sleeping when the operation asks. Implemented by
// QZW::Win::CQzThread (qzware/win/qz_thread.h).
#pragma once

#include <cstdint>
#include <string>

namespace QZW {

class IQzThread {
public:
    virtual ~IQzThread() = default;
    // One unit of the thread's work (worker thread).
    virtual void Run() = 0;
    virtual void Start() = 0;
    virtual void GetName(std::string& out) = 0;
    virtual void SetSleep(std::int32_t ms) = 0;
    virtual bool IsRunning() = 0;
};

}  // namespace QZW
