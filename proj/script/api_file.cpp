// The file and texture script functions: texture loads and releases through
// the engine draw task's texture list (answered by texture id, -1 for none),
// request and idle checks, waits, existence, whole-file writes and the
// renderer flush. Without a service each answers its "nothing" value.
#include <cstdint>
#include <string>

#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/win/qz_file_manager.h"

namespace Sample {

namespace {

QZW::Win::CQzFileManager* Files() {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    return gm ? gm->GetFileManager() : nullptr;
}

QZW::CQzDrawTask* DrawTask() {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    return gm ? gm->GetDrawTask() : nullptr;
}

constexpr std::int32_t kNoTexture = -1;

std::int32_t TextureId(QZW::IQzTexture* texture) {
    return texture ? static_cast<std::int32_t>(texture->GetTextureId()) : kNoTexture;
}

void SQ_Flush() {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    if (QZW::IQzGraphics* g = gm ? gm->GetGraphics() : nullptr) {
        g->Flush();
    }
}

std::int32_t SQ_LoadTexture(const char* name) {
    SQ_Flush();
    QZW::CQzDrawTask* task = DrawTask();
    return task && name ? TextureId(task->GetTexture(name, true)) : kNoTexture;
}

std::int32_t SQ_LoadTextureAsync(const char* name) {
    QZW::CQzDrawTask* task = DrawTask();
    return task && name ? task->LoadTextureAsync(name) : kNoTexture;
}

std::int32_t SQ_GetTextureFromRequestId(std::int32_t request) {
    QZW::CQzDrawTask* task = DrawTask();
    return task ? TextureId(task->GetTextureFromRequestId(request)) : kNoTexture;
}

// Only a texture the list holds is released: a name that failed to load
// stays remembered as failed. A texture that script materials, sprites or
// fonts still draw with leaves the list now and is freed with its last hold.
void SQ_ReleaseTexture(const char* name) {
    SQ_Flush();
    QZW::CQzDrawTask* task = DrawTask();
    if (QZW::IQzTexture* texture = task && name ? task->GetTexture(name, false) : nullptr) {
        task->ReleaseTexture(texture);
    }
}

bool SQ_IsCompleteLoadTextureAsync(std::int32_t request) {
    QZW::Win::CQzFileManager* fm = Files();
    return fm && fm->IsRequestFinished(static_cast<std::uint32_t>(request));
}

bool SQ_IsCompleteFileLoad() {
    QZW::Win::CQzFileManager* fm = Files();
    return !fm || fm->IsIdle();
}

void SQ_WaitFileLoad(std::int32_t count) {
    if (QZW::Win::CQzFileManager* fm = Files()) {
        fm->UpdateUntilIdle(count);
    }
}

void SQ_ClearFileRequest() {
    if (QZW::Win::CQzFileManager* fm = Files()) {
        fm->ClearRequests();
    }
}

bool SQ_ExistsFile(const char* name) {
    QZW::Win::CQzFileManager* fm = Files();
    return fm && name && fm->ExistsFile(name);
}

// The text's every byte, an embedded zero included.
bool SQ_SaveString(const char* file, const std::string& text) {
    QZW::Win::CQzFileManager* fm = Files();
    return fm && file &&
           fm->WriteFile(file, text.data(), static_cast<std::uint32_t>(text.size()), nullptr);
}

constexpr ScriptFunction kFileFunctions[] = {
    ScriptFn<&SQ_LoadTexture>("SQ_LoadTexture"),
    ScriptFn<&SQ_LoadTextureAsync>("SQ_LoadTextureAsync"),
    ScriptFn<&SQ_IsCompleteLoadTextureAsync>("SQ_IsCompleteLoadTextureAsync"),
    ScriptFn<&SQ_GetTextureFromRequestId>("SQ_GetTextureFromRequestId"),
    ScriptFn<&SQ_ReleaseTexture>("SQ_ReleaseTexture"),
    ScriptFn<&SQ_Flush>("SQ_Flush"),
    ScriptFn<&SQ_IsCompleteFileLoad>("SQ_IsCompleteFileLoad"),
    ScriptFn<&SQ_WaitFileLoad>("SQ_WaitFileLoad"),
    ScriptFn<&SQ_ClearFileRequest>("SQ_ClearFileRequest"),
    ScriptFn<&SQ_ExistsFile>("SQ_ExistsFile"),
    ScriptFn<&SQ_SaveString>("SQ_SaveString"),
};

}  // namespace

ScriptFunctionTable FileScriptFunctions() {
    return kFileFunctions;
}

}  // namespace Sample
