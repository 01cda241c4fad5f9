// A pool of fixed-size blocks handed out last-freed-first from a stack, with
// one in-use bit per block so that a release of a block that is already free,
// or of an address inside the pool that is no block start, is refused. Its
// storage comes from the engine allocator. Not locked (callers hold
// "MemManLocker").
#pragma once

#include <cstdint>

namespace QZW {

class CQzMemPool {
public:
    enum class FreeResult { NotInPool, Freed, Refused };

    CQzMemPool(std::uint32_t blockSize, std::int32_t count);
    virtual ~CQzMemPool();
    CQzMemPool(const CQzMemPool&) = delete;
    CQzMemPool& operator=(const CQzMemPool&) = delete;

    // The most recently freed block, or null when every block is out.
    void* Alloc();
    FreeResult Free(void* p);
    bool Contains(const void* p) const {
        const auto* c = static_cast<const std::uint8_t*>(p);
        return base && c >= base && c < base + std::uint64_t(blockSize) * std::uint64_t(count);
    }
    bool IsFull() const { return used >= count; }

    std::uint8_t* base = nullptr;
    void** freeStack = nullptr;
    std::int32_t count = 0;
    std::uint32_t blockSize = 0;
    std::int32_t used = 0;
    std::int32_t peak = 0;
    std::uint64_t* inUse = nullptr;  // one bit per block
    // Stack slots below this one still hold their first content, block i at
    // slot i, and are never written (releases push at slot count - used,
    // which is never below it).
    std::int32_t fresh = 0;
};

}  // namespace QZW
