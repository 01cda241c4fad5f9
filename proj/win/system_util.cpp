#include "proj/win/system_util.h"

#include "proj/win/text_entry_window.h"
#include "qzware/scene/resource_manager.h"
#include "qzware/win/qz_game_manager.h"
#include "qzware/win/qz_string_util.h"

namespace Sample::Win {

CSystemUtil& CSystemUtil::GetInstance() {
    static CSystemUtil instance;
    return instance;
}

CSystemUtil::CSystemUtil() = default;
CSystemUtil::~CSystemUtil() = default;

void CSystemUtil::EndKeyboard() {
    if (dialogWindow) {
        closedWindow = std::move(dialogWindow);
    }
    closedWindow.reset();
    state = 0;
}

void CSystemUtil::OpenKeyboardDialog(const std::string& title, const std::string& text,
                                     std::int32_t maxLength) {
    if (state == 1) {
        return;
    }
    closedWindow.reset();
    TextEntryGlobals& g = GetTextEntryGlobals();
    g.parentWindow = QZW::Win::GetGameManager().GetWindowHandle();
    g.title = QzUtf8ToUtf16(title);
    g.text = QzUtf8ToUtf16(text);
    g.maxLength = maxLength;
    if (QZW::CResourceManager* resources = QZW::CResourceManager::GetInstance()) {
        g.font = resources->GetFont("font/lumesa_gosiL30.fnt");
    }
    dialogWindow = std::make_unique<CTextEntryWindow>(this);
    dialogWindow->DialogProc(platform::win32::WM_INITDIALOG, 0, 0);
    state = 1;
    endState = 2;
}

std::string CSystemUtil::GetKeyboardDialogText() {
    return QzInputTextToUtf8(GetTextEntryGlobals().text);
}

void CSystemUtil::OnDialogClosed() {
    // The prompt is still inside its own message handler: keep it alive
    // until the next open or end.
    closedWindow = std::move(dialogWindow);
    state = 2;
}

}  // namespace Sample::Win
