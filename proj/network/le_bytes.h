// Little-endian byte access for wire records: a cursor that writes or reads
// fixed-width fields one byte at a time (never a struct image). The reader
// refuses to step past its end and remembers that it did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Sample::Net {

class LeWriter {
public:
    LeWriter(std::uint8_t* data, std::size_t capacity) : data_(data), capacity_(capacity) {}

    void U8(std::uint8_t v) { Put(v, 1); }
    void U16(std::uint16_t v) { Put(v, 2); }
    void I16(std::int16_t v) { Put(static_cast<std::uint16_t>(v), 2); }
    void U32(std::uint32_t v) { Put(v, 4); }
    void I32(std::int32_t v) { Put(static_cast<std::uint32_t>(v), 4); }
    void U64(std::uint64_t v) { Put(v, 8); }
    void Bytes(const void* src, std::size_t n) {
        if (Fits(n)) {
            std::memcpy(data_ + at_, src, n);
            at_ += n;
        }
    }
    void Zeros(std::size_t n) {
        if (Fits(n)) {
            std::memset(data_ + at_, 0, n);
            at_ += n;
        }
    }
    std::size_t Size() const { return at_; }
    bool Ok() const { return ok_; }

private:
    bool Fits(std::size_t n) {
        if (!ok_ || capacity_ - at_ < n) {
            ok_ = false;
            return false;
        }
        return true;
    }
    void Put(std::uint64_t v, std::size_t n) {
        if (Fits(n)) {
            for (std::size_t i = 0; i < n; ++i) {
                data_[at_ + i] = static_cast<std::uint8_t>(v >> (8 * i));
            }
            at_ += n;
        }
    }
    std::uint8_t* data_;
    std::size_t capacity_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

class LeReader {
public:
    LeReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Get(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Get(2)); }
    std::int16_t I16() { return static_cast<std::int16_t>(static_cast<std::uint16_t>(Get(2))); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Get(4)); }
    std::int32_t I32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Get(4))); }
    std::uint64_t U64() { return Get(8); }
    void Bytes(void* dst, std::size_t n) {
        if (Fits(n)) {
            std::memcpy(dst, data_ + at_, n);
            at_ += n;
        } else {
            std::memset(dst, 0, n);
        }
    }
    void Skip(std::size_t n) {
        if (Fits(n)) {
            at_ += n;
        }
    }
    std::size_t Offset() const { return at_; }
    bool Ok() const { return ok_; }

private:
    bool Fits(std::size_t n) {
        if (!ok_ || size_ - at_ < n) {
            ok_ = false;
            return false;
        }
        return true;
    }
    std::uint64_t Get(std::size_t n) {
        std::uint64_t v = 0;
        if (Fits(n)) {
            for (std::size_t i = 0; i < n; ++i) {
                v |= static_cast<std::uint64_t>(data_[at_ + i]) << (8 * i);
            }
            at_ += n;
        }
        return v;
    }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// Reads the u16 at the start of a buffer (a game message's total length).
inline std::uint16_t LeU16At(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace Sample::Net
