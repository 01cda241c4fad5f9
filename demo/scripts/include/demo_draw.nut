// What the demo draws every frame through the draw layers: a quad sliding
// across layer 1, a fixed green square, a blue box and a diagonal line on
// layer 2, a counter in damage-number digits following the quad, the
// caption in debug text, and the frame-rate overlay.
::gIdentity <- Matrix();
::gRed <- Color().Set(230, 40, 40, 255);
::gGreen <- Color().Set(40, 220, 60, 255);
::gBlue <- Color().Set(60, 90, 255, 255);
::gWhite <- Color();

function V3(x, y, z) {
    return Vector3().Set(x, y, z);
}

// A filled rectangle as two triangles.
function FillRect(x, y, w, h, colour, layer) {
    local a = V3(x, y, 0), b = V3(x + w, y, 0), c = V3(x + w, y + h, 0), d = V3(x, y + h, 0);
    SQ_AppendPrim(gIdentity, a, b, c, colour, colour, colour, layer, null);
    SQ_AppendPrim(gIdentity, a, c, d, colour, colour, colour, layer, null);
}

// The sliding quad's left edge in frame n.
function SlidingX(n) {
    return 100 + (n * 4) % 1000;
}

function DrawDemo(frame) {
    local x = SlidingX(frame);
    FillRect(x, 300, 80, 80, gRed, 1);
    FillRect(1000, 520, 120, 120, gGreen, 2);
    SQ_DrawBox(200, 100, 400, 120, gBlue, 2);
    SQ_AppendLine(gIdentity, V3(0, 719, 0), V3(1279, 0, 0), gBlue, 2);
    SQ_DmgPrint(x, 400, (frame % 1000).tostring(), gWhite);
    SQ_DebugPrint(16, 16, "Vornakle demo  frame " + frame, gWhite);
    SQ_DebugInfo(1, 0, 0);
}
