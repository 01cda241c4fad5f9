#include "platform/readonly_file/readonly_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::readonly_file {
namespace {

// A descriptor of a regular file, or -1: never waits on a FIFO or device.
int OpenRegular(const std::string& path, struct stat* st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool MappedFile::open(const std::string& path) {
    close();
    struct stat st {};
    const int fd = OpenRegular(path, &st);
    if (fd < 0) {
        return false;
    }
    if (st.st_size <= 0) {
        ::close(fd);
        return false;
    }
    void* view = ::mmap(nullptr, std::size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);  // the view stays valid without the descriptor
    if (view == MAP_FAILED) {
        return false;
    }
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = std::size_t(st.st_size);
    return true;
}

void MappedFile::close() {
    if (data_ != nullptr) {
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
    }
    data_ = nullptr;
    size_ = 0;
}

bool ReadOnlyFile::open(const std::string& path) {
    close();
    struct stat st {};
    fd_ = OpenRegular(path, &st);
    if (fd_ < 0) {
        return false;
    }
    size_ = std::uint64_t(st.st_size);
    return true;
}

void ReadOnlyFile::close() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = -1;
    size_ = 0;
}

std::size_t ReadOnlyFile::read_at(std::uint64_t offset, void* buffer, std::size_t length) const {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (fd_ >= 0 && done < length) {
        const ssize_t n = ::pread(fd_, out + done, length - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += std::size_t(n);
    }
    std::memset(out + done, 0, length - done);
    return done;
}

bool read_whole(const std::string& path, std::string& out) {
    ReadOnlyFile file;
    if (!file.open(path) || file.size() > (std::uint64_t(1) << 31)) {
        return false;
    }
    std::string bytes(std::size_t(file.size()), '\0');
    if (file.read_at(0, bytes.data(), bytes.size()) != bytes.size()) {
        return false;
    }
    out.swap(bytes);
    return true;
}

}  // namespace platform::readonly_file
