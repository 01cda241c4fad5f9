// The general heap on its own: random allocation and release never hand out
// overlapping or misaligned blocks, never corrupt live data, and coalesce
// back to the initial free bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <map>
#include <random>

#include "platform/memory/memory.h"
#include "qzware/common/qz_mem.h"
#include "tests/support/test_seed.h"

namespace {

int g_faults = 0;
void CountFault(const char*, const void*) {
    ++g_faults;
}

class QzMemHeapTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousHook = QzMemSetFaultHook(CountFault);
        g_faults = 0;
        space = QzMspaceCreate(kCapacity);
        ASSERT_NE(space, nullptr);
    }
    void TearDown() override {
        QzMspaceDestroy(space);
        QzMemSetFaultHook(previousHook);
    }
    static constexpr std::size_t kCapacity = 8u << 20;
    void* space = nullptr;
    QzMemFaultHook previousHook = nullptr;
};

struct Live {
    std::size_t size;
    unsigned char fill;
};

TEST_F(QzMemHeapTest, RandomSizesNeverOverlapAndCoalesceFully) {
    const std::uint32_t seed = qz_test::TestSeed("heap stress");
    RecordProperty("seed", std::to_string(seed));
    std::mt19937 rng(seed);
    const std::size_t initial = QzMspaceFreeBytes(space);
    EXPECT_GT(initial, kCapacity - 4096);

    std::map<std::uintptr_t, Live> live;
    auto check_and_release = [&](std::map<std::uintptr_t, Live>::iterator it) {
        auto* bytes = reinterpret_cast<unsigned char*>(it->first);
        for (std::size_t i = 0; i < it->second.size; i += 61) {
            ASSERT_EQ(bytes[i], it->second.fill) << "seed " << seed << " block corrupted";
        }
        QzMspaceFree(space, bytes);
        live.erase(it);
    };
    int refusedForSpace = 0;
    for (int op = 0; op < 30000; ++op) {
        const unsigned roll = rng() % 100;
        if (roll < 55 || live.empty()) {
            const unsigned kind = rng() % 100;
            std::size_t size = kind < 70   ? rng() % 1025
                               : kind < 95 ? 1024 + rng() % 65536
                                           : 65536 + rng() % (1u << 20);
            const std::size_t alignment = rng() % 5 == 0 ? std::size_t(32) << (rng() % 8) : 0;
            void* p =
                alignment ? QzMspaceMemalign(space, alignment, size) : QzMspaceMalloc(space, size);
            if (!p) {
                ++refusedForSpace;
                continue;
            }
            const auto a = reinterpret_cast<std::uintptr_t>(p);
            ASSERT_EQ(a % (alignment ? alignment : 16), 0u) << "seed " << seed;
            ASSERT_GE(QzMspaceUsableSize(p), size) << "seed " << seed;
            auto next = live.lower_bound(a);
            if (next != live.end()) {
                ASSERT_LE(a + size, next->first) << "seed " << seed << " overlaps above";
            }
            if (next != live.begin()) {
                auto prev = std::prev(next);
                ASSERT_LE(prev->first + prev->second.size, a)
                    << "seed " << seed << " overlaps below";
            }
            const auto fill = static_cast<unsigned char>(rng());
            std::memset(p, fill, size);
            live[a] = Live{size, fill};
        } else {
            auto it = live.begin();
            std::advance(it, rng() % live.size());
            check_and_release(it);
        }
    }
    while (!live.empty()) {
        check_and_release(live.begin());
    }
    EXPECT_EQ(QzMspaceFreeBytes(space), initial) << "seed " << seed;
    EXPECT_EQ(g_faults, 0);
    // Fully merged again: one block of nearly the whole capacity fits.
    void* whole = QzMspaceMalloc(space, kCapacity - 64 * 1024);
    EXPECT_NE(whole, nullptr) << "seed " << seed << ", " << refusedForSpace << " refused";
}

