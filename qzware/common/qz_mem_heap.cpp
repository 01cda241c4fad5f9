// The general heap: a two-level segregated-fit allocator (O(1) malloc and
// free, boundary tags, immediate coalescing) over one region reserved and
// committed at creation; a freed block of 1 MiB or more gives its pages back
// to the system, so the region is resident only as far as it is in use. Deps:
// platform/memory. Not locked (callers hold "MemManLocker"); never grows
// beyond its region; blocks are 16-aligned.
#include "qzware/common/qz_mem.h"

#include <cstring>

#include "platform/memory/memory.h"

// [SECTION] Layout
namespace {

constexpr std::size_t kAlign = 16;
constexpr std::size_t kHeader = 16;    // prevSize + sizeAndFlags
constexpr std::size_t kMinBlock = 32;  // header + the two free-list links
constexpr std::size_t kFreeBit = 1;
constexpr unsigned kSlLog = 5;
constexpr unsigned kSlCount = 1u << kSlLog;
constexpr unsigned kFlShift = kSlLog + 4;  // below 512 bytes: one list per 16 bytes
constexpr unsigned kFlCount = 31;
constexpr std::uint32_t kMagic = 0x51484550u;
// Freed blocks of this size or more give their whole pages back (whole-file
// buffers and decoded images of the larger textures, used once at load).
// Smaller ones keep them: the loader's file buffers and blocks that come and
// go every frame are reused without page faults.
constexpr std::size_t kDiscardBlock = 1024 * 1024;

// A block: the header, then the payload. prevSize is the size of the block
// just below (0 for the first), kept for every block so that a free can find
// its lower neighbour; the links live in the payload of free blocks.
struct Block {
    std::size_t prevSize;
    std::size_t sizeAndFlags;
    Block* nextFree;
    Block* prevFree;

