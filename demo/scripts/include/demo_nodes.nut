// The demo's node tree, built once and drawn every frame on layer 3: a
// sprite buffer batching textured sprites from the demo atlas (a row of its
// four tiles, a parent with a child that turns and fades) and a line of
// bitmap-font text, a text node drawing itself, and one atlas tile through
// SQ_AppendSprite2 with the same script material. The texts use a font with
// a single page: a batch (and a text mesh) draws with one page's material.
::gAtlas <- "images/demo_atlas.tga";
::gNodeLayer <- 3;

::gNodeMaterial <- CSqMaterial();
gNodeMaterial.SetName("demo_atlas");
gNodeMaterial.SetShaderType(1);
gNodeMaterial.SetTexture(0, gAtlas, false);

::gNodeBuffer <- CSqSpriteBuffer();
gNodeBuffer.Create(32);
gNodeBuffer.SetName("demo nodes");

// Tile i of the atlas at (x, y), shown twice its size.
function NewTileSprite(i, x, y) {
    local s = CSqSprite();
    s.Set(32, 32, (i % 2) * 32, (i / 2) * 32, gAtlas);
    s.SetMaterial(gNodeMaterial);
    s.SetPos(x, y, 0);
    s.SetScale(2, 2, 1);
    return s;
}

::gNodeTiles <- [];
for (local i = 0; i < 4; i++) {
    local s = NewTileSprite(i, 680 + i * 80, 440);
    gNodeTiles.append(s);
    gNodeBuffer.PushBack(s);
}

::gNodeParent <- CSqSprite();
gNodeParent.Set(64, 64, 0, 0, gAtlas);
gNodeParent.SetMaterial(gNodeMaterial);
gNodeParent.SetPos(80, 560, 0);
::gNodeChild <- NewTileSprite(3, 120, 0);
gNodeChild.SetScale(1, 1, 1);
gNodeChild.SetAlign(4);
gNodeParent.PushBack(gNodeChild);
gNodeBuffer.PushBack(gNodeParent);

::gNodeCaption <- CSqFont();
gNodeCaption.LoadFont("font/velmofont.fnt");
gNodeCaption.SetText("Nodes");
gNodeCaption.SetColor(255, 128, 192, 255);
gNodeCaption.SetPos(680, 560, 0);
gNodeBuffer.PushBack(gNodeCaption);

::gNodeTitle <- CSqFont();
gNodeTitle.LoadFont("font/velmofont.fnt");
gNodeTitle.SetText("Vornakle");
gNodeTitle.SetColor(250, 240, 40, 255);
gNodeTitle.SetPos(680, 660, 0);

::gNodeTileMatrix <- Matrix();
gNodeTileMatrix.TransrateMatrix(1040, 440, 0);

DemoLog("nodes: buffer " + gNodeBuffer.GetName() + ", caption width " +
        gNodeCaption.GetTextWidth() + ", tile width " + gNodeTiles[0].GetWidth());

function DrawNodes(frame) {
    gNodeChild.SetRotate(0, 0, (frame * 3) % 360);
    gNodeChild.SetAlpha(128 + 127 * (frame % 2), false);
    gNodeBuffer.Draw(gNodeLayer);
    gNodeTitle.Draw(gNodeLayer);
    SQ_AppendSprite2(gNodeTileMatrix, 64.0, 64.0, 0, 32, 32, 32, gWhite, gNodeMaterial, gNodeLayer);
}
