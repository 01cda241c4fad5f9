// The engine memory manager: four fixed-block pools (64, 256, 512, 1024 bytes)
// and a general heap over one 160 MiB region committed at start-up, guarded by
// the lock "MemManLocker". Serves raw buffers (files, script VM, vertex and
// texture data); ordinary engine objects use new/delete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "qzware/scene/qz_lock.h"

// Capacity of the general heap (its first region).
constexpr std::uint32_t kQzHeapCapacity = 167772160u;

// [SECTION] Lifecycle (game manager)
// Builds the lock "MemManLocker", the general heap and the four pools (pools
// disabled). Returns false when the heap region cannot be obtained.
bool QzMemManagerCreate();
// Finalises the pools, destroys the heap and deletes the lock.
void QzMemManagerDestroy();
// True between QzMemManagerCreate and QzMemManagerDestroy.
bool QzMemManagerExists();
// The lock "MemManLocker" (null while the manager does not exist).
QZW::IQzLockObject* QzMemGetLock();

// [SECTION] The allocator's own operations (callers hold the lock)
void QzMemInitialize();
void QzMemFinalize();
void QzMemEnablePools(bool enabled);
bool QzMemPoolsEnabled();
// A block of at least `size` bytes aligned to `alignment`, or null.
void* QzMemAlloc(std::uint32_t size, std::uint32_t alignment);
// Returns a pool block to its pool; false when `p` is not a pool block start
// (then the caller frees it to the heap). A pointer inside a pool that is not
// a block start, or a block already free, is refused (true, nothing recorded).
bool QzMemPoolFree(void* p);
// The release pattern: pool first, else the heap.
void QzMemReleaseUnlocked(void* p);
// Lines for the debug overlay: "FreeMemory = %d/%d", then one
// "pool(%d) : %d/%d blocks" per pool.
void QzMemDump(std::vector<std::string>& out);

// [SECTION] Refused releases
// A release the allocator refuses (a pointer inside a pool that is no block
// start, a block already free, a heap pointer that is no block in use) is
// reported here and otherwise ignored. The default reporter writes a debugger
// line and, in debug builds, stops at an assertion; tests install their own.
using QzMemFaultHook = void (*)(const char* what, const void* p);
// Installs `hook` (null restores the default); returns the previous one.
QzMemFaultHook QzMemSetFaultHook(QzMemFaultHook hook);
void QzMemReportFault(const char* what, const void* p);

// [SECTION] Locked conveniences (any thread)
// QzMemAlloc under "MemManLocker".
void* QzMemAllocLocked(std::uint32_t size, std::uint32_t alignment);
// Release under "MemManLocker"; sets the caller's pointer to null.
void QzMemFree(void*& p);
template <class T>
inline void QzMemFreeTyped(T*& p) {
    void* v = p;
    QzMemFree(v);
    p = nullptr;
}

// The pool with index 0..3 (64, 256, 512, 1024-byte blocks), or null.
namespace QZW {
class CQzMemPool;
}
QZW::CQzMemPool* QzMemGetPool(int index);
// The general heap (null while the manager does not exist).
void* QzMemGetHeap();

// [SECTION] General heap (an mspace over one committed region)
void* QzMspaceCreate(std::size_t capacity);
void QzMspaceDestroy(void* space);
void* QzMspaceMalloc(void* space, std::size_t size);
void* QzMspaceMemalign(void* space, std::size_t alignment, std::size_t size);
void* QzMspaceRealloc(void* space, void* p, std::size_t size);
void QzMspaceFree(void* space, void* p);
// Free bytes of the space (mallinfo's fordblks).
std::size_t QzMspaceFreeBytes(void* space);
// Usable size of a block from the space.
std::size_t QzMspaceUsableSize(void* p);