    std::size_t Size() const { return sizeAndFlags & ~(kAlign - 1); }
    bool IsFree() const { return (sizeAndFlags & kFreeBit) != 0; }
    Block* Next() { return reinterpret_cast<Block*>(reinterpret_cast<char*>(this) + Size()); }
    Block* Prev() { return reinterpret_cast<Block*>(reinterpret_cast<char*>(this) - prevSize); }
    void* Payload() { return reinterpret_cast<char*>(this) + kHeader; }
};

struct Space {
    std::uint32_t magic;
    std::uint32_t flBitmap;
    std::uint32_t slBitmap[kFlCount];
    Block* heads[kFlCount][kSlCount];
    std::size_t regionSize;
    char* first;      // the lowest block
    Block* sentinel;  // a used, empty block at the top: every block has a Next
    std::size_t freeBytes;
};

std::size_t RoundUp(std::size_t v, std::size_t a) {
    return (v + a - 1) & ~(a - 1);
}

unsigned HighBit(std::size_t v) {
    return 63u - unsigned(__builtin_clzll(v));
}

void Mapping(std::size_t size, unsigned& fl, unsigned& sl) {
    if (size < (std::size_t(1) << kFlShift)) {
        fl = 0;
        sl = unsigned(size >> 4);
    } else {
        const unsigned f = HighBit(size);
        sl = unsigned(size >> (f - kSlLog)) ^ kSlCount;
        fl = f - kFlShift + 1;
    }
}

Block* BlockOf(void* p) {
    return reinterpret_cast<Block*>(static_cast<char*>(p) - kHeader);
}

// [SECTION] Free lists
void InsertFree(Space* s, Block* b) {
    unsigned fl, sl;
    Mapping(b->Size(), fl, sl);
    b->sizeAndFlags |= kFreeBit;
    b->prevFree = nullptr;
    b->nextFree = s->heads[fl][sl];
    if (b->nextFree) {
        b->nextFree->prevFree = b;
    }
    s->heads[fl][sl] = b;
    s->flBitmap |= 1u << fl;
    s->slBitmap[fl] |= 1u << sl;
    s->freeBytes += b->Size();
}

void RemoveFree(Space* s, Block* b) {
    unsigned fl, sl;
    Mapping(b->Size(), fl, sl);
    if (b->prevFree) {
        b->prevFree->nextFree = b->nextFree;
    } else {
        s->heads[fl][sl] = b->nextFree;
    }
    if (b->nextFree) {
        b->nextFree->prevFree = b->prevFree;
    }
    if (!s->heads[fl][sl]) {
        s->slBitmap[fl] &= ~(1u << sl);
        if (!s->slBitmap[fl]) {
            s->flBitmap &= ~(1u << fl);
        }
    }
    b->sizeAndFlags &= ~kFreeBit;
    s->freeBytes -= b->Size();
}

// A free block of at least `size` bytes (any block in the chosen list fits,
// because the size is rounded up to the next list first), or null.
Block* FindFree(Space* s, std::size_t size) {
    if (size >= (std::size_t(1) << kFlShift)) {
        size += (std::size_t(1) << (HighBit(size) - kSlLog)) - 1;
    }
    unsigned fl, sl;
    Mapping(size, fl, sl);
    if (fl >= kFlCount) {
        return nullptr;
    }
    std::uint32_t slMap = s->slBitmap[fl] & (~0u << sl);
    if (!slMap) {
        const std::uint32_t flMap = fl + 1 < 32 ? s->flBitmap & (~0u << (fl + 1)) : 0;
        if (!flMap) {
            return nullptr;
        }
        fl = unsigned(__builtin_ctz(flMap));
        slMap = s->slBitmap[fl];
    }
    return s->heads[fl][unsigned(__builtin_ctz(slMap))];
}

// Gives the top of a used block beyond `size` back as a free block.
void Trim(Space* s, Block* b, std::size_t size) {
    const std::size_t total = b->Size();
    if (total - size < kMinBlock) {
        return;
    }
    Block* rest = reinterpret_cast<Block*>(reinterpret_cast<char*>(b) + size);
    rest->prevSize = size;
    rest->sizeAndFlags = total - size;
    b->sizeAndFlags = size | (b->sizeAndFlags & kFreeBit);
    Block* next = rest->Next();
    next->prevSize = rest->Size();
    if (next->IsFree()) {
        RemoveFree(s, next);
        rest->sizeAndFlags += next->Size();
        rest->Next()->prevSize = rest->Size();
    }
    InsertFree(s, rest);
}

std::size_t BlockSizeFor(std::size_t bytes) {
    return bytes < kMinBlock - kHeader ? kMinBlock : RoundUp(bytes + kHeader, kAlign);
}

Space* AsSpace(void* space) {
    Space* s = static_cast<Space*>(space);
    return s && s->magic == kMagic ? s : nullptr;
}

// The space a pointer came from is not recorded in the block, so frees are
// checked against the one engine heap's range when the pointer is known.
bool OwnsPayload(Space* s, void* p) {
    char* c = static_cast<char*>(p);
    return c >= s->first + kHeader && c < reinterpret_cast<char*>(s->sentinel) &&
           (reinterpret_cast<std::uintptr_t>(c) & (kAlign - 1)) == 0;
}

}  // namespace

// [SECTION] Operations
void* QzMspaceCreate(std::size_t capacity) {
    const std::size_t head = RoundUp(sizeof(Space), kAlign);
    const std::size_t g = platform::memory::allocation_granularity();
    const std::size_t regionSize = RoundUp(head + RoundUp(capacity, kAlign) + kHeader, g);
    if (capacity < kMinBlock || HighBit(regionSize) >= kFlCount + kFlShift - 1) {
        return nullptr;
    }
    void* region = platform::memory::reserve_and_commit(regionSize);
    if (!region) {
        return nullptr;
    }
    Space* s = static_cast<Space*>(region);
    std::memset(s, 0, sizeof(Space));
    s->magic = kMagic;
    s->regionSize = regionSize;
    s->first = static_cast<char*>(region) + head;
    const std::size_t blockBytes = (regionSize - head - kHeader) & ~(kAlign - 1);
    Block* b = reinterpret_cast<Block*>(s->first);
    b->prevSize = 0;
    b->sizeAndFlags = blockBytes;
    s->sentinel = b->Next();
    s->sentinel->prevSize = blockBytes;
    s->sentinel->sizeAndFlags = 0;
    InsertFree(s, b);
    return s;
}

