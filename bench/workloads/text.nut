// 2,000 glyphs of debug text a frame: 25 lines of 80 characters, changing
// with the frame number so the text is laid out anew every frame.
::gWhite <- Color().Set(255, 255, 255, 255);
::gLine <- "";
for (local i = 0; i < 80; ++i) {
    gLine += ('A' + i % 26).tochar();
}

function SQUpdate() {
    ::gFrame++;
    local head = (gFrame % 10000).tostring();
    for (local row = 0; row < 25; ++row) {
        local text = head + gLine.slice(head.len());
        SQ_DebugPrint(16, 40 + row * 24, text, gWhite);
    }
}
