// The VM's memory: the library's three memory entry points (sq_vm_malloc,
// sq_vm_realloc, sq_vm_free, defined by the program and so taking precedence
// over the library's own) go through the process-wide allocator hook to the
// engine allocator, alignment 8, under "MemManLocker". Until the host sets the
// hook they fall back to the C heap; the hook must not change while a VM is open.
#pragma once

#include <cstdint>

namespace Sample {

class SQAllocator {
public:
    virtual void* Malloc(std::uint32_t size) = 0;
    virtual void* Realloc(void* p, std::uint32_t oldSize, std::uint32_t newSize) = 0;
    virtual void Free(void* p, std::uint32_t size) = 0;

protected:
    ~SQAllocator() = default;
};

class SQAllocatorImpl final : public SQAllocator {
public:
    void* Malloc(std::uint32_t size) override;
    // Always moves the block, also when it shrinks.
    void* Realloc(void* p, std::uint32_t oldSize, std::uint32_t newSize) override;
    void Free(void* p, std::uint32_t size) override;
};

SQAllocatorImpl& GetSqAllocator();
SQAllocator* GetSqAllocatorHook();
void SetSqAllocatorHook(SQAllocator* hook);

}  // namespace Sample
