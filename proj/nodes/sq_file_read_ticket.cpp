#include "proj/nodes/sq_file_read_ticket.h"

#include <map>

#include "qzware/win/qz_file_manager.h"

namespace QZW {

namespace {

struct PendingRead {
    // Null: cancelled, the completion frees the buffer.
    ISqFileReadReceiver* receiver = nullptr;
    Win::CQzFileManager* files = nullptr;
};

struct Tickets {
    std::uintptr_t next = 1;
    std::map<std::uintptr_t, PendingRead> pending;
};

Tickets& State() {
    static Tickets tickets;
    return tickets;
}

void Completion(QzFileRequestResult* result) {
    Tickets& t = State();
    const auto it = t.pending.find(result->userData);
    if (it == t.pending.end()) {
        return;
    }
    const PendingRead read = it->second;
    t.pending.erase(it);
    if (read.receiver != nullptr) {
        read.receiver->OnFileRead(result->data, result->size, result->status);
    } else if (result->data != nullptr) {
        read.files->FreeBuffer(result->data);
    }
}

}  // namespace

SqFileRead SqStartFileRead(Win::CQzFileManager* files, const std::string& path,
                           std::uint32_t alignment, ISqFileReadReceiver* receiver) {
    if (files == nullptr || receiver == nullptr) {
        return {};
    }
    Tickets& t = State();
    SqFileRead read;
    read.ticket = t.next++;
    t.pending[read.ticket] = PendingRead{receiver, files};
    read.requestId = files->LoadFileAsync(path, alignment, &Completion, read.ticket);
    return read;
}

void SqCancelFileRead(std::uintptr_t ticket) {
    Tickets& t = State();
    const auto it = t.pending.find(ticket);
    if (it != t.pending.end()) {
        it->second.receiver = nullptr;
    }
}

std::size_t SqPendingFileReads() {
    return State().pending.size();
}

}  // namespace QZW
