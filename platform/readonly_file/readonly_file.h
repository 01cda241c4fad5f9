// Read-only files for the audio banks: a whole file mapped into memory
// (CreateFileMapping / MapViewOfFile) and a file kept open for positional
// reads from any thread (overlapped ReadFile). POSIX mmap and pread; only
// regular files open (a FIFO where a bank should be never blocks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::readonly_file {

// A read-only view of a whole file; empty when it could not be mapped.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile() { close(); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // False when the file cannot be opened, is empty or cannot be mapped.
    bool open(const std::string& path);
    void close();
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// An open file read at given offsets; reads from several threads at once are safe.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile() { close(); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool open(const std::string& path);
    void close();
    bool is_open() const { return fd_ >= 0; }
    std::uint64_t size() const { return size_; }
    // Reads up to `length` bytes at `offset`; the bytes past the end of the
    // file are zero-filled. Returns the bytes read from the file.
    std::size_t read_at(std::uint64_t offset, void* buffer, std::size_t length) const;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// The whole regular file (at most 2 GB), or false when it cannot be read.
bool read_whole(const std::string& path, std::string& out);

}  // namespace platform::readonly_file
