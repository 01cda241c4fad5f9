// The demo's sound: background music streamed from "Stream Wave Bank.xwb"
// from the first frame on, and a click from the in-memory bank on every press
// of the space key or of a pad button. Cues are found by the file names'
// last part ("se/se_click.wav" plays the cue "se_click").
const kSoundKeySpace = 0x20;

::gClickCue <- -1;

function UpdateDemoSound(frame) {
    if (frame == 1) {
        gClickCue = SQ_LoadWav("se/se_click.wav");
        SQ_SetVolumeBGM(1.0);
        SQ_PlayBGMFile("bgm/bgm_demo.wav", 0, 1.0);
        DemoLog("sound: click cue " + gClickCue + ", music playing " + SQ_IsEndBGM() +
                ", click idle " + SQ_IsEndSE(gClickCue));
    }
    if (SQ_IsPressJustKey(kSoundKeySpace) || SQ_GetPressJustButtonState(0) != 0) {
        SQ_PlaySE(gClickCue, 0, 1.0);
        DemoLog("sound: click played");
    }
}
