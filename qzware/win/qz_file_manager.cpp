#include "qzware/win/qz_file_manager.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file/file.h"
#include "qzware/common/qz_mem.h"

namespace {

std::atomic<std::uint32_t> g_nextRequestId{1};
std::atomic<QZW::Win::CQzFileManager*> g_currentFileManager{nullptr};

constexpr std::int32_t kStatusOk = 0;
constexpr std::int32_t kStatusError = 1;
constexpr std::int32_t kStatusNotFound = 2;

// [SECTION] stdio helpers
// Opens a regular file for reading; a folder, FIFO or device is no data
// file and would block or never end.
std::FILE* OpenForRead(const std::string& full, int* outErrno) {
    return platform::file::open_regular_for_read(full, outErrno);
}

// The file's size with the position back at the start, or -1.
long SizeOf(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) {
        return -1;
    }
    const long size = std::ftell(f);
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        return -1;
    }
    return size;
}

// Reads the whole file into an engine buffer with `extra` zero bytes after
// the content. Null with status 1 when the size is unknown or too large for a
// 32-bit count, the buffer cannot be had, or fewer bytes arrive than the size.
void* ReadAll(const std::string& full, std::uint32_t extra, std::uint32_t alignment,
              std::uint32_t* outSize, std::int32_t* outStatus) {
    *outSize = 0;
    int err = 0;
    std::FILE* f = OpenForRead(full, &err);
    if (!f) {
        *outStatus = err == ENOENT ? kStatusNotFound : kStatusError;
        return nullptr;
    }
    *outStatus = kStatusError;
    const long size = SizeOf(f);
    if (size < 0 || std::uint64_t(size) + extra > 0xffffffffu) {
        std::fclose(f);
        return nullptr;
    }
    const std::uint32_t bytes = std::uint32_t(size);
    void* buffer = QzMemAllocLocked(bytes + extra, alignment);
    if (!buffer) {
        std::fclose(f);
        return nullptr;
    }
    std::memset(buffer, 0, std::size_t(bytes) + extra);
    const std::size_t got = bytes ? std::fread(buffer, 1, bytes, f) : 0;
    const bool complete = got == bytes && !std::ferror(f);
    std::fclose(f);
    if (!complete) {
        QzMemFree(buffer);
        return nullptr;
    }
    *outSize = bytes;
    *outStatus = kStatusOk;
    return buffer;
}

}  // namespace

QZW::Win::CQzFileManager* QzGetFileManager() {
    return g_currentFileManager.load();
}

