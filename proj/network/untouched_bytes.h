// A byte vector whose storage comes zero-filled and is not written when it
// is sized: storage of 64 KiB or more is fresh pages of the system
// (platform::memory), so a large buffer joins the resident set only as far
// as it is written; smaller storage comes from calloc. Resize, never assign,
// to keep it so. Deps: platform/memory. No locking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/memory/memory.h"

namespace Sample {

template <class T>
struct UntouchedAllocator {
    using value_type = T;
    UntouchedAllocator() = default;
    template <class U>
    explicit UntouchedAllocator(const UntouchedAllocator<U>&) {}

    static constexpr std::size_t kPagesFrom = 64 * 1024;

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) {
            throw std::bad_alloc();
        }
        const std::size_t bytes = n * sizeof(T);
        void* p = bytes >= kPagesFrom ? platform::memory::reserve_and_commit(bytes)
                                      : std::calloc(n, sizeof(T));
        if (p == nullptr) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) {
        if (n * sizeof(T) >= kPagesFrom) {
            platform::memory::release(p, n * sizeof(T));
        } else {
            std::free(p);
        }
    }
    // Growing by resize leaves the new elements as calloc gave them (zero);
    // a value given explicitly is written as usual.
    template <class U>
    void construct(U* p) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(static_cast<Args&&>(args)...);
    }
    friend bool operator==(const UntouchedAllocator&, const UntouchedAllocator&) { return true; }
};

using UntouchedBytes = std::vector<std::uint8_t, UntouchedAllocator<std::uint8_t>>;

}  // namespace Sample