void QzMspaceDestroy(void* space) {
    Space* s = AsSpace(space);
    if (!s) {
        return;
    }
    const std::size_t size = s->regionSize;
    s->magic = 0;
    platform::memory::release(s, size);
}

void* QzMspaceMalloc(void* space, std::size_t size) {
    Space* s = AsSpace(space);
    if (!s || size > s->regionSize) {
        return nullptr;
    }
    const std::size_t need = BlockSizeFor(size);
    Block* b = FindFree(s, need);
    if (!b) {
        return nullptr;
    }
    RemoveFree(s, b);
    Trim(s, b, need);
    return b->Payload();
}

void* QzMspaceMemalign(void* space, std::size_t alignment, std::size_t size) {
    Space* s = AsSpace(space);
    if (alignment <= kAlign) {
        return QzMspaceMalloc(space, size);
    }
    if (!s || size > s->regionSize || alignment > s->regionSize ||
        (alignment & (alignment - 1)) != 0) {
        return nullptr;
    }
    const std::size_t need = BlockSizeFor(size);
    // Room for the worst lead gap: up to alignment - 16, plus alignment more
    // when the gap is too small to stand as a free block of its own.
    Block* b = FindFree(s, need + alignment + kMinBlock);
    if (!b) {
        return nullptr;
    }
    RemoveFree(s, b);
    char* payload = static_cast<char*>(b->Payload());
    char* aligned =
        reinterpret_cast<char*>(RoundUp(reinterpret_cast<std::uintptr_t>(payload), alignment));
    if (aligned != payload && std::size_t(aligned - payload) < kMinBlock) {
        aligned += alignment;
    }
    const std::size_t gap = std::size_t(aligned - payload);
    if (gap) {
        // The block below is in use (free neighbours are always merged), so
        // the gap becomes a free block on its own.
        Block* moved = reinterpret_cast<Block*>(aligned - kHeader);
        moved->prevSize = gap;
        moved->sizeAndFlags = b->Size() - gap;
        moved->Next()->prevSize = moved->Size();
        b->sizeAndFlags = gap;
        InsertFree(s, b);
        b = moved;
    }
    Trim(s, b, need);
    return b->Payload();
}

void QzMspaceFree(void* space, void* p) {
    Space* s = AsSpace(space);
    if (!s || !p) {
        return;
    }
    if (!OwnsPayload(s, p)) {
        QzMemReportFault("heap free of a pointer outside the heap", p);
        return;
    }
    Block* b = BlockOf(p);
    if (b->IsFree() || b->Size() < kMinBlock) {
        QzMemReportFault("heap free of a block that is not in use", p);
        return;
    }
    if (b->Size() >= kDiscardBlock) {
        // A large block's pages go back to the system; its header and
        // free-list links stay.
        platform::memory::discard(reinterpret_cast<char*>(b) + kMinBlock, b->Size() - kMinBlock);
    }
    Block* next = b->Next();
    if (next->IsFree()) {
        RemoveFree(s, next);
        b->sizeAndFlags += next->Size();
    }
    if (reinterpret_cast<char*>(b) != s->first) {
        Block* prev = b->Prev();
        if (prev->IsFree()) {
            RemoveFree(s, prev);
            prev->sizeAndFlags += b->Size();
            b = prev;
        }
    }
    b->Next()->prevSize = b->Size();
    InsertFree(s, b);
}

void* QzMspaceRealloc(void* space, void* p, std::size_t size) {
    if (!p) {
        return QzMspaceMalloc(space, size);
    }
    Space* s = AsSpace(space);
    if (!s || !OwnsPayload(s, p)) {
        return nullptr;
    }
    const std::size_t have = QzMspaceUsableSize(p);
    if (have >= size) {
        return p;
    }
    void* q = QzMspaceMalloc(space, size);
    if (q) {
        std::memcpy(q, p, have);
        QzMspaceFree(space, p);
    }
    return q;
}

std::size_t QzMspaceFreeBytes(void* space) {
    Space* s = AsSpace(space);
    return s ? s->freeBytes : 0;
}

std::size_t QzMspaceUsableSize(void* p) {
    return p ? BlockOf(p)->Size() - kHeader : 0;
}
