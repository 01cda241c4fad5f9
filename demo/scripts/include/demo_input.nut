// The demo's input: it reports what the pads and the keyboard look like once,
// then every press of a pad button or of the space key as it happens.
const kVkSpace = 0x20;

function ReportInputOnce() {
    DemoLog("input: players " + SQ_GetLocalPlayerCount() + ", pad 0 connected " +
            SQ_IsConnected(0) + ", keyboard " + SQ_IsKeyboard(0) + ", buttons " +
            SQ_GetPressButtonState(0));
}

function ReadInput(frame) {
    if (SQ_IsPressJustKey(kVkSpace)) {
        DemoLog("input: space pressed");
    }
    local pressed = SQ_GetPressJustButtonState(0);
    if (pressed != 0) {
        DemoLog("input: pad 0 pressed " + pressed);
    }
}
