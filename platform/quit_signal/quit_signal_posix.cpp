// Quit signals through a self-pipe: the handler only writes the signal
// number (async-signal-safe) and passes the signal on to the handler that
// was there before, so SDL still queues its quit event.
#include "platform/quit_signal/quit_signal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace platform::quit_signal {
namespace {

int pipeEnds[2] = {-1, -1};
struct sigaction previous[2];
const int kSignals[2] = {SIGTERM, SIGINT};

void Install(int index);

void OnSignal(int sig) {
    const int saved = errno;
    const int index = sig == SIGTERM ? 0 : 1;
    const unsigned char byte = static_cast<unsigned char>(sig);
    if (write(pipeEnds[1], &byte, 1) < 0) {
        // A full pipe already holds a request: nothing is lost.
    }
    const struct sigaction& before = previous[index];
    if (before.sa_flags & SA_SIGINFO) {
        if (before.sa_sigaction) {
            before.sa_sigaction(sig, nullptr, nullptr);
        }
    } else if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
        before.sa_handler(sig);
    } else if (before.sa_handler == SIG_DFL) {
        // Nobody asked for the signal: it ends the program as it would have.
        signal(sig, SIG_DFL);
        raise(sig);
    }
    // The earlier handler may have put itself back (signal() semantics).
    Install(index);
    errno = saved;
}

void Install(int index) {
    struct sigaction ours {};
    ours.sa_handler = &OnSignal;
    sigemptyset(&ours.sa_mask);
    ours.sa_flags = SA_RESTART;
    struct sigaction replaced {};
    sigaction(kSignals[index], &ours, &replaced);
    if (replaced.sa_handler != &OnSignal) {
        previous[index] = replaced;
    }
}

}  // namespace

void watch() {
    if (pipeEnds[0] >= 0 || pipe(pipeEnds) != 0) {
        return;
    }
    for (int end : pipeEnds) {
        fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
        fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    Install(0);
    Install(1);
}

const char* wait(std::uint32_t timeout_ms) {
    if (pipeEnds[0] < 0) {
        return nullptr;
    }
    pollfd p{pipeEnds[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout_ms)) <= 0) {
        return nullptr;
    }
    unsigned char byte = 0;
    if (read(pipeEnds[0], &byte, 1) != 1) {
        return nullptr;
    }
    return byte == SIGTERM ? "SIGTERM" : byte == SIGINT ? "SIGINT" : "a quit signal";
}

}  // namespace platform::quit_signal
