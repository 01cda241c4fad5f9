// Loads damaged and missing data files as a game would and prints what the
// script sees of each; the program names every failure in the script log.
local model = CSqMeshModel();
print("load failures: model " + model.LoadBin("models/broken.bin", true, true) + "\n");
print("load failures: missing model " + model.LoadBin("models/none.bin", true, true) + "\n");
print("load failures: texture " + SQ_LoadTexture("images/broken.tga") + "\n");
print("load failures: dds " + SQ_LoadTexture("images/broken.dds") + "\n");
local text = CSqFont();
print("load failures: font " + text.LoadFont("font/broken.fnt") + "\n");
::gFrames <- 0;
function SQUpdate() {
    gFrames++;
    if (gFrames == 3) {
        print("load failures: done\n");
    }
}
