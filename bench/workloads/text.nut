// 2,000 glyphs of bitmap-font text a frame: four text nodes of ten lines of
// fifty characters (a layout takes at most 1023 UTF-16 units a call).
local line = "";
for (local c = 0; c < 50; c++) {
    line += ('A' + c % 26).tochar();
}
local block = line;
for (local l = 1; l < 10; l++) {
    block += "\\r\\n" + line;
}
::gTexts <- [];
for (local t = 0; t < 4; t++) {
    local text = CSqFont();
    text.LoadFont("font/velmofont.fnt");
    text.SetText(block);
    text.SetPos(20 + (t % 2) * 640, 60 + (t / 2) * 340, 0);
    text.SetScale(0.5, 0.5, 1);
    gTexts.append(text);
}

function SQUpdate() {
    foreach (text in gTexts) {
        text.Draw(3);
    }
}
