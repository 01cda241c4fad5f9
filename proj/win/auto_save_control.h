// The auto-save control: loads and writes "SAVEDATA/SAVE00.BIN" through the
// file manager's asynchronous requests; completions run on the main thread.
// Each request keeps its own state: a save writes a copy of the record taken
// at the start, a load fills the record it was started with (a record
// destroyed before the completion is simply not written), and a second start
// while one is pending does not redirect the first. IsComplete reports true
// once every started request has completed. A control destroyed with
// requests in flight leaves them to finish on their own. A save file that
// exists but could not be used is renamed aside ("SAVE00.BIN.unreadable<n>",
// with a line on the standard output) before the next save replaces it.
#pragma once

#include <cstdint>
#include <list>

#include "proj/game/iauto_save_control.h"
#include "proj/game/save_data.h"

struct QzFileRequestResult;

namespace Sample::Win {

class CAutoSaveControl final : public IAutoSaveControl {
public:
    CAutoSaveControl();
    ~CAutoSaveControl() override;
    CAutoSaveControl(const CAutoSaveControl&) = delete;
    CAutoSaveControl& operator=(const CAutoSaveControl&) = delete;

    void Reserved() override {}
    void StartSave(const SaveData* record) override;
    void StartLoad(SaveData* record) override;
    void CreateData(const SaveData* record) override { StartSave(record); }
    void DeleteData() override {}
    bool IsComplete() override;
    bool IsError() override { return lastError != 0; }
    void ClearLastError() override { lastError = 0; }
    std::int32_t GetLastError() override { return lastError; }
    std::int32_t GetNeedSize() override { return 0; }
    std::int32_t GetSaveDataSizeKB() override { return 0; }

    static void OnLoadComplete(QzFileRequestResult* result);
    static void OnSaveComplete(QzFileRequestResult* result);

    // The latest request (0 when none is pending).
    std::uint32_t requestId = 0;
    // The record the latest load fills.
    SaveData* target = nullptr;
    // 0 none; 1 no save file (load); 6 the load or the write failed.
    std::int32_t lastError = 0;

private:
    // True when the last load found a save file that exists but could not be
    // used (unreadable, cut short or failing its checksum): the next save
    // first renames it aside, so it is never overwritten.
    bool saveOnDiskUnusable = false;

    struct Pending {
        CAutoSaveControl* owner = nullptr;
        std::uint32_t id = 0;
        SaveData* target = nullptr;  // loads
        SaveData::Bytes bytes{};     // saves: what the loader thread writes
    };
    Pending& NewPending();
    bool HasPending() const;
    static void Finish(Pending* p);
    static void ForgetTarget(const SaveData* record);
    // Every request in flight, of every control. Stable addresses: each is
    // the user data of its request, so it must outlive its control.
    static std::list<Pending>& AllPending();
};

}  // namespace Sample::Win