namespace QZW::Win {

// [SECTION] Loader thread
CQzFileManagerThread::CQzFileManagerThread(CQzFileManager* manager)
    : CQzThread(""), fileManager(manager) {}

CQzFileManagerThread::~CQzFileManagerThread() {
    StopAndJoin();
}

void CQzFileManagerThread::Run() {
    fileManager->ThreadStep();
}

// [SECTION] Lifecycle
CQzFileManager::CQzFileManager(std::string root) : rootFolder(std::move(root)) {
    g_currentFileManager.store(this);
    loaderThread = new CQzFileManagerThread(this);
    loaderThread->Start();
}

CQzFileManager::~CQzFileManager() {
    Finalize();
    CQzFileManager* self = this;
    g_currentFileManager.compare_exchange_strong(self, nullptr);
}

void CQzFileManager::Finalize() {
    delete loaderThread;
    loaderThread = nullptr;
}

bool CQzFileManager::IsLoaderRunning() {
    return loaderThread && loaderThread->IsRunning();
}

void CQzFileManager::ResetRequestIdsForTests() {
    g_nextRequestId.store(1);
}

std::string CQzFileManager::MakePath(const std::string& relative) const {
    std::string full = rootFolder + "/" + relative;
    for (char& c : full) {
        if (c == '\\') {
            c = '/';
        }
    }
    return full;
}

bool CQzFileManager::MoveAside(const std::string& path, const char* suffix, std::string* outName) {
    const std::string full = MakePath(path);
    std::string moved;
    if (!platform::file::move_aside(full, suffix, &moved)) {
        return false;
    }
    *outName = path + moved.substr(full.size());
    return true;
}

// [SECTION] Synchronous operations
void* CQzFileManager::ReadFile(const std::string& path, std::uint32_t* outSize,
                               std::uint32_t alignment) {
    std::uint32_t size = 0;
    std::int32_t status = 0;
    void* buffer = ReadAll(MakePath(path), 0, alignment, &size, &status);
    if (outSize) {
        *outSize = size;
    }
    return buffer;
}

void* CQzFileManager::ReadFileAligned8(const std::string& path) {
    return ReadFile(path, nullptr, 8);
}

void* CQzFileManager::ReadWholeFile(const std::string& path, std::uint32_t* outSize,
                                    std::uint32_t alignment, std::int32_t* outStatus) {
    std::uint32_t size = 0;
    std::int32_t status = 0;
    // Eight zero bytes after the content let text files be used as C strings.
    void* buffer = ReadAll(MakePath(path), 8, alignment, &size, &status);
    if (outSize) {
        *outSize = size;
    }
    if (outStatus) {
        *outStatus = status;
    }
    return buffer;
}

void* CQzFileManager::LoadFile(const std::string& path, std::uint32_t* outSize,
                               std::uint32_t alignment) {
    return ReadWholeFile(path, outSize, alignment, nullptr);
}

void* CQzFileManager::LoadFileAligned8(const std::string& path) {
    return ReadWholeFile(path, nullptr, 8, nullptr);
}

std::uint32_t CQzFileManager::ReadFileTo(const std::string& path, void* buffer,
                                         std::uint32_t capacity) {
    int err = 0;
    std::FILE* f = OpenForRead(MakePath(path), &err);
    if (!f) {
        return 0;
    }
    const long size = SizeOf(f);
    std::uint32_t result = 0;
    if (size >= 0 && std::uint64_t(size) <= capacity && buffer) {
        const std::size_t got = size ? std::fread(buffer, 1, std::size_t(size), f) : 0;
        if (got == std::size_t(size) && !std::ferror(f)) {
            result = std::uint32_t(size);
        }
    }
    std::fclose(f);
    return result;
}

bool CQzFileManager::WriteFile(const std::string& path, const void* data, std::uint32_t size,
                               std::int32_t* outError) {
    // The bytes go to a temporary file beside the target, which replaces the
    // target only once it is complete and on disk: a failed write or a power
    // cut never leaves a cut-off file where the old one was.
    const std::filesystem::path full(MakePath(path));
    std::error_code ec;
    if (full.has_parent_path()) {
        std::filesystem::create_directories(full.parent_path(), ec);
    }
    const bool ok = platform::file::replace_contents(full.string(), data, size);
    if (!ok) {
        std::printf("Failed File %s Create.\n", path.c_str());
        std::fflush(stdout);
    }
    if (outError) {
        *outError = ok ? kStatusOk : kStatusError;
    }
    return ok;
}

std::int32_t CQzFileManager::GetFileSize(const std::string& path) {
    int err = 0;
    std::FILE* f = OpenForRead(MakePath(path), &err);
    if (!f) {
        std::printf("Failed File %s Open.\n", path.c_str());
        std::fflush(stdout);
        return -1;
    }
    const long size = SizeOf(f);
    std::fclose(f);
    return size >= 0 && size <= 0x7fffffffL ? std::int32_t(size) : -1;
}

bool CQzFileManager::ExistsFile(const std::string& path) {
    int err = 0;
    std::FILE* f = OpenForRead(MakePath(path), &err);
    if (!f) {
        return false;
    }
    std::fclose(f);
    return true;
}

void CQzFileManager::FreeBuffer(void* buffer) {
    QzMemFree(buffer);
}

// [SECTION] Requests (game thread)
QzFileRequest& CQzFileManager::Append(const std::string& path, std::int32_t state) {
    QzFileRequest& r = requests.emplace_back();
    r.path = path;
    r.state.store(state, std::memory_order_relaxed);
    return r;
}

std::uint32_t CQzFileManager::LoadFileAsync(const std::string& path, std::uint32_t alignment,
                                            QzFileRequestCallback callback,
                                            std::uintptr_t userData) {
    QzFileRequest& r = Append(path, kStateReadRequested);
    r.id = g_nextRequestId.fetch_add(1);
    r.alignment = alignment;
    r.callback = callback;
    r.userData = userData;
    return r.id;
}

std::uint32_t CQzFileManager::SaveData(const void* data, std::uintptr_t userData,
                                       QzFileRequestCallback callback) {
    return SaveFileAsync(kSavePath, data, kSaveSize, callback, userData);
}

std::uint32_t CQzFileManager::SaveFileAsync(const std::string& path, const void* data,
                                            std::uint32_t size, QzFileRequestCallback callback,
                                            std::uintptr_t userData) {
    // Served like every other write, so that it finishes and lets the list
    // empty again.
    QzFileRequest& r = Append(path, kStateWriteRequested);
    r.id = g_nextRequestId.fetch_add(1);
    r.data = const_cast<void*>(data);
    r.size = size;
    r.callback = callback;
    r.userData = userData;
    return r.id;
}

std::int32_t CQzFileManager::AddRequest(const std::string& path) {
    Append(path, kStateIdle);
    return std::int32_t(requests.size()) - 1;
}

void CQzFileManager::Update() {
    CQzScopedLock hold(&lock);
    // A callback may append requests; the list's iterators stay valid and the
    // new ones are seen in this same walk.
    for (QzFileRequest& r : requests) {
        const std::int32_t state = r.state.load(std::memory_order_acquire);
        if (state != kStateIdle && state != kStateFinished) {
            ProcessRequest(r);
        }
    }
}

void CQzFileManager::ProcessRequest(QzFileRequest& r) {
    switch (r.state.load(std::memory_order_acquire)) {
        case kStateReadRequested:
        case kStateWriteRequested: {
            const bool read = r.state.load(std::memory_order_relaxed) == kStateReadRequested;
            r.state.store(read ? kStateReadQueued : kStateWriteQueued, std::memory_order_release);
            threadQueue.push_back(&r);
            if (loaderThread) {
                loaderThread->Wake();
            }
            break;
        }
        case kStateReadDone:
            if (r.callback) {
                QzFileRequestResult result;
                result.status = r.status;
                result.path = r.path;
                result.data = r.data;
                result.size = r.size;
                result.userData = r.userData;
                result.request = &r;
                r.callback(&result);
                // A callback that released the buffer clears the result's
                // pointer; the request must not hand the freed one out later.
                r.data = result.data;
            }
            r.state.store(kStateFinished, std::memory_order_release);
            break;
        case kStateWriteDone:
            if (r.callback) {
                // The user data tells the requester which of its writes this
                // was, so a lost one can never be mistaken for a later one.
                QzFileRequestResult result;
                result.status = r.status;
                result.userData = r.userData;
                result.request = &r;
                r.callback(&result);
            }
            r.state.store(kStateFinished, std::memory_order_release);
            break;
        default:
            break;
    }
}

void CQzFileManager::ClearRequests() {
    for (const QzFileRequest& r : requests) {
        const std::int32_t state = r.state.load(std::memory_order_acquire);
        if (state != kStateIdle && state != kStateFinished) {
            return;
        }
    }
    requests.clear();
}

bool CQzFileManager::IsIdle() {
    ClearRequests();
    return requests.empty();
}

void CQzFileManager::UpdateUntilIdle(std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        if (IsIdle()) {
            break;
        }
        Update();
    }
}

