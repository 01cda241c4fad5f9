// CI detection and a Redis readiness probe over bash's /dev/tcp.
#include "tests/support/service_check.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/process_runner.h"

namespace qz_test {

bool InCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

bool RedisAnswersPing(std::uint16_t port) {
    // A refused connection ends at once; `timeout` bounds a server that
    // accepts but never answers.
    const std::string command =
        "timeout 2 bash -c 'exec 3<>/dev/tcp/127.0.0.1/" + std::to_string(port) +
        " && printf \"PING\\r\\n\" >&3 && IFS= read -r line <&3 && printf %s \"$line\"' "
        "2>/dev/null";
    int status = -1;
    const std::string answer = RunCapture(command, &status);
    // A server started with a password answers NOAUTH: it is up all the same.
    return status == 0 && (answer.rfind("+PONG", 0) == 0 || answer.rfind("-NOAUTH", 0) == 0);
}

}  // namespace qz_test
