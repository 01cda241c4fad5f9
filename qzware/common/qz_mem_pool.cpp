#include "qzware/common/qz_mem_pool.h"

#include <cstring>

#include "qzware/common/qz_mem.h"

namespace QZW {

CQzMemPool::CQzMemPool(std::uint32_t size, std::int32_t blocks) : count(blocks), blockSize(size) {
    if (count <= 0 || blockSize == 0) {
        count = 0;
        return;
    }
    const std::uint64_t areaBytes = std::uint64_t(blockSize) * std::uint64_t(count);
    const std::uint64_t bitWords = (std::uint64_t(count) + 63) / 64;
    if (areaBytes > 0xffffffffu) {
        count = 0;
        return;
    }
    base = static_cast<std::uint8_t*>(QzMemAllocLocked(std::uint32_t(areaBytes), 8));
    freeStack = static_cast<void**>(QzMemAllocLocked(std::uint32_t(count) * sizeof(void*), 8));
    inUse = static_cast<std::uint64_t*>(QzMemAllocLocked(std::uint32_t(bitWords * 8), 8));
    if (!base || !freeStack || !inUse) {
        // A pool without storage serves nothing; requests go on to the next one.
        QzMemFreeTyped(base);
        QzMemFreeTyped(freeStack);
        QzMemFreeTyped(inUse);
        count = 0;
        return;
    }
    std::memset(inUse, 0, bitWords * 8);
    // Block i sits at stack slot i at first (block 0 at the bottom, so the
    // last block goes out first). Slots below `fresh` still hold that start
    // and are not written: the stack's pages, like the blocks', join the
    // resident set only as far as the pool is used.
    fresh = count;
}

CQzMemPool::~CQzMemPool() {
    QzMemFreeTyped(base);
    QzMemFreeTyped(freeStack);
    QzMemFreeTyped(inUse);
}

void* CQzMemPool::Alloc() {
    if (used >= count) {
        return nullptr;
    }
    const std::int32_t slot = count - used - 1;
    void* block = nullptr;
    if (slot < fresh) {
        // Every slot from `fresh` up holds a released block; below it the
        // stack still is block i at slot i, so this is the top one.
        fresh = slot;
        block = base + std::uint64_t(slot) * blockSize;
    } else {
        block = freeStack[slot];
    }
    ++used;
    if (used > peak) {
        peak = used;
    }
    const std::uint64_t index = std::uint64_t(static_cast<std::uint8_t*>(block) - base) / blockSize;
    inUse[index / 64] |= std::uint64_t(1) << (index % 64);
    return block;
}

CQzMemPool::FreeResult CQzMemPool::Free(void* p) {
    if (!Contains(p)) {
        return FreeResult::NotInPool;
    }
    const std::uint64_t offset = std::uint64_t(static_cast<std::uint8_t*>(p) - base);
    const std::uint64_t index = offset / blockSize;
    const std::uint64_t bit = std::uint64_t(1) << (index % 64);
    if (offset % blockSize != 0) {
        QzMemReportFault("pool release of an address that is no block start", p);
        return FreeResult::Refused;
    }
    if ((inUse[index / 64] & bit) == 0 || used < 1) {
        QzMemReportFault("pool release of a block that is already free", p);
        return FreeResult::Refused;
    }
    inUse[index / 64] &= ~bit;
    --used;
    freeStack[count - used - 1] = p;
    return FreeResult::Freed;
}

}  // namespace QZW
