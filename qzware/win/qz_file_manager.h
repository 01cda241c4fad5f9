// The file manager: whole-file reads and writes under the data folder
// ("USRDIR"), and asynchronous requests served one at a time by a loader
// thread, whose completions run on the game thread inside Update. Deps: the
// engine allocator (buffers), CQzThread, CQzLockCriticalSection, stdio.
// Lock order: "CriticalSection" (this) before "MemManLocker".
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <string>

#include "qzware/scene/iqz_game_manager.h"
#include "qzware/win/qz_lock_critical_section.h"
#include "qzware/win/qz_thread.h"

struct QzFileRequest;

// What a completion callback receives (game thread). For a write only
// `status`, `userData` and `request` are filled. A read's callback that
// releases `data` sets it to null, and the request then holds null too.
struct QzFileRequestResult {
    std::int32_t status = 0;
    std::string path;
    void* data = nullptr;
    std::uint32_t size = 0;
    std::uintptr_t userData = 0;
    QzFileRequest* request = nullptr;
};

using QzFileRequestCallback = void (*)(QzFileRequestResult* result);

// One asynchronous request. `state` is published by the loader with a
// release store after `data`, `size` and `status` are written; the game
// thread reads those only after an acquire load shows 13 or 17.
struct QzFileRequest {
    std::int32_t status = 0;  // 0 success, 1 error, 2 file not found
    std::uint32_t id = 0;
    std::string path;
    void* data = nullptr;
    std::uint32_t size = 0;
    std::atomic<std::int32_t> state{0};
    std::uint32_t alignment = 0;
    QzFileRequestCallback callback = nullptr;
    std::uintptr_t userData = 0;
};

namespace QZW::Win {

class CQzFileManager;

// The loader thread: its Run is one ThreadStep of its file manager.
class CQzFileManagerThread : public CQzThread {
public:
    explicit CQzFileManagerThread(CQzFileManager* manager);
    ~CQzFileManagerThread() override;
    void Run() override;

    CQzFileManager* fileManager;
};

class CQzFileManager : public CQzManagerBase {
public:
    // Request states.
    enum : std::int32_t {
        kStateIdle = 0,
        kStateReadRequested = 6,
        kStateReadQueued = 8,
        kStateReadDone = 13,
        kStateWriteRequested = 14,
        kStateWriteQueued = 15,
        kStateWriteDone = 17,
        kStateFinished = 25,
    };
    static constexpr const char* kSavePath = "SAVEDATA/SAVE00.BIN";
    static constexpr std::uint32_t kSaveSize = 304;

    // `root` is the data folder, relative to the working folder or absolute.
    explicit CQzFileManager(std::string root = "USRDIR");
    ~CQzFileManager() override;
    CQzFileManager(const CQzFileManager&) = delete;
    CQzFileManager& operator=(const CQzFileManager&) = delete;

    virtual void Finalize();
    virtual void Update();
    virtual std::int32_t AddRequest(const std::string& path);
    virtual void ClearRequests();
    virtual std::int32_t GetRequestCount();
    virtual bool IsRequestFinished(std::uint32_t id);
    virtual bool IsIdle();
    virtual void* GetRequestData(std::uint32_t id);
    virtual std::uint32_t GetRequestSize(std::uint32_t id);
    virtual void GetRequestPath(std::string& out, std::uint32_t id);
    virtual void* ReadFile(const std::string& path, std::uint32_t* outSize,
                           std::uint32_t alignment);
    virtual void* ReadFileAligned8(const std::string& path);
    virtual void* LoadFile(const std::string& path, std::uint32_t* outSize,
                           std::uint32_t alignment);
    virtual void* LoadFileAligned8(const std::string& path);
    virtual std::uint32_t ReadFileTo(const std::string& path, void* buffer, std::uint32_t capacity);
    virtual bool WriteFile(const std::string& path, const void* data, std::uint32_t size,
                           std::int32_t* outError);
    virtual std::int32_t GetFileSize(const std::string& path);
    virtual std::uint32_t LoadFileAsync(const std::string& path, std::uint32_t alignment,
                                        QzFileRequestCallback callback, std::uintptr_t userData);
    virtual std::uint32_t SaveFileAsync(const std::string& path, const void* data,
                                        std::uint32_t size, QzFileRequestCallback callback,
                                        std::uintptr_t userData);
    virtual void UpdateUntilIdle(std::int32_t count);
    virtual bool ExistsFile(const std::string& path);
    virtual void FreeBuffer(void* buffer);

    // The auto-save's write of the 304-byte save record.
    std::uint32_t SaveData(const void* data, std::uintptr_t userData,
                           QzFileRequestCallback callback);
    // Content followed by 8 zero bytes; status 0, 1 (error) or 2 (not found).
    void* ReadWholeFile(const std::string& path, std::uint32_t* outSize, std::uint32_t alignment,
                        std::int32_t* outStatus);
    std::string MakePath(const std::string& relative) const;
    // Renames a file under the data folder to the first free
    // "<path>.<suffix><n>", replacing nothing; *outName is the new relative
    // path. False when there is nothing to move or it cannot be moved.
    bool MoveAside(const std::string& path, const char* suffix, std::string* outName);
    // One unit of the loader thread's work.
    void ThreadStep();
    // False when the loader thread is gone or never started: a caller that
    // pumps Update waiting for a request should then give up.
    bool IsLoaderRunning();
    // Restarts request ids at 1 (tests).
    static void ResetRequestIdsForTests();

    std::list<QzFileRequest> requests;
    std::list<QzFileRequest*> threadQueue;
    CQzFileManagerThread* loaderThread = nullptr;
    CQzLockCriticalSection lock{"CriticalSection"};

private:
    void ProcessRequest(QzFileRequest& request);
    QzFileRequest& Append(const std::string& path, std::int32_t state);
    QzFileRequest* Find(std::uint32_t id);

    std::string rootFolder;
};

}  // namespace QZW::Win

// The current file manager (the last one built and not yet destroyed).
QZW::Win::CQzFileManager* QzGetFileManager();
