#include "platform/file/file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace platform::file {

bool MappedFile::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size <= 0) {
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
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        close();
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
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    if (!in && !in.eof()) {
        return false;
    }
    out = s.str();
    return true;
}

}  // namespace platform::file
