#include "platform/memory/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace platform::memory {

std::size_t allocation_granularity() {
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? std::size_t(page) : 4096u;
}

static std::size_t round_up(std::size_t size) {
    const std::size_t g = allocation_granularity();
    return (size + g - 1) / g * g;
}

void* reserve_and_commit(std::size_t size) {
    if (size == 0) {
        return nullptr;
    }
    void* p =
        ::mmap(nullptr, round_up(size), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void release(void* base, std::size_t size) {
    if (base) {
        ::munmap(base, round_up(size));
    }
}

void discard(void* p, std::size_t size) {
    if (p == nullptr) {
        return;
    }
    const std::size_t page = allocation_granularity();
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(p) + page - 1) / page * page;
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + size) / page * page;
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
    }
}

std::size_t resident_bytes(const void* p, std::size_t size) {
    if (p == nullptr || size == 0) {
        return 0;
    }
    const std::size_t page = allocation_granularity();
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(p) / page * page;
    const std::uintptr_t end =
        (reinterpret_cast<std::uintptr_t>(p) + size + page - 1) / page * page;
    std::vector<unsigned char> in((end - begin) / page);
    if (::mincore(reinterpret_cast<void*>(begin), end - begin, in.data()) != 0) {
        return 0;
    }
    std::size_t pages = 0;
    for (unsigned char v : in) {
        pages += v & 1u;
    }
    return pages * page;
}

}  // namespace platform::memory
