// The file and texture script functions that need only the file manager and
// the renderer: request and idle checks, waits, existence, whole-file writes
// and the renderer flush. The texture loads and releases belong with the
// engine draw task's texture list.
#include <cstdint>
#include <string>

#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/win/qz_file_manager.h"

namespace Sample {

namespace {

QZW::Win::CQzFileManager* Files() {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    return gm ? gm->GetFileManager() : nullptr;
}

bool SQ_IsCompleteLoadTextureAsync(std::int32_t request) {
    QZW::Win::CQzFileManager* fm = Files();
    return fm && fm->IsRequestFinished(static_cast<std::uint32_t>(request));
}

void SQ_Flush() {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    if (QZW::IQzGraphics* g = gm ? gm->GetGraphics() : nullptr) {
        g->Flush();
    }
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
    ScriptFn<&SQ_IsCompleteLoadTextureAsync>("SQ_IsCompleteLoadTextureAsync"),
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
