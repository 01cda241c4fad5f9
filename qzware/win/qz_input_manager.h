// The engine's input manager: owned by the game manager, which initialises
// it at start and updates it first in every frame; it drives the pad reader.
// Main thread only.
#pragma once

#include "platform/win32/win32_types.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/win/qz_pad_reader.h"

namespace QZW::Win {

class CQzInputManager : public CQzManagerBase {
public:
    // Drives the process's pad reader unless a test hands in its own.
    explicit CQzInputManager(CQzPadReader* reader = CQzPadReader::GetInstance())
        : padReader(reader) {}

    // The window handed on to the pad reader's device manager.
    void SetWindow(platform::win32::HWND hwnd) { padReader->SetWindow(hwnd); }
    bool Initialize(IQzGameManager* manager);
    void Finalize() { padReader->Finalize(); }
    void Update() { padReader->Update(); }
    IQzPadReader* GetPadReader() { return padReader; }

private:
    CQzPadReader* padReader;
};

}  // namespace QZW::Win
