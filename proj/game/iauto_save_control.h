// The auto-save service the scripts reach through the game control: starts
// an asynchronous load or write of the save record and reports completion
// and the last error (0 none, 1 no save file, 6 read or write failed).
#pragma once

#include <cstdint>

namespace Sample {

struct SaveData;

class IAutoSaveControl {
public:
    virtual ~IAutoSaveControl() = default;
    virtual void Reserved() = 0;
    virtual void StartSave(const SaveData* record) = 0;
    virtual void StartLoad(SaveData* record) = 0;
    virtual void CreateData(const SaveData* record) = 0;
    virtual void DeleteData() = 0;
    virtual bool IsComplete() = 0;
    virtual bool IsError() = 0;
    virtual void ClearLastError() = 0;
    virtual std::int32_t GetLastError() = 0;
    virtual std::int32_t GetNeedSize() = 0;
    virtual std::int32_t GetSaveDataSizeKB() = 0;
};

}  // namespace Sample
