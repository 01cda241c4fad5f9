// The engine's named lock over a recursive mutex (a critical section: the
// owning thread may take it again). Deps: platform/thread. The name is
// descriptive only; "CriticalSection" when none is given.
#pragma once

#include <string>

#include "platform/thread/thread.h"
#include "qzware/scene/qz_lock.h"

namespace QZW::Win {

class CQzLockCriticalSection : public IQzLockObject {
public:
    explicit CQzLockCriticalSection(const char* lockName = nullptr);
    ~CQzLockCriticalSection() override;
    CQzLockCriticalSection(const CQzLockCriticalSection&) = delete;
    CQzLockCriticalSection& operator=(const CQzLockCriticalSection&) = delete;

    void Lock() override;
    void Unlock() override;
    // Takes the lock when no other thread holds it; true on success.
    bool TryLock();
    const std::string& GetName() const { return name; }

private:
    platform::thread::RecursiveMutex criticalSection;
    std::string name;
};

}  // namespace QZW::Win
