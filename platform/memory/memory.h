// Reserving and committing one large region at once (VirtualAlloc with
// MEM_RESERVE | MEM_COMMIT) and releasing it, over mmap; and how much of a
// range is resident (mincore). Any thread.
#pragma once

#include <cstddef>

namespace platform::memory {

// The granularity regions are rounded up to (the page size).
std::size_t allocation_granularity();

// A zero-filled, read-write region of `size` bytes (rounded up to the
// granularity), or nullptr when the system refuses.
void* reserve_and_commit(std::size_t size);

// Returns a region from reserve_and_commit; `size` as passed there.
void release(void* base, std::size_t size);

// Gives the pages lying wholly inside [p, p + size) of a region from
// reserve_and_commit back to the system; they read as zeros when next
// touched. The rest of the range is left as it is.
void discard(void* p, std::size_t size);

// Bytes of the pages overlapping [p, p + size) that are in memory now (a
// page the program never touched is not), or 0 when the system cannot say.
std::size_t resident_bytes(const void* p, std::size_t size);

}  // namespace platform::memory
