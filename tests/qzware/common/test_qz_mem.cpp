// The engine allocator: which pool or the heap serves a request, last-in
// first-out reuse, the overlay's lines, and refused releases.
#include "qzware/common/qz_mem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "platform/memory/memory.h"
#include "qzware/common/qz_mem_pool.h"
#include "tests/support/test_seed.h"

namespace {

std::atomic<int> g_faults{0};
void CountFault(const char*, const void*) {
    g_faults.fetch_add(1);
}

class QzMemTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QzMemManagerCreate());
        g_faults = 0;
        previousHook = QzMemSetFaultHook(CountFault);
    }
    void TearDown() override {
        QzMemSetFaultHook(previousHook);
        QzMemManagerDestroy();
    }
    // Index of the pool holding p, or -1 for the heap.
    static int SourceOf(const void* p) {
        for (int i = 0; i < 4; ++i) {
            if (QzMemGetPool(i)->Contains(p)) {
                return i;
            }
        }
        return -1;
    }
    static bool IsBlockStart(const void* p, int pool) {
        const QZW::CQzMemPool* q = QzMemGetPool(pool);
        return q->Contains(p) &&
               std::size_t(static_cast<const std::uint8_t*>(p) - q->base) % q->blockSize == 0;
    }
    QzMemFaultHook previousHook = nullptr;
};

TEST_F(QzMemTest, RequestsGoToTheSmallestFittingPoolOrTheHeap) {
    struct Case {
        bool poolsEnabled;
        std::uint32_t size;
        std::uint32_t alignment;
        int source;  // pool index, -1 heap
    };
    const Case cases[] = {
        {false, 32, 8, -1},   {true, 32, 8, 0},      {true, 0, 8, 0},      {true, 64, 8, 0},
        {true, 65, 8, 1},     {true, 256, 4, 1},     {true, 257, 8, 2},    {true, 1024, 8, 3},
        {true, 1025, 8, -1},  {true, 2000, 8, -1},   {false, 2000, 8, -1}, {true, 32, 16, -1},
        {true, 2000, 16, -1}, {true, 100, 4096, -1}, {false, 1, 0, -1},
    };
    for (const Case& c : cases) {
        QzMemEnablePools(c.poolsEnabled);
        void* p = QzMemAllocLocked(c.size, c.alignment);
        ASSERT_NE(p, nullptr) << "size " << c.size;
        EXPECT_EQ(SourceOf(p), c.source)
            << "size " << c.size << " alignment " << c.alignment << " pools " << c.poolsEnabled;
        const std::uintptr_t align = c.alignment > 8 ? c.alignment : 8;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % align, 0u) << "size " << c.size;
        if (c.source < 0) {
            EXPECT_GE(QzMspaceUsableSize(p), c.size);
        }
        QzMemFree(p);
        EXPECT_EQ(p, nullptr);
    }
}

TEST_F(QzMemTest, FullPoolsPassRequestsUpToTheNextPoolAndThenTheHeap) {
    QzMemEnablePools(true);
    std::vector<void*> held;
    for (int expected = 0; expected <= 4; ++expected) {
        void* p = QzMemAllocLocked(32, 8);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(SourceOf(p), expected == 4 ? -1 : expected) << "after filling " << expected;
        held.push_back(p);
        if (expected < 4) {
            // Take the rest of this pool.
            QZW::CQzMemPool* pool = QzMemGetPool(expected);
            while (pool->used < pool->count) {
                held.push_back(QzMemAllocLocked(32, 8));
                ASSERT_EQ(SourceOf(held.back()), expected);
            }
        }
    }
    EXPECT_EQ(QzMemGetPool(0)->peak, 120000);
    for (void*& p : held) {
        QzMemFree(p);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(QzMemGetPool(i)->used, 0) << "pool " << i;
    }
    EXPECT_EQ(g_faults.load(), 0);
}

TEST_F(QzMemTest, TheLastFreedBlockIsHandedOutFirst) {
    QzMemEnablePools(true);
    void* a = QzMemAllocLocked(40, 8);
    void* b = QzMemAllocLocked(40, 8);
    void* a0 = a;
    void* b0 = b;
    QzMemFree(a);
    EXPECT_EQ(QzMemAllocLocked(10, 8), a0);
    void* again = a0;
    QzMemFree(b);
    QzMemFree(again);
    EXPECT_EQ(QzMemAllocLocked(64, 8), a0);
    EXPECT_EQ(QzMemAllocLocked(64, 8), b0);
}

