// Auto-save requests and their completions.
#include "proj/win/auto_save_control.h"

#include <cstdio>
#include <set>
#include <string>

#include "qzware/win/qz_file_manager.h"

namespace Sample::Win {

namespace {

const char kSavePath[] = "SAVEDATA/SAVE00.BIN";

std::set<CAutoSaveControl*>& LiveControls() {
    static std::set<CAutoSaveControl*> live;
    return live;
}

bool IsUsableRecord(const void* data, std::uint32_t size) {
    if (data == nullptr || size < SaveData::kSize) {
        return false;
    }
    SaveData record;
    record.Parse(static_cast<const std::uint8_t*>(data), size);
    return record.checksum == SaveData::CalcChecksum(record);
}

void KeepSaveAside(QZW::Win::CQzFileManager& files) {
    std::string kept;
    if (files.MoveAside(kSavePath, "unreadable", &kept)) {
        std::printf("Kept unreadable save %s as %s.\n", kSavePath, kept.c_str());
        std::fflush(stdout);
    }
}

}  // namespace

CAutoSaveControl::CAutoSaveControl() {
    // The process-wide lists are built before the first control, so at exit
    // they are destroyed after it and its destructor still finds them.
    AllPending();
    LiveControls().insert(this);
    SaveData::onDestroy = &ForgetTarget;
}

// The file manager still holds the requests' user data: they are orphaned,
// not freed, and their completions then touch no control.
CAutoSaveControl::~CAutoSaveControl() {
    LiveControls().erase(this);
    for (Pending& p : AllPending()) {
        if (p.owner == this) {
            p.owner = nullptr;
        }
    }
}

std::list<CAutoSaveControl::Pending>& CAutoSaveControl::AllPending() {
    static std::list<Pending> all;
    return all;
}

void CAutoSaveControl::ForgetTarget(const SaveData* record) {
    for (Pending& p : AllPending()) {
        if (p.target == record) {
            p.target = nullptr;
        }
    }
    for (CAutoSaveControl* c : LiveControls()) {
        if (c->target == record) {
            c->target = nullptr;
        }
    }
}

CAutoSaveControl::Pending& CAutoSaveControl::NewPending() {
    AllPending().emplace_back();
    AllPending().back().owner = this;
    return AllPending().back();
}

void CAutoSaveControl::Finish(Pending* p) {
    CAutoSaveControl* owner = p->owner;
    AllPending().remove_if([p](const Pending& q) { return &q == p; });
    if (owner && !owner->HasPending()) {
        owner->target = nullptr;
    }
}

bool CAutoSaveControl::HasPending() const {
    for (const Pending& p : AllPending()) {
        if (p.owner == this) {
            return true;
        }
    }
    return false;
}

void CAutoSaveControl::StartSave(const SaveData* record) {
    lastError = 0;
    QZW::Win::CQzFileManager* fm = ::QzGetFileManager();
    if (!record || !fm) {
        lastError = 6;
        return;
    }
    if (saveOnDiskUnusable) {
        saveOnDiskUnusable = false;
        KeepSaveAside(*fm);
    }
    Pending& p = NewPending();
    p.bytes = record->Serialize();
    p.id = fm->SaveData(p.bytes.data(), reinterpret_cast<std::uintptr_t>(&p), &OnSaveComplete);
    requestId = p.id;
}

void CAutoSaveControl::StartLoad(SaveData* record) {
    lastError = 0;
    QZW::Win::CQzFileManager* fm = ::QzGetFileManager();
    if (!record || !fm) {
        lastError = 6;
        return;
    }
    Pending& p = NewPending();
    p.target = record;
    target = record;
    p.id = fm->LoadFileAsync(kSavePath, 0, &OnLoadComplete, reinterpret_cast<std::uintptr_t>(&p));
    requestId = p.id;
}

bool CAutoSaveControl::IsComplete() {
    if (HasPending()) {
        return false;
    }
    requestId = 0;
    return true;
}

void CAutoSaveControl::OnLoadComplete(QzFileRequestResult* result) {
    auto* p = reinterpret_cast<Pending*>(result->userData);
    CAutoSaveControl* self = p->owner;
    std::int32_t error = 0;
    if (result->status == 0) {
        // Only the record's 304 bytes are taken; a shorter file is an error
        // and leaves the record as it was.
        if (!result->data || result->size < SaveData::kSize) {
            error = 6;
        } else if (p->target) {
            p->target->Parse(static_cast<const std::uint8_t*>(result->data), result->size);
        }
    } else {
        error = result->status == 2 ? 1 : 6;
    }
    if (self) {
        self->saveOnDiskUnusable =
            result->status != 2 &&
            (result->status != 0 || !IsUsableRecord(result->data, result->size));
    }
    if (self && error != 0) {
        self->lastError = error;
    }
    if (result->data) {
        if (QZW::Win::CQzFileManager* fm = ::QzGetFileManager()) {
            fm->FreeBuffer(result->data);
        }
        result->data = nullptr;
    }
    Finish(p);
}

// The completion names its own request, so a write that never completes
// (its file manager gone) leaves only its own control waiting.
void CAutoSaveControl::OnSaveComplete(QzFileRequestResult* result) {
    auto* p = reinterpret_cast<Pending*>(result->userData);
    if (p == nullptr) {
        return;
    }
    if (p->owner && result->status != 0) {
        p->owner->lastError = 6;
    }
    Finish(p);
}

}  // namespace Sample::Win
