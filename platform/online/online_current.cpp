// Which backend answers: the one a test installed, else the networked one
// configured from the environment (built on first use, kept to exit).
#include "platform/online/online.h"
#include "platform/online/online_redis.h"

namespace platform::online {
namespace {

Backend* g_installed = nullptr;

}  // namespace

Backend& current() {
    if (g_installed) {
        return *g_installed;
    }
    static std::unique_ptr<Backend> from_environment =
        std::make_unique<NetworkedBackend>(NetworkConfig::from_environment());
    return *from_environment;
}

void install(Backend* backend) {
    g_installed = backend;
}

}  // namespace platform::online
