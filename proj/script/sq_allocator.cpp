// The allocator hook and the VM memory entry points. They live in this file
// because the host references GetSqAllocator: that is what makes the static
// library's object, and with it the entry points, part of the program.
#include "proj/script/sq_allocator.h"

#include <squirrel.h>

#include <cstdlib>
#include <cstring>
#include <limits>

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
// The VM never asks for 4 GiB; a larger size is refused, not truncated.
bool Fits(SQUnsignedInteger size) {
    return size <= std::numeric_limits<std::uint32_t>::max();
}
}  // namespace

void* sq_vm_malloc(SQUnsignedInteger size) {
    if (Sample::SQAllocator* hook = Sample::GetSqAllocatorHook()) {
        return Fits(size) ? hook->Malloc(static_cast<std::uint32_t>(size)) : nullptr;
    }
    return std::malloc(size);
}

void* sq_vm_realloc(void* p, SQUnsignedInteger oldSize, SQUnsignedInteger size) {
    if (Sample::SQAllocator* hook = Sample::GetSqAllocatorHook()) {
        return Fits(size) && Fits(oldSize) ? hook->Realloc(p, static_cast<std::uint32_t>(oldSize),
                                                           static_cast<std::uint32_t>(size))
                                           : nullptr;
    }
    return std::realloc(p, size);
}

void sq_vm_free(void* p, SQUnsignedInteger size) {
    if (Sample::SQAllocator* hook = Sample::GetSqAllocatorHook()) {
        hook->Free(p, static_cast<std::uint32_t>(size));
        return;
    }
    std::free(p);
}
