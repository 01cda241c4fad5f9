// Reserving and committing one large region at once (VirtualAlloc with
// MEM_RESERVE | MEM_COMMIT) and releasing it, over mmap. Any thread.
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

}  // namespace platform::memory
