// The named recursive lock and the scoped holders.
#include "qzware/win/qz_lock_critical_section.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

bool OtherThreadCanTake(QZW::Win::CQzLockCriticalSection& lock) {
    return std::async(std::launch::async,
                      [&lock] {
                          if (!lock.TryLock()) {
                              return false;
                          }
                          lock.Unlock();
                          return true;
                      })
        .get();
}

TEST(QzLockCriticalSectionTest, NameDefaultsToCriticalSection) {
    struct Case {
        const char* given;
        const char* expected;
    };
    for (const Case& c : {Case{nullptr, "CriticalSection"}, Case{"MemManLocker", "MemManLocker"}}) {
        QZW::Win::CQzLockCriticalSection lock(c.given);
        EXPECT_EQ(lock.GetName(), c.expected);
    }
}

TEST(QzLockCriticalSectionTest, OwnerMayRelockAndOthersWaitUntilFullyReleased) {
    QZW::Win::CQzLockCriticalSection lock;
    lock.Lock();
    lock.Lock();
    EXPECT_FALSE(OtherThreadCanTake(lock));
    lock.Unlock();
    EXPECT_FALSE(OtherThreadCanTake(lock));
    lock.Unlock();
    EXPECT_TRUE(OtherThreadCanTake(lock));
}

TEST(QzLockCriticalSectionTest, HoldersReleaseAtScopeEnd) {
    QZW::Win::CQzLockCriticalSection lock;
    {
        lock.Lock();
        QZW::CQzLock held(&lock);
        EXPECT_FALSE(OtherThreadCanTake(lock));
        QZW::CQzLock none(nullptr);
    }
    EXPECT_TRUE(OtherThreadCanTake(lock));
    {
        QZW::CQzScopedLock scoped(&lock);
        EXPECT_FALSE(OtherThreadCanTake(lock));
    }
    EXPECT_TRUE(OtherThreadCanTake(lock));
}

TEST(QzLockCriticalSectionTest, SerialisesTwoThreads) {
    QZW::Win::CQzLockCriticalSection lock;
    long counter = 0;
    auto add = [&] {
        for (int i = 0; i < 100000; ++i) {
            QZW::CQzScopedLock hold(&lock);
            counter = counter + 1;
        }
    };
    std::thread other(add);
    add();
    other.join();
    EXPECT_EQ(counter, 200000);
}

}  // namespace