std::int32_t CQzFileManager::GetRequestCount() {
    return std::int32_t(requests.size());
}

QzFileRequest* CQzFileManager::Find(std::uint32_t id) {
    for (QzFileRequest& r : requests) {
        if (r.id == id) {
            return &r;
        }
    }
    return nullptr;
}

bool CQzFileManager::IsRequestFinished(std::uint32_t id) {
    const QzFileRequest* r = Find(id);
    return r && r->state.load(std::memory_order_acquire) == kStateFinished;
}

void* CQzFileManager::GetRequestData(std::uint32_t id) {
    // While the loader reads (state 8) the fields are its own.
    const QzFileRequest* r = Find(id);
    return r && r->state.load(std::memory_order_acquire) != kStateReadQueued ? r->data : nullptr;
}

std::uint32_t CQzFileManager::GetRequestSize(std::uint32_t id) {
    const QzFileRequest* r = Find(id);
    return r && r->state.load(std::memory_order_acquire) != kStateReadQueued ? r->size : 0;
}

void CQzFileManager::GetRequestPath(std::string& out, std::uint32_t id) {
    const QzFileRequest* r = Find(id);
    out = r ? r->path : std::string();
}

// [SECTION] Loader thread step
void CQzFileManager::ThreadStep() {
    QzFileRequest* r = nullptr;
    {
        CQzScopedLock hold(&lock);
        if (threadQueue.empty()) {
            loaderThread->SetSleep(100);
            return;
        }
        r = threadQueue.front();
    }
    // Outside the lock: the game thread does not touch a queued request's
    // fields until the release store of the next state.
    const std::int32_t state = r->state.load(std::memory_order_acquire);
    if (state == kStateReadQueued) {
        std::uint32_t size = 0;
        std::int32_t status = kStatusError;
        void* data = ReadWholeFile(r->path, &size, r->alignment, &status);
        r->data = data;
        r->size = size;
        r->status = status;
        r->state.store(kStateReadDone, std::memory_order_release);
    } else if (state == kStateWriteQueued) {
        std::int32_t error = kStatusError;
        WriteFile(r->path, r->data, r->size, &error);
        r->status = error;
        r->state.store(kStateWriteDone, std::memory_order_release);
    }
    CQzScopedLock hold(&lock);
    threadQueue.pop_front();
}

}  // namespace QZW::Win
