#include "proj/win/pending_file_requests.h"

#include "platform/clock/clock.h"
#include "qzware/win/qz_file_manager.h"

namespace Sample::Win {

bool FinishPendingFileRequests(QZW::Win::CQzFileManager& files, std::uint32_t limitMs) {
    const std::uint32_t start = platform::clock::now_ms();
    while (!files.IsIdle()) {
        if (!files.IsLoaderRunning() || platform::clock::now_ms() - start >= limitMs) {
            return false;
        }
        files.Update();
        platform::clock::sleep_ms(1);
    }
    return true;
}

}  // namespace Sample::Win
