// The allocator hook and the VM memory entry points. They live in this file
// because the host references GetSqAllocator: that is what makes the static
// library's object, and with it the entry points, part of the program.
#include "proj/script/sq_allocator.h"

#include <squirrel.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "proj/script/sq_error_handler.h"
#include "qzware/common/qz_mem.h"

namespace Sample {

namespace {
SQAllocatorImpl theAllocator;
SQAllocator* allocatorHook = nullptr;
}  // namespace

SQAllocatorImpl& GetSqAllocator() {
    return theAllocator;
}
SQAllocator* GetSqAllocatorHook() {
    return allocatorHook;
}
void SetSqAllocatorHook(SQAllocator* hook) {
    allocatorHook = hook;
}

void* SQAllocatorImpl::Malloc(std::uint32_t size) {
    return QzMemAllocLocked(size, 8);
}

void* SQAllocatorImpl::Realloc(void* p, std::uint32_t oldSize, std::uint32_t newSize) {
    if (!p) {
        return Malloc(newSize);
    }
    void* moved = QzMemAllocLocked(newSize, 8);
    if (!moved) {
        return nullptr;  // the old block stays valid, as realloc's contract says
    }
    std::memcpy(moved, p, oldSize < newSize ? oldSize : newSize);
    QzMemFree(p);
    return moved;
}

void SQAllocatorImpl::Free(void* p, std::uint32_t) {
    if (p) {
        QzMemFree(p);
    }
}

}  // namespace Sample

namespace {

// The VM does not check what its memory functions return, so an exhausted
// heap (or a size past the hook's 32-bit reach) ends the program here with a
// report instead of a null pointer the VM would write through.
[[noreturn]] void OutOfMemory(SQUnsignedInteger size, bool engineHeap) {
    std::string what = "script host: out of memory: the script VM asked for " +
                       std::to_string(static_cast<unsigned long long>(size)) + " bytes and the " +
                       (engineHeap ? "engine heap (" + std::to_string(kQzHeapCapacity >> 20) +
                                         " MiB) has no block that large left"
                                   : std::string("C heap could not supply them"));
    Sample::ScriptFatalExit(what.c_str());
}

std::uint32_t Checked(SQUnsignedInteger size) {
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        OutOfMemory(size, true);
    }
    // A zero-byte request still gets a block of its own, never null.
    return size == 0 ? 1u : static_cast<std::uint32_t>(size);
}

void* NeverNull(void* p, SQUnsignedInteger size, bool engineHeap) {
    if (!p) {
        OutOfMemory(size, engineHeap);
    }
    return p;
}

}  // namespace

void* sq_vm_malloc(SQUnsignedInteger size) {
    if (Sample::SQAllocator* hook = Sample::GetSqAllocatorHook()) {
        return NeverNull(hook->Malloc(Checked(size)), size, true);
    }
    return NeverNull(std::malloc(size == 0 ? 1 : size), size, false);
}

void* sq_vm_realloc(void* p, SQUnsignedInteger oldSize, SQUnsignedInteger size) {
    if (Sample::SQAllocator* hook = Sample::GetSqAllocatorHook()) {
        const std::uint32_t newSize = Checked(size);
        // The old size only bounds the copy; a block was never larger than 4 GiB.
        const std::uint32_t copied = static_cast<std::uint32_t>(
            oldSize < newSize ? oldSize : static_cast<SQUnsignedInteger>(newSize));
        return NeverNull(hook->Realloc(p, copied, newSize), size, true);
    }
    return NeverNull(std::realloc(p, size == 0 ? 1 : size), size, false);
}

void sq_vm_free(void* p, SQUnsignedInteger size) {
    if (Sample::SQAllocator* hook = Sample::GetSqAllocatorHook()) {
        hook->Free(p, static_cast<std::uint32_t>(size));
        return;
    }
    std::free(p);
}
