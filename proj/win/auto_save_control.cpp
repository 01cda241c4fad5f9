// Auto-save requests and their completions.
#include "proj/win/auto_save_control.h"

#include <set>

#include "qzware/win/qz_file_manager.h"

namespace Sample::Win {

namespace {

const char kSavePath[] = "SAVEDATA/SAVE00.BIN";

std::set<CAutoSaveControl*>& LiveControls() {
    static std::set<CAutoSaveControl*> live;
    return live;
}

// A write completion carries only its status, and the loader serves writes in
// submission order: the oldest pending save is the one that completed.
std::list<void*>& SaveOrder() {
    static std::list<void*> order;
    return order;
}

}  // namespace

CAutoSaveControl::CAutoSaveControl() {
    LiveControls().insert(this);
    SaveData::onDestroy = &ForgetTarget;
}

CAutoSaveControl::~CAutoSaveControl() {
    LiveControls().erase(this);
}

void CAutoSaveControl::ForgetTarget(const SaveData* record) {
    for (CAutoSaveControl* c : LiveControls()) {
        for (Pending& p : c->pending) {
            if (p.target == record) {
                p.target = nullptr;
            }
        }
        if (c->target == record) {
            c->target = nullptr;
        }
    }
}

CAutoSaveControl::Pending& CAutoSaveControl::NewPending() {
    pending.emplace_back();
    pending.back().owner = this;
    return pending.back();
}

void CAutoSaveControl::Finish(Pending* p) {
    pending.remove_if([p](const Pending& q) { return &q == p; });
    if (pending.empty()) {
        target = nullptr;
    }
}

void CAutoSaveControl::StartSave(const SaveData* record) {
    lastError = 0;
    QZW::Win::CQzFileManager* fm = ::QzGetFileManager();
    if (!record || !fm) {
        lastError = 6;
        return;
    }
    Pending& p = NewPending();
    p.bytes = record->Serialize();
    SaveOrder().push_back(&p);
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
    if (!pending.empty()) {
        return false;
    }
    requestId = 0;
    return true;
}

void CAutoSaveControl::OnLoadComplete(QzFileRequestResult* result) {
    auto* p = reinterpret_cast<Pending*>(result->userData);
    CAutoSaveControl* self = p->owner;
    if (result->status == 0) {
        // Only the record's 304 bytes are taken; a shorter file is an error
        // and leaves the record as it was.
        if (!result->data || result->size < SaveData::kSize) {
            self->lastError = 6;
        } else if (p->target) {
            p->target->Parse(static_cast<const std::uint8_t*>(result->data), result->size);
        }
    } else {
        self->lastError = result->status == 2 ? 1 : 6;
    }
    if (result->data) {
        if (QZW::Win::CQzFileManager* fm = ::QzGetFileManager()) {
            fm->FreeBuffer(result->data);
        }
        result->data = nullptr;
    }
    self->Finish(p);
}

void CAutoSaveControl::OnSaveComplete(QzFileRequestResult* result) {
    if (SaveOrder().empty()) {
        return;
    }
    auto* p = static_cast<Pending*>(SaveOrder().front());
    SaveOrder().pop_front();
    CAutoSaveControl* self = p->owner;
    if (result->status != 0) {
        self->lastError = 6;
    }
    self->Finish(p);
}

}  // namespace Sample::Win
