#include "platform/instance/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform::instance {
namespace {

int g_fd = -1;

}  // namespace

std::string lock_path(const std::string& name) {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    std::string base = (dir && *dir) ? dir : "/tmp";
    std::string file;
    for (char c : name) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        file += plain ? c : '_';
    }
    return base + "/" + file + ".lock";
}

Guard acquire(const std::string& name) {
    if (g_fd >= 0) {
        return Guard::acquired;
    }
    const std::string path = lock_path(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return Guard::failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Guard::already_running : Guard::failed;
    }
    g_fd = fd;
    return Guard::acquired;
}

void release() {
    if (g_fd >= 0) {
        ::flock(g_fd, LOCK_UN);
        ::close(g_fd);
        g_fd = -1;
    }
}

}  // namespace platform::instance
