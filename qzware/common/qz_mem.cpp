// The engine memory manager: pool choice, release routing, the lock
// "MemManLocker" and the debug overlay's lines. Deps: qz_mem_pool, the general
// heap (qz_mem_heap.cpp), qzware/win/qz_lock_critical_section, platform/debug.
// Process-wide state; create/destroy it again for a fresh start (tests do).
#include "qzware/common/qz_mem.h"

#include <atomic>
#include <cassert>
#include <cstdio>

#include "platform/debug/debug.h"
#include "qzware/common/qz_mem_pool.h"
#include "qzware/win/qz_lock_critical_section.h"

namespace {

struct PoolSetup {
    std::uint32_t blockSize;
    std::int32_t count;
};
constexpr PoolSetup kPools[4] = {{64, 120000}, {256, 80000}, {512, 10000}, {1024, 3000}};

struct MemState {
    bool poolsEnabled = false;
    bool poolsClosing = false;
    void* heap = nullptr;
    QZW::CQzMemPool* pools[4] = {};
    QZW::Win::CQzLockCriticalSection* lock = nullptr;
};

MemState& State() {
    static MemState state;
    return state;
}

void DefaultFault(const char* what, const void* p) {
    char line[160];
    std::snprintf(line, sizeof line, "QzMem: refused %s (%p)\n", what, p);
    platform::debug::output(line);
    assert(!"engine memory release refused");
}

std::atomic<QzMemFaultHook> g_faultHook{DefaultFault};

}  // namespace

// [SECTION] Lifecycle
bool QzMemManagerCreate() {
    MemState& s = State();
    if (s.lock) {
        return true;
    }
    s.heap = QzMspaceCreate(kQzHeapCapacity);
    if (!s.heap) {
        return false;
    }
    s.lock = new QZW::Win::CQzLockCriticalSection("MemManLocker");
    QZW::CQzScopedLock hold(s.lock);
    QzMemInitialize();
    return true;
}

void QzMemManagerDestroy() {
    MemState& s = State();
    if (!s.lock) {
        return;
    }
    {
        QZW::CQzScopedLock hold(s.lock);
        QzMemFinalize();
        QzMspaceDestroy(s.heap);
        s.heap = nullptr;
        s.poolsEnabled = false;
        s.poolsClosing = false;
    }
    delete s.lock;
    s.lock = nullptr;
}

bool QzMemManagerExists() {
    return State().lock != nullptr;
}

QZW::IQzLockObject* QzMemGetLock() {
    return State().lock;
}

// [SECTION] Allocator
void QzMemInitialize() {
    MemState& s = State();
    s.poolsEnabled = false;
    s.poolsClosing = false;
    for (int i = 0; i < 4; ++i) {
        s.pools[i] = new QZW::CQzMemPool(kPools[i].blockSize, kPools[i].count);
    }
}

void QzMemFinalize() {
    MemState& s = State();
    s.poolsClosing = true;
    for (auto*& pool : s.pools) {
        delete pool;
        pool = nullptr;
    }
}

void QzMemEnablePools(bool enabled) {
    State().poolsEnabled = enabled;
}

bool QzMemPoolsEnabled() {
    return State().poolsEnabled;
}

void* QzMemAlloc(std::uint32_t size, std::uint32_t alignment) {
    MemState& s = State();
    if (!s.heap) {
        return nullptr;
    }
    if (alignment <= 8 && s.poolsEnabled) {
        for (QZW::CQzMemPool* pool : s.pools) {
            if (pool && size <= pool->blockSize && !pool->IsFull()) {
                if (void* block = pool->Alloc()) {
                    return block;
                }
            }
        }
    }
    if (alignment <= 8) {
        return QzMspaceMalloc(s.heap, size);
    }
    // Alignments that are no power of two are raised to the next one.
    std::size_t a = 16;
    while (a < alignment) {
        a <<= 1;
    }
    return QzMspaceMemalign(s.heap, a, size);
}

bool QzMemPoolFree(void* p) {
    MemState& s = State();
    if (s.poolsClosing) {
        return false;
    }
    for (QZW::CQzMemPool* pool : s.pools) {
        if (pool && pool->Contains(p)) {
            // A refused release (no block start, already free) is still
            // claimed by the pool, so it never reaches the heap either.
            pool->Free(p);
            return true;
        }
    }
    return false;
}

void QzMemReleaseUnlocked(void* p) {
    if (!p) {
        return;
    }
    if (!QzMemPoolFree(p)) {
        MemState& s = State();
        if (s.heap) {
            QzMspaceFree(s.heap, p);
        }
    }
}

void QzMemDump(std::vector<std::string>& out) {
    MemState& s = State();
    out.clear();
    char line[96];
    std::snprintf(line, sizeof line, "FreeMemory = %d/%d", int(QzMspaceFreeBytes(s.heap)),
                  int(kQzHeapCapacity));
    out.emplace_back(line);
    for (QZW::CQzMemPool* pool : s.pools) {
        if (pool) {
            std::snprintf(line, sizeof line, "pool(%d) : %d/%d blocks", int(pool->blockSize),
                          pool->used, pool->count);
            out.emplace_back(line);
        }
    }
}

QZW::CQzMemPool* QzMemGetPool(int index) {
    return index >= 0 && index < 4 ? State().pools[index] : nullptr;
}

void* QzMemGetHeap() {
    return State().heap;
}

// [SECTION] Refused releases
QzMemFaultHook QzMemSetFaultHook(QzMemFaultHook hook) {
    return g_faultHook.exchange(hook ? hook : DefaultFault);
}

void QzMemReportFault(const char* what, const void* p) {
    g_faultHook.load()(what, p);
}

// [SECTION] Locked conveniences
void* QzMemAllocLocked(std::uint32_t size, std::uint32_t alignment) {
    QZW::CQzScopedLock hold(QzMemGetLock());
    return QzMemAlloc(size, alignment);
}

void QzMemFree(void*& p) {
    if (p) {
        QZW::CQzScopedLock hold(QzMemGetLock());
        QzMemReleaseUnlocked(p);
    }
    p = nullptr;
}