TEST_F(QzMemTest, PoolsHandOutBlocksInTheOrderOfTheirFullFreeStack) {
    // The free stack as it was first laid out, block i at slot i, replayed
    // against the pool over a random run of takes and releases.
    const unsigned seed = qz_test::TestSeed("pool free stack");
    std::mt19937 random(seed);
    QZW::CQzMemPool pool(64, 300);
    ASSERT_EQ(pool.count, 300);
    std::vector<void*> model;
    for (int i = 0; i < pool.count; ++i) {
        model.push_back(pool.base + std::size_t(i) * 64);
    }
    std::vector<void*> out;
    for (int step = 0; step < 20000; ++step) {
        // Mostly takes at first, so the pool runs dry now and then.
        const bool take = out.empty() || random() % 100 < (step < 5000 ? 60u : 45u);
        if (take) {
            void* expected = model.empty() ? nullptr : model.back();
            void* got = pool.Alloc();
            ASSERT_EQ(got, expected) << "step " << step << " seed " << seed;
            if (got != nullptr) {
                model.pop_back();
                out.push_back(got);
            }
        } else {
            const std::size_t pick = random() % out.size();
            void* p = out[pick];
            out[pick] = out.back();
            out.pop_back();
            ASSERT_EQ(pool.Free(p), QZW::CQzMemPool::FreeResult::Freed) << "step " << step;
            model.push_back(p);
        }
        ASSERT_EQ(pool.used, int(out.size())) << "step " << step;
    }
    EXPECT_EQ(g_faults.load(), 0);
}

TEST_F(QzMemTest, PoolStorageAndFreeStacksStayOutOfMemoryUntilUsed) {
    // Pages at either end may hold the heap's block headers or the next
    // allocation, so a few pages are allowed.
    const std::size_t page = platform::memory::allocation_granularity();
    const std::size_t allowance = 4 * page;
    for (int i = 0; i < 4; ++i) {
        const QZW::CQzMemPool* pool = QzMemGetPool(i);
        const std::size_t stack = std::size_t(pool->count) * sizeof(void*);
        EXPECT_LE(platform::memory::resident_bytes(pool->freeStack, stack), allowance)
            << "pool " << i << ": the free stack of " << stack << " bytes is written at start";
        const std::size_t blocks = std::size_t(pool->count) * pool->blockSize;
        EXPECT_LE(platform::memory::resident_bytes(pool->base, blocks), allowance)
            << "pool " << i << ": its blocks are touched at start";
    }
    // Using 2,000 blocks of the 64-byte pool touches their pages and about
    // 16 KB of its stack, no more.
    QzMemEnablePools(true);
    std::vector<void*> held;
    for (int n = 0; n < 2000; ++n) {
        held.push_back(QzMemAllocLocked(48, 8));
        static_cast<std::uint8_t*>(held.back())[0] = 1;
    }
    for (void*& p : held) {
        QzMemFree(p);
    }
    const QZW::CQzMemPool* pool = QzMemGetPool(0);
    const std::size_t stackResident =
        platform::memory::resident_bytes(pool->freeStack, std::size_t(pool->count) * 8);
    EXPECT_GE(stackResident, 2000 * 8 - 2 * page) << "the released blocks were pushed";
    EXPECT_LE(stackResident, 2000 * 8 + allowance);
    EXPECT_LE(platform::memory::resident_bytes(pool->base, std::size_t(pool->count) * 64),
              2000 * 64 + allowance);
}

TEST_F(QzMemTest, DumpReportsHeapAndPools) {
    std::vector<std::string> lines = {"stale"};
    QzMemDump(lines);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "pool(64) : 0/120000 blocks");
    EXPECT_EQ(lines[2], "pool(256) : 0/80000 blocks");
    EXPECT_EQ(lines[3], "pool(512) : 0/10000 blocks");
    EXPECT_EQ(lines[4], "pool(1024) : 0/3000 blocks");
    int freeBytes = 0;
    int capacity = 0;
    ASSERT_EQ(std::sscanf(lines[0].c_str(), "FreeMemory = %d/%d", &freeBytes, &capacity), 2)
        << lines[0];
    EXPECT_EQ(capacity, 167772160);
    // The pools' own storage (about 38 MB) came from the heap.
    EXPECT_GT(freeBytes, 120000000);
    EXPECT_LT(freeBytes, 135000000);

    QzMemEnablePools(true);
    void* small[3] = {QzMemAllocLocked(8, 8), QzMemAllocLocked(8, 8), QzMemAllocLocked(8, 8)};
    void* big = QzMemAllocLocked(1 << 20, 8);
    QzMemDump(lines);
    EXPECT_EQ(lines[1], "pool(64) : 3/120000 blocks");
    int freeAfter = 0;
    ASSERT_EQ(std::sscanf(lines[0].c_str(), "FreeMemory = %d/%d", &freeAfter, &capacity), 2);
    EXPECT_LE(freeAfter, freeBytes - (1 << 20));
    for (void*& p : small) {
        QzMemFree(p);
    }
    QzMemFree(big);
    QzMemDump(lines);
    EXPECT_EQ(lines[0], "FreeMemory = " + std::to_string(freeBytes) + "/167772160");
}

