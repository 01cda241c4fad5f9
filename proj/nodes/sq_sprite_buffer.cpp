// Script sprite batch (see the header).
#include "proj/nodes/sq_sprite_buffer.h"

#include "proj/nodes/sq_font.h"
#include "proj/nodes/sq_sprite.h"
#include "qzware/common/qz_mem.h"
#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/qz_material.h"

namespace QZW {
namespace {

constexpr std::uint32_t kVerticesPerSprite = 6;
// The corners each sprite writes, in strip order (top-left, top-right,
// bottom-left, bottom-right), the first and last repeated so consecutive
// quads join through degenerate triangles.
constexpr int kCornerOrder[kVerticesPerSprite] = {0, 0, 1, 2, 3, 3};

}  // namespace

CSqSpriteBuffer::~CSqSpriteBuffer() {
    ReleaseBuffers();
}

bool CSqSpriteBuffer::Create(std::int32_t count) {
    if (count <= 0 || count > kMaxSprites) {
        return false;
    }
    ReleaseBuffers();
    const std::uint32_t vertices = std::uint32_t(count) * kVerticesPerSprite;
    positions = static_cast<Vector3*>(QzMemAllocLocked(vertices * sizeof(Vector3), 8));
    colours = static_cast<Color*>(QzMemAllocLocked(vertices * sizeof(Color), 8));
    texcoords = static_cast<Vector2*>(QzMemAllocLocked(vertices * sizeof(Vector2), 8));
    if (!positions || !colours || !texcoords) {
        ReleaseBuffers();
        return false;
    }
    spriteCapacity = std::uint32_t(count);
    vertexCapacity = vertices;
    return true;
}

void CSqSpriteBuffer::ReleaseBuffers() {
    if (positions) {
        QzMemFreeTyped(positions);
    }
    if (colours) {
        QzMemFreeTyped(colours);
    }
    if (texcoords) {
        QzMemFreeTyped(texcoords);
    }
    spriteCapacity = 0;
    vertexCapacity = 0;
}

void CSqSpriteBuffer::Draw(IQzGraphics* g) {
    if (visible) {
        UpdateMatrix();
    }
    g->PushMatrix();
    g->MultMatrix(matrix);
    written = 0;
    first = 0;
    currentMaterial = nullptr;
    g->GetWorldMatrix(savedWorld);
    g->ResetWorldMatrix();
    BuildBatch(this, Matrix(), g);
    Flush(g);
}

void CSqSpriteBuffer::Flush(IQzGraphics* g) {
    if (written == 0) {
        return;
    }
    if (currentMaterial) {
        currentMaterial->Apply(g);
        g->PushMatrix();
        g->SetWorldMatrix(savedWorld);
        g->DrawArrays(QZ_PRIM_TRIANGLE_STRIP, int(written), &positions[first].x, &colours[first].r,
                      &texcoords[first].x, nullptr);
        g->PopMatrix();
    }
    first += written;
    written = 0;
}

void CSqSpriteBuffer::BuildBatch(CSqNode* node, const Matrix& parentMatrix, IQzGraphics* g) {
    node->UpdateMatrix();
    Matrix w;
    MulMatrix(node->matrix, parentMatrix, w);
    switch (node->GetNodeType()) {
        case kSpriteNode:
            AddSprite(static_cast<CSqSprite*>(node), w, g);
            break;
        case kTextNode:
            AddText(static_cast<CSqFont*>(node), w, g);
            break;
        default:
            break;
    }
    g->PushMatrix();
    g->MultMatrix(node->matrix);
    // The count is read again each step, as the device walk does.
    for (std::size_t i = 0; i < node->children.size(); ++i) {
        if (auto* child = dynamic_cast<CSqNode*>(node->children[i])) {
            BuildBatch(child, w, g);
        }
    }
    g->PopMatrix();
}

void CSqSpriteBuffer::AddSprite(CSqSprite* s, const Matrix& w, IQzGraphics* g) {
    s->batched = 1;
    s->PushColour();
    if (!s->visible) {
        return;
    }
    CQzMaterial* m = s->material;
    if (m != currentMaterial && written > 0) {
        Flush(g);
    }
    if (std::uint64_t(first) + written + kVerticesPerSprite >= vertexCapacity) {
        return;
    }
    s->sprite->UpdateVertices();
    const Vector3* corners = s->sprite->GetPositions();
    const Color* cornerColours = s->sprite->GetColors();
    const Vector2* uvs = s->sprite->GetUVs();
    const std::uint32_t k = first + written;
    for (std::uint32_t i = 0; i < kVerticesPerSprite; ++i) {
        const int c = kCornerOrder[i];
        positions[k + i] = corners[c].Transform(w);
        colours[k + i] = cornerColours[c];
        texcoords[k + i] = uvs[c];
    }
    written += kVerticesPerSprite;
    if (m) {
        currentMaterial = m;
    }
}

void CSqSpriteBuffer::AddText(CSqFont* text, const Matrix& w, IQzGraphics* g) {
    text->batched = 1;
    CQzMaterial* m = text->PageMaterial();
    // A text with no loaded font or no page material has nothing to lay out.
    if (!text->visible || text->hidden || !m) {
        return;
    }
    m->frameBufferId = std::int32_t(text->targetFrameBufferId);
    if (m != currentMaterial && written > 0) {
        Flush(g);
    }
    currentMaterial = m;
    const std::uint32_t k = first + written;
    if (k >= vertexCapacity) {
        return;
    }
    std::int32_t n = 0;
    text->ApplyColor(positions + k, texcoords + k, &n, std::int32_t(vertexCapacity - k));
    const Color c(text->colour.r, text->colour.g, text->colour.b, text->AlphaByte());
    for (std::int32_t i = 0; i < n; ++i) {
        positions[k + std::uint32_t(i)] = positions[k + std::uint32_t(i)].Transform(w);
        colours[k + std::uint32_t(i)] = c;
    }
    written += std::uint32_t(n);
}

}  // namespace QZW
