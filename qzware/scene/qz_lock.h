// The engine's lock interface and its scoped holder. The implementation over
// the platform is QZW::Win::CQzLockCriticalSection (qzware/win/qz_lock_critical_section.h).
#pragma once

namespace QZW {

class IQzLockObject {
public:
    virtual ~IQzLockObject() = default;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

// Holds a lock that its owner has already taken, and releases it when the
// scope ends. A null object is allowed and does nothing.
class CQzLock {
public:
    explicit CQzLock(IQzLockObject* locked) : lockObject(locked) {}
    ~CQzLock() {
        if (lockObject) {
            lockObject->Unlock();
        }
    }
    CQzLock(const CQzLock&) = delete;
    CQzLock& operator=(const CQzLock&) = delete;

    IQzLockObject* lockObject;
};

// Takes `lock` (when not null) and holds it for the scope: the bracket every
// caller of the engine allocator uses.
class CQzScopedLock {
public:
    explicit CQzScopedLock(IQzLockObject* lock) : held(lock) {
        if (held) {
            held->Lock();
        }
    }
    ~CQzScopedLock() {
        if (held) {
            held->Unlock();
        }
    }
    CQzScopedLock(const CQzScopedLock&) = delete;
    CQzScopedLock& operator=(const CQzScopedLock&) = delete;

private:
    IQzLockObject* held;
};

}  // namespace QZW
