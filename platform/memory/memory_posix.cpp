#include "platform/memory/memory.h"

#include <sys/mman.h>
#include <unistd.h>

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

}  // namespace platform::memory
