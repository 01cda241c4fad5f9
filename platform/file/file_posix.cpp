// POSIX files: open(2) with O_NONBLOCK and fstat for the regular-file check,
// fsync(2) of the file and of its folder around rename(2) for replacements.
#include "platform/file/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace platform::file {
namespace {

std::atomic<unsigned> g_nextTemp{1};

// The temporaries this process is writing now: the sweep of another thread's
// write to the same target must leave them alone.
std::mutex g_inFlightLock;
std::set<std::string> g_inFlight;

void SetInFlight(const std::string& name, bool busy) {
    std::lock_guard<std::mutex> hold(g_inFlightLock);
    if (busy) {
        g_inFlight.insert(name);
    } else {
        g_inFlight.erase(name);
    }
}

bool IsInFlight(const std::string& name) {
    std::lock_guard<std::mutex> hold(g_inFlightLock);
    return g_inFlight.count(name) != 0;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "<digits>" at text[at...] up to `stop`; the value through *out.
bool ParseDigits(const std::string& text, std::size_t at, std::size_t stop, long long* out) {
    if (at >= stop || stop - at > 18) {
        return false;
    }
    long long value = 0;
    for (std::size_t i = at; i < stop; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    *out = value;
    return true;
}

// The pid of a temporary named "<name>.<pid>.<n>.tmp", or -1 for any other name.
long long TempOwner(const std::string& entry, const std::string& name) {
    const std::string tail = ".tmp";
    if (entry.size() <= name.size() + 1 + tail.size() || entry.compare(0, name.size(), name) != 0 ||
        entry[name.size()] != '.' ||
        entry.compare(entry.size() - tail.size(), tail.size(), tail) != 0) {
        return -1;
    }
    const std::size_t first = name.size() + 1;
    const std::size_t end = entry.size() - tail.size();
    const std::size_t dot = entry.find('.', first);
    long long pid = 0;
    long long counter = 0;
    if (dot == std::string::npos || dot >= end || !ParseDigits(entry, first, dot, &pid) ||
        !ParseDigits(entry, dot + 1, end, &counter) || pid <= 0) {
        return -1;
    }
    return pid;
}

bool ProcessIsAlive(long long pid) {
    if (pid > 0x7fffffff) {
        return false;
    }
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Removes the temporaries of `path` whose writer is gone: another process
// that ended (or was killed) mid-write, or this one outside a write.
void SweepLeftovers(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string name = NameOf(path);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const long long self = ::getpid();
    while (const dirent* e = ::readdir(dir)) {
        const std::string entry = e->d_name;
        const long long pid = TempOwner(entry, name);
        if (pid < 0) {
            continue;
        }
        const std::string full = folder + "/" + entry;
        const bool busy = pid == self ? IsInFlight(full) : ProcessIsAlive(pid);
        if (!busy) {
            ::unlink(full.c_str());
        }
    }
    ::closedir(dir);
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(fd, p, size);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += put;
        size -= std::size_t(put);
    }
    return true;
}

// Best effort: some file systems refuse fsync on a folder.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Creates a fresh temporary beside `path`; -1 when none can be made.
int CreateTemp(const std::string& path, std::string* outName) {
    const std::string stem = path + "." + std::to_string(::getpid()) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem + std::to_string(g_nextTemp.fetch_add(1)) + ".tmp";
        SetInFlight(name, true);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            *outName = std::move(name);
            return fd;
        }
        SetInFlight(name, false);
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

}  // namespace

std::FILE* open_regular_for_read(const std::string& path, int* outErrno) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *outErrno = errno;
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int code = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        *outErrno = code;
        return nullptr;
    }
    // Regular files never block; reads go back to the usual mode.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    std::FILE* f = ::fdopen(fd, "rb");
    if (f == nullptr) {
        *outErrno = errno;
        ::close(fd);
        return nullptr;
    }
    *outErrno = 0;
    return f;
}

bool replace_contents(const std::string& path, const void* data, std::size_t size) {
    if (data == nullptr && size != 0) {
        return false;
    }
    SweepLeftovers(path);
    std::string temp;
    const int fd = CreateTemp(path, &temp);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, data, size) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (ok) {
        SyncFolder(FolderOf(path));
    } else {
        ::unlink(temp.c_str());
    }
    SetInFlight(temp, false);
    return ok;
}

bool move_aside(const std::string& path, const char* suffix, std::string* outName) {
    for (int n = 1; n < 1000; ++n) {
        const std::string name = path + "." + suffix + std::to_string(n);
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) {
            *outName = name;
            return true;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (errno != EINVAL && errno != ENOSYS) {
            return false;
        }
        // A file system without RENAME_NOREPLACE: look first.
        struct stat st {};
        if (::lstat(name.c_str(), &st) == 0) {
            continue;
        }
        if (::rename(path.c_str(), name.c_str()) == 0) {
            *outName = name;
            return true;
        }
        return false;
    }
    return false;
}

}  // namespace platform::file