TEST_F(QzMemHeapTest, ExhaustionReturnsNullAndEverythingComesBack) {
    const std::size_t initial = QzMspaceFreeBytes(space);
    std::vector<void*> blocks;
    while (void* p = QzMspaceMalloc(space, 100000)) {
        blocks.push_back(p);
    }
    EXPECT_GE(blocks.size(), kCapacity / 100032 - 1);
    EXPECT_LT(QzMspaceFreeBytes(space), 100032u + 512);
    // Release every other block first, so that merging runs both ways.
    for (std::size_t i = 0; i < blocks.size(); i += 2) {
        QzMspaceFree(space, blocks[i]);
    }
    for (std::size_t i = 1; i < blocks.size(); i += 2) {
        QzMspaceFree(space, blocks[i]);
    }
    EXPECT_EQ(QzMspaceFreeBytes(space), initial);
}

TEST_F(QzMemHeapTest, FreedBlocksOf1MiBOrMoreLeaveTheResidentSetAndSmallerOnesStay) {
    const std::size_t page = platform::memory::allocation_granularity();
    struct Case {
        std::size_t bytes;
        bool givenBack;
    };
    const Case cases[] = {
        {2u << 20, true}, {1u << 20, true}, {512u << 10, false}, {48u << 10, false}};
    for (const Case& c : cases) {
        auto* big = static_cast<std::uint8_t*>(QzMspaceMalloc(space, c.bytes));
        ASSERT_NE(big, nullptr) << c.bytes;
        // A small block above keeps the freed one from merging into the top.
        void* above = QzMspaceMalloc(space, 64);
        std::memset(big, 0x5A, c.bytes);
        EXPECT_GE(platform::memory::resident_bytes(big, c.bytes), c.bytes - page);
        QzMspaceFree(space, big);
        const std::size_t after = platform::memory::resident_bytes(big, c.bytes);
        if (c.givenBack) {
            EXPECT_LE(after, 2 * page) << c.bytes << " bytes freed, " << after << " still resident";
        } else {
            EXPECT_GE(after, c.bytes - page) << c.bytes << " bytes: small blocks keep their pages";
        }
        // Its pages serve the next request as good as new.
        auto* again = static_cast<std::uint8_t*>(QzMspaceMalloc(space, c.bytes));
        ASSERT_NE(again, nullptr) << c.bytes;
        std::memset(again, 0x33, c.bytes);
        EXPECT_EQ(again[0], 0x33);
        EXPECT_EQ(again[c.bytes - 1], 0x33);
        QzMspaceFree(space, again);
        QzMspaceFree(space, above);
    }
    EXPECT_EQ(g_faults, 0);
}

TEST_F(QzMemHeapTest, BadRequestsAndReleasesAreRefused) {
    const std::size_t initial = QzMspaceFreeBytes(space);
    EXPECT_NE(QzMspaceMalloc(space, 0), nullptr);
    EXPECT_EQ(QzMspaceMalloc(space, kCapacity * 2), nullptr);
    EXPECT_EQ(QzMspaceMemalign(space, 48, 10), nullptr);
    EXPECT_EQ(QzMspaceMalloc(nullptr, 10), nullptr);

    char outside[64];
    void* p = QzMspaceMalloc(space, 200);
    struct Case {
        const char* what;
        void* pointer;
    };
    const Case cases[] = {
        {"stack address", outside + 16},
        {"inside a block", static_cast<char*>(p) + 32},
    };
    for (const Case& c : cases) {
        g_faults = 0;
        QzMspaceFree(space, c.pointer);
        EXPECT_EQ(g_faults, 1) << c.what;
    }
    std::memset(p, 0x5a, 200);
    void* q = QzMspaceRealloc(space, p, 5000);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(q)[199], 0x5a);
    QzMspaceFree(space, q);
    EXPECT_LT(QzMspaceFreeBytes(space), initial);  // the 0-byte block is still out
}

}  // namespace