TEST_F(QzMemTest, ReleasesOfNonBlockStartsAndDoubleFreesAreRefused) {
    QzMemEnablePools(true);
    struct Case {
        const char* what;
        std::uint32_t size;
        std::uintptr_t offset;  // into the block
        bool freeFirst;         // release the block once before the bad release
    };
    const Case cases[] = {
        {"interior of a 64 block", 64, 1, false},
        {"last byte of a 64 block", 64, 63, false},
        {"interior of a 1024 block", 1000, 512, false},
        {"double free 64", 16, 0, true},
        {"double free 512", 300, 0, true},
    };
    for (const Case& c : cases) {
        g_faults = 0;
        // Another block out of the same pool, so that the count of blocks in
        // use alone cannot reveal the double free.
        void* keeper = QzMemAllocLocked(c.size, 8);
        void* block = QzMemAllocLocked(c.size, 8);
        const int pool = SourceOf(block);
        ASSERT_GE(pool, 0) << c.what;
        if (c.freeFirst) {
            void* copy = block;
            QzMemFree(copy);
        }
        const int usedBefore = QzMemGetPool(pool)->used;
        {
            QZW::CQzScopedLock hold(QzMemGetLock());
            EXPECT_TRUE(QzMemPoolFree(static_cast<char*>(block) + c.offset)) << c.what;
        }
        EXPECT_EQ(g_faults.load(), 1) << c.what;
        EXPECT_EQ(QzMemGetPool(pool)->used, usedBefore) << c.what;
        // Had the bad pointer been pushed, one of the next two blocks would
        // be it, or both would be the same block.
        void* x = QzMemAllocLocked(c.size, 8);
        void* y = QzMemAllocLocked(c.size, 8);
        EXPECT_NE(x, y) << c.what;
        EXPECT_TRUE(IsBlockStart(x, pool)) << c.what;
        EXPECT_TRUE(IsBlockStart(y, pool)) << c.what;
        QzMemFree(x);
        QzMemFree(y);
        if (!c.freeFirst) {
            QzMemFree(block);
        }
        QzMemFree(keeper);
    }
    // A heap block freed twice is refused too, and the heap stays whole.
    const std::size_t before = QzMspaceFreeBytes(QzMemGetHeap());
    g_faults = 0;
    void* h = QzMemAllocLocked(5000, 8);
    void* h2 = h;
    QzMemFree(h);
    QzMemFree(h2);
    EXPECT_EQ(g_faults.load(), 1);
    EXPECT_EQ(QzMspaceFreeBytes(QzMemGetHeap()), before);
}

TEST_F(QzMemTest, NothingIsAllocatedWithoutTheManager) {
    QzMemManagerDestroy();
    EXPECT_FALSE(QzMemManagerExists());
    EXPECT_EQ(QzMemGetLock(), nullptr);
    EXPECT_EQ(QzMemAllocLocked(32, 8), nullptr);
    EXPECT_EQ(QzMemAlloc(4096, 16), nullptr);
    ASSERT_TRUE(QzMemManagerCreate());
    EXPECT_NE(QzMemAllocLocked(32, 8), nullptr);
}

TEST_F(QzMemTest, TwoThreadsAllocatingUnderTheLockLeaveEverythingFree) {
    QzMemEnablePools(true);
    const std::size_t before = QzMspaceFreeBytes(QzMemGetHeap());
    auto work = [](unsigned seed) {
        std::vector<void*> live;
        for (int i = 0; i < 20000; ++i) {
            seed = seed * 1103515245u + 12345u;
            const std::uint32_t size = (seed >> 8) % 3000;
            if (live.size() < 64 && (seed & 1)) {
                void* p = QzMemAllocLocked(size, (seed & 2) ? 32 : 8);
                ASSERT_NE(p, nullptr);
                static_cast<unsigned char*>(p)[0] = 1;
                live.push_back(p);
            } else if (!live.empty()) {
                QzMemFree(live[seed % live.size()]);
                live.erase(live.begin() + std::ptrdiff_t(seed % live.size()));
            }
        }
        for (void*& p : live) {
            QzMemFree(p);
        }
    };
    std::thread loader(work, 7u);
    work(11u);
    loader.join();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(QzMemGetPool(i)->used, 0) << "pool " << i;
    }
    EXPECT_EQ(QzMspaceFreeBytes(QzMemGetHeap()), before);
    EXPECT_EQ(g_faults.load(), 0);
}

}  // namespace
