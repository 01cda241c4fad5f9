// Asynchronous whole-file reads whose result goes into the object that asked
// for it. The read carries a ticket; its completion (game thread, inside the
// file manager's Update) hands buffer, size and status to the ticket's
// receiver, or frees the buffer when the receiver has cancelled (it was
// destroyed or started another read). So a receiver never polls the file
// manager's request list, which scripts may clear, and a late completion
// never reaches a freed object.
#pragma once

#include <cstdint>
#include <string>

struct QzFileRequestResult;

namespace QZW {

namespace Win {
class CQzFileManager;
}

class ISqFileReadReceiver {
public:
    virtual ~ISqFileReadReceiver() = default;
    // `data` (an engine buffer, or null on failure) now belongs to the
    // receiver; status 0 success, 1 error, 2 not found.
    virtual void OnFileRead(void* data, std::uint32_t size, std::int32_t status) = 0;
};

struct SqFileRead {
    std::uint32_t requestId = 0;
    std::uintptr_t ticket = 0;  // 0: no read was started
};

// Queues a read of `path` (alignment in bytes) on `files` for `receiver`;
// no read and a zero ticket when either is null.
SqFileRead SqStartFileRead(Win::CQzFileManager* files, const std::string& path,
                           std::uint32_t alignment, ISqFileReadReceiver* receiver);
// The receiver no longer wants the result of `ticket`; harmless for 0 and
// for tickets already delivered.
void SqCancelFileRead(std::uintptr_t ticket);
// Reads whose completion has not run yet (tests).
std::size_t SqPendingFileReads();

}  // namespace QZW
