// QZW::CQzPrimitive and QZW::CQzPrimLineList.
#include "qzware/scene/qz_primitive.h"

#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/iqz_vertex_buffer.h"
#include "qzware/scene/qz_material.h"

namespace QZW {

namespace {

const float* Floats(const std::vector<Vector3>& v) {
    return reinterpret_cast<const float*>(v.data());
}

const std::uint8_t* Bytes(const std::vector<Color>& v) {
    return reinterpret_cast<const std::uint8_t*>(v.data());
}

}  // namespace

// [SECTION] CQzPrimitive

CQzPrimitive::CQzPrimitive() = default;

CQzPrimitive::~CQzPrimitive() {
    delete vertexBuffer;
}

void CQzPrimitive::PreDraw(IQzGraphics*) {}
void CQzPrimitive::PostDraw(IQzGraphics*) {}

void CQzPrimitive::Draw(IQzGraphics* g) {
    if (sharedBuffer != nullptr) {
        DrawRange(g, sharedBuffer, firstVertex);
    } else {
        DrawAll(g);
    }
}

void CQzPrimitive::DropVertexBuffer() {
    delete vertexBuffer;
    vertexBuffer = nullptr;
}

void CQzPrimitive::Clear() {
    sourcePoints.clear();
    sourceColours.clear();
    built = 0;
    DropVertexBuffer();
}

void CQzPrimitive::AppendSource(const Vector3& point, const Color& colour) {
    sourcePoints.push_back(point);
    sourceColours.push_back(colour);
    built = 0;
    // The kept buffer describes the old source; drawing it for the new one
    // would read past its end.
    DropVertexBuffer();
}

void CQzPrimitive::Build() {}

void CQzPrimitive::PrepareDraw(IQzGraphics* g) {
    if (material != nullptr) {
        material->Apply(g);
    }
    if (built == 0) {
        Build();
    }
    g->SetTexture(nullptr, 0);
}

void CQzPrimitive::DrawRange(IQzGraphics* g, IQzVertexBuffer*, std::uint32_t) {
    DrawAll(g);
}

void CQzPrimitive::DrawAll(IQzGraphics* g) {
    PrepareDraw(g);
}

IQzVertexBuffer* CQzPrimitive::CreateVertexBuffer(IQzGraphics* g) {
    if (built == 0) {
        Build();
    }
    DropVertexBuffer();
    if (builtPositions.empty()) {
        return nullptr;
    }
    vertexBuffer = g->CreateVertexBuffer(int(builtPositions.size()), Floats(builtPositions),
                                         Bytes(builtColours), nullptr, nullptr);
    return vertexBuffer;
}

void CQzPrimitive::CopyTo(CQzPrimitive* target) const {
    for (std::size_t i = 0; i < sourcePoints.size(); ++i) {
        target->AppendSource(sourcePoints[i], sourceColours[i]);
    }
    target->built = 0;
    target->sharedBuffer = sharedBuffer;
    target->firstVertex = firstVertex;
    target->Build();
}

CQzPrimitive* CQzPrimitive::Clone() {
    CQzPrimitive* copy = new CQzPrimitive();
    CopyTo(copy);
    return copy;
}

// [SECTION] CQzPrimLineList

CQzPrimLineList::CQzPrimLineList() = default;
CQzPrimLineList::~CQzPrimLineList() = default;

std::int32_t CQzPrimLineList::AppendLine(const Vector3& a, const Vector3& b, std::uint32_t colour) {
    const Color c = Color::FromU32(colour);
    AppendSource(a, c);
    AppendSource(b, c);
    return std::int32_t(sourcePoints.size());
}

void CQzPrimLineList::Build() {
    builtPositions.clear();
    builtColours.clear();
    const std::size_t segments = sourcePoints.size() / 2;
    for (std::size_t i = 0; i < segments; ++i) {
        builtPositions.push_back(sourcePoints[2 * i]);
        builtPositions.push_back(sourcePoints[2 * i + 1]);
        builtColours.push_back(sourceColours[2 * i]);
        builtColours.push_back(sourceColours[2 * i + 1]);
    }
    built = 1;
}

void CQzPrimLineList::DrawAll(IQzGraphics* g) {
    PrepareDraw(g);
    if (builtPositions.empty()) {
        return;
    }
    const int count = int(builtPositions.size());
    if (vertexBuffer != nullptr && vertexBuffer->GetVertexCount() < count) {
        DropVertexBuffer();
    }
    if (vertexBuffer == nullptr) {
        g->DrawArrays(QZ_PRIM_LINES, count, Floats(builtPositions), Bytes(builtColours), nullptr,
                      nullptr);
    } else {
        g->DrawArraysVBFromStart(QZ_PRIM_LINES, count, vertexBuffer);
    }
}

void CQzPrimLineList::DrawRange(IQzGraphics* g, IQzVertexBuffer* buffer, std::uint32_t first) {
    PrepareDraw(g);
    if (builtPositions.empty()) {
        return;
    }
    const int count = int(builtPositions.size());
    // The owner's buffer must hold the whole range.
    if (buffer == nullptr || std::int64_t(first) + count > buffer->GetVertexCount()) {
        return;
    }
    g->DrawArraysVB(QZ_PRIM_LINES, count, int(first), buffer);
}

CQzPrimitive* CQzPrimLineList::Clone() {
    CQzPrimLineList* copy = new CQzPrimLineList();
    CopyTo(copy);
    return copy;
}

}  // namespace QZW
