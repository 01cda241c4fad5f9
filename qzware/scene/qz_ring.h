// A ring of entry pointers: the growable pointer array and the index of the
// newest entry. The ring owns its pointer array; what the pointers name is
// the owner's to free.
#pragma once

#include <cstdint>
#include <vector>

namespace QZW {

template <class T>
struct qz_ring {
    std::vector<T> entries;
    std::uint32_t index = 0;

    std::uint32_t size() const { return static_cast<std::uint32_t>(entries.size()); }
    // Moves to the next entry (wrapping) and answers it.
    T& advance() {
        index = (index + 1) % size();
        return entries[index];
    }
    // The entry `back` places before the newest, wrapping.
    T& back_from_newest(std::uint32_t back) {
        const std::uint32_t n = size();
        return entries[(index + n - back % n) % n];
    }
};

}  // namespace QZW
