// The demo's software keyboard: the N key opens the text-entry prompt; the
// demo polls it each frame and reports the text once the prompt has closed.
const kVkN = 0x4E;
::gKeyboardOpen <- false;

function StepKeyboard() {
    if (!gKeyboardOpen && SQ_IsPressJustKey(kVkN)) {
        SQ_BeginKeyboard();
        SQ_OpenKeyboardDialog("Your name", "", 16);
        gKeyboardOpen = true;
        DemoLog("keyboard: opened, state " + SQ_GetKeyboardDialogState());
        return;
    }
    if (gKeyboardOpen && SQ_GetKeyboardDialogState() == 2) {
        DemoLog("keyboard: closed, text '" + SQ_GetKeyboardDialogText() + "'");
        SQ_EndKeyboard();
        gKeyboardOpen = false;
    }
}
