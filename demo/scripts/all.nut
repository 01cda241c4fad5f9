// The demo's game loop. SQUpdate runs once per frame: it reports the frame
// count every gPrintEvery frames, on the first frames loads the save record,
// counts this start in it and writes it back, draws its scene, reads the pads
// and the keyboard, and keeps one screenshot of frame gShotFrame.
local again = SQ_Include("demo_util.nut");
DemoLog("all: include again gives " + again + ", include ran " + gIncludeRuns + " time(s)");
SQ_Include("demo_draw.nut");
SQ_Include("demo_input.nut");
SQ_Include("demo_keyboard.nut");
SQ_Include("demo_services.nut");
SQ_Include("demo_nodes.nut");

::gShotFrame <- 90;
::gShotFile <- "demo_screenshot.bmp";

::gSave <- SQ_SaveData();
::gSaveStep <- 0;

function StepSave() {
    switch (gSaveStep) {
    case 0:
        SQ_AutoSaveStartLoad(gSave);
        gSaveStep = 1;
        break;
    case 1:
        if (!SQ_AutoSaveIsComplete()) return;
        DemoLog("save load: error " + SQ_AutoSaveGetLastError() + ", valid " +
                SQ_CheckSaveDataValid(gSave) + ", starts " + gSave.GetArcadeWinTeam(0));
        local error = SQ_AutoSaveGetLastError();
        if (error != 0 || !SQ_CheckSaveDataValid(gSave)) {
            if (error != 1) {
                // The file is there but unusable: the engine renames it aside
                // before the next save, and this start begins a fresh record.
                DemoLog("save SAVEDATA/SAVE00.BIN could not be read: kept aside, starting anew");
                ::gSave = SQ_SaveData();
            }
            // First start: keep the 1280x720 window the program opened with.
            gSave.Resolution = 2;
        }
        gSave.SetArcadeWinTeam(0, gSave.GetArcadeWinTeam(0) + 1);
        SQ_AutoSaveStartSave(gSave);
        gSaveStep = 2;
        break;
    case 2:
        if (!SQ_AutoSaveIsComplete()) return;
        DemoLog("save write: error " + SQ_AutoSaveGetLastError());
        gSaveStep = 3;
        break;
    }
}

function SQUpdate() {
    ::gFrame++;
    StepSave();
    if (gFrame % gPrintEvery == 0) {
        DemoLog("SQUpdate frame " + gFrame);
    }
    DrawDemo(gFrame);
    DrawNodes(gFrame);
    if (gFrame == 1) {
        ReportInputOnce();
    }
    ReadInput(gFrame);
    StepKeyboard();
    StepServices();
    if (gFrame == gShotFrame) {
        // The window shows a frame drawn a little earlier: scripts draw in
        // one tick and the picture is composed and swapped in the next ones.
        SQ_ScreenShot(gShotFile, 1280, 720, 0, 0);
        DemoLog("screenshot " + gShotFile + " at frame " + gFrame);
    }
}
