#include "qzware/win/qz_lock_critical_section.h"

namespace QZW::Win {

CQzLockCriticalSection::CQzLockCriticalSection(const char* lockName)
    : name(lockName ? lockName : "CriticalSection") {}

CQzLockCriticalSection::~CQzLockCriticalSection() = default;

void CQzLockCriticalSection::Lock() {
    criticalSection.lock();
}

void CQzLockCriticalSection::Unlock() {
    criticalSection.unlock();
}

bool CQzLockCriticalSection::TryLock() {
    return criticalSection.try_lock();
}

}  // namespace QZW::Win
