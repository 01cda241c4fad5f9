// The recording renderer: each operation records itself, then keeps the
// little state a scene reads back (matrices, sizes, colours, scales).
#include "tests/support/recording_graphics.h"

#include <cstdio>
#include <cstring>

namespace qz_test_support {

// [SECTION] Records

std::string GraphicsCall::Text() const {
    std::string text = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%s%g", i ? ", " : "", args[i]);
        text += buffer;
    }
    return text + ")";
}

RecordingGraphics::RecordingGraphics() {
    for (std::uint32_t& c : targetColors) {
        c = 0xFFFFFFFFu;
    }
}

GraphicsCall& RecordingGraphics::Record(const char* name, std::vector<double> args,
                                        std::vector<const void*> pointers) {
    GraphicsCall call;
    call.name = name;
    call.args = std::move(args);
    call.pointers = std::move(pointers);
    call.world = world;
    calls.push_back(std::move(call));
    return calls.back();
}

std::vector<std::string> RecordingGraphics::Texts() const {
    std::vector<std::string> out;
    for (const GraphicsCall& c : calls) {
        out.push_back(c.Text());
    }
    return out;
}

std::vector<std::string> RecordingGraphics::Texts(const std::string& name) const {
    std::vector<std::string> out;
    for (const GraphicsCall& c : calls) {
        if (c.name == name) {
            out.push_back(c.Text());
        }
    }
    return out;
}

std::vector<std::string> RecordingGraphics::Names() const {
    std::vector<std::string> out;
    for (const GraphicsCall& c : calls) {
        out.push_back(c.name);
    }
    return out;
}

std::size_t RecordingGraphics::Count(const std::string& name) const {
    std::size_t n = 0;
    for (const GraphicsCall& c : calls) {
        n += c.name == name ? 1 : 0;
    }
    return n;
}

// [SECTION] Frame and state

void RecordingGraphics::Initialize(int width, int height) {
    Record("Initialize", {double(width), double(height)});
    screenWidth = width;
    screenHeight = height;
}
void RecordingGraphics::Finalize() {
    Record("Finalize");
}
void RecordingGraphics::BeginFrame() {
    Record("BeginFrame");
    currentTarget = 0;
    world = QZW::Matrix();
}
void RecordingGraphics::EndFrame() {
    Record("EndFrame");
    currentTarget = -1;
}
void RecordingGraphics::Clear(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    Record("Clear", {double(r), double(g), double(b), double(a)});
}
void RecordingGraphics::ClearDefault() {
    Record("ClearDefault");
}
void RecordingGraphics::ClearFrameBuffer(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                         std::uint8_t a) {
    Record("ClearFrameBuffer", {double(index), double(r), double(g), double(b), double(a)});
}
void RecordingGraphics::Present() {
    Record("Present");
}
void RecordingGraphics::Flush() {
    Record("Flush");
}
void RecordingGraphics::SetOrthoProjection() {
    Record("SetOrthoProjection");
    world = QZW::Matrix();
}
void RecordingGraphics::SetPerspectiveProjection() {
    Record("SetPerspectiveProjection");
    world = QZW::Matrix();
}
void RecordingGraphics::SetViewport(int x, int y, int width, int height, float zNear, float zFar) {
    Record("SetViewport",
           {double(x), double(y), double(width), double(height), zNear, double(zFar)});
}
void RecordingGraphics::EnableDepthTest() {
    Record("EnableDepthTest");
}
void RecordingGraphics::DisableDepthTest() {
    Record("DisableDepthTest");
}
void RecordingGraphics::EnableDepthWrite() {
    Record("EnableDepthWrite");
}
void RecordingGraphics::DisableDepthWrite() {
    Record("DisableDepthWrite");
}
void RecordingGraphics::EnableBlend() {
    Record("EnableBlend");
}
void RecordingGraphics::DisableBlend() {
    Record("DisableBlend");
}
void RecordingGraphics::SetBlendMode(int mode) {
    Record("SetBlendMode", {double(mode)});
}
void RecordingGraphics::SetScreenSize(int width, int height) {
    Record("SetScreenSize", {double(width), double(height)});
    screenWidth = width;
    screenHeight = height;
}

// [SECTION] Matrices

void RecordingGraphics::ResetWorldMatrix() {
    Record("ResetWorldMatrix");
    world = QZW::Matrix();
}
void RecordingGraphics::SetWorldMatrix(const QZW::Matrix& m) {
    Record("SetWorldMatrix").matrix = m;
    world = m;
}
void RecordingGraphics::LoadWorldMatrix(const QZW::Matrix& m) {
    Record("LoadWorldMatrix").matrix = m;
    world = m;
}
void RecordingGraphics::Reserved0(int value) {
    Record("Reserved0", {double(value)});
}
void RecordingGraphics::Reserved1(int value) {
    Record("Reserved1", {double(value)});
}
void RecordingGraphics::Translate(float x, float y, float z) {
    Record("Translate", {x, y, z});
    world.TransrateMatrix(x, y, z);
}
void RecordingGraphics::Rotate(float x, float y, float z) {
    Record("Rotate", {x, y, z});
    world.RotateMatrixX(x);
    world.RotateMatrixY(y);
    world.RotateMatrixZ(z);
}
void RecordingGraphics::Scale(float x, float y, float z) {
    Record("Scale", {x, y, z});
    world.ScaleMatrix(x, y, z);
}
void RecordingGraphics::PushMatrix() {
    Record("PushMatrix");
    matrixStack.push_back(world);
}
void RecordingGraphics::PopMatrix() {
    Record("PopMatrix");
    if (matrixStack.empty()) {
        world = QZW::Matrix();
        return;
    }
    world = matrixStack.back();
    matrixStack.pop_back();
}
void RecordingGraphics::MultMatrix(const QZW::Matrix& m) {
    Record("MultMatrix").matrix = m;
    QZW::Matrix out;
    QZW::MulMatrix(m, world, out);
    world = out;
}
void RecordingGraphics::MultMatrixByValue(QZW::Matrix m) {
    Record("MultMatrixByValue").matrix = m;
    QZW::Matrix out;
    QZW::MulMatrix(m, world, out);
    world = out;
}

// [SECTION] Uniforms

void RecordingGraphics::SetMvpMatrix(const QZW::Matrix& w) {
    Record("SetMvpMatrix").matrix = w;
}
void RecordingGraphics::SetBoneMatrices(const QZW::Matrix* matrices, int count) {
    Record("SetBoneMatrices", {double(count)}, {matrices});
}
void RecordingGraphics::SetProjectionMatrix(const QZW::Matrix& m) {
    Record("SetProjectionMatrix").matrix = m;
    projection = m;
}
void RecordingGraphics::SetTexOffset(float u, float v) {
    Record("SetTexOffset", {u, v});
}
void RecordingGraphics::SetTex1Offset(float u, float v) {
    Record("SetTex1Offset", {u, v});
}
void RecordingGraphics::SetGaussianDir(float x, float y) {
    Record("SetGaussianDir", {x, y});
}
void RecordingGraphics::SetYuragiParam(float x, float y, float strength) {
    Record("SetYuragiParam", {x, y, strength});
}
void RecordingGraphics::SetOfsZ(float z) {
    Record("SetOfsZ", {z});
}
void RecordingGraphics::SetTexSize(float width, float height) {
    Record("SetTexSize", {width, height});
}
void RecordingGraphics::SetLight(float x, float y, float z, float r, float g, float b) {
    Record("SetLight", {x, y, z, r, g, b});
}
void RecordingGraphics::SetAmbient(float r, float g, float b) {
    Record("SetAmbient", {r, g, b});
}
void RecordingGraphics::SetEyePos(float x, float y, float z) {
    Record("SetEyePos", {x, y, z});
}
void RecordingGraphics::SetPaletteIndex(int index) {
    Record("SetPaletteIndex", {double(index)});
}
void RecordingGraphics::SetLightViewProjMatrix(const QZW::Matrix& m) {
    Record("SetLightViewProjMatrix").matrix = m;
}
void RecordingGraphics::SetGreaPow(float power) {
    Record("SetGreaPow", {power});
}
void RecordingGraphics::UseShader(int index) {
    Record("UseShader", {double(index)});
    if (index >= 0 && index < QZW::kQzShaderCount) {
        currentShader = index;
    }
}

// [SECTION] Targets and draws

void RecordingGraphics::SetFrameBuffer(int index) {
    Record("SetFrameBuffer", {double(index)});
    if (index >= -1 && index < QZW::kQzRenderTargetCount) {
        currentTarget = index;
    }
}
void RecordingGraphics::DrawArraysVB(int primitive, int count, int first,
                                     QZW::IQzVertexBuffer* vb) {
    Record("DrawArraysVB", {double(primitive), double(count), double(first)}, {vb});
}
void RecordingGraphics::DrawElementsVB(int primitive, int indexCount, QZW::IQzVertexBuffer* vb,
                                       QZW::IQzIndexBuffer* ib) {
    Record("DrawElementsVB", {double(primitive), double(indexCount)}, {vb, ib});
}
void RecordingGraphics::DrawRangeElementsVB(int primitive, int vertexCount, int indexCount,
                                            QZW::IQzVertexBuffer* vb,
                                            const std::uint16_t* indices) {
    Record("DrawRangeElementsVB", {double(primitive), double(vertexCount), double(indexCount)},
           {vb, indices});
}
void RecordingGraphics::DrawArraysVBFromStart(int primitive, int count, QZW::IQzVertexBuffer* vb) {
    Record("DrawArraysVBFromStart", {double(primitive), double(count)}, {vb});
}
void RecordingGraphics::DrawIndexed(int primitive, int vertexCount, int indexCount,
                                    const float* positions, const std::uint8_t* colors,
                                    const float* texcoords, const float* normals,
                                    const std::uint16_t* indices) {
    Record("DrawIndexed", {double(primitive), double(vertexCount), double(indexCount)},
           {positions, colors, texcoords, normals, indices});
}
void RecordingGraphics::DrawArrays(int primitive, int count, const float* positions,
                                   const std::uint8_t* colors, const float* texcoords,
                                   const float* normals) {
    Record("DrawArrays", {double(primitive), double(count)},
           {positions, colors, texcoords, normals});
}
void RecordingGraphics::ReservedDraw(std::int32_t a0, std::int32_t a1, std::int32_t a2,
                                     std::int32_t a3, std::int32_t a4, std::int32_t a5,
                                     std::int32_t a6, std::int32_t a7, std::int32_t a8,
                                     std::int32_t a9) {
    Record("ReservedDraw", {double(a0), double(a1), double(a2), double(a3), double(a4), double(a5),
                            double(a6), double(a7), double(a8), double(a9)});
}
void RecordingGraphics::DrawIndexedSkinned(int primitive, int vertexCount, int indexCount,
                                           const float* positions, const std::uint8_t* colors,
                                           const float* texcoords, const float* normals,
                                           const std::uint16_t* indices,
                                           const std::uint16_t* boneIndices, const float* weights) {
    Record("DrawIndexedSkinned", {double(primitive), double(vertexCount), double(indexCount)},
           {positions, colors, texcoords, normals, indices, boneIndices, weights});
}
void RecordingGraphics::DrawSkinned(int primitive, int count, const float* positions,
                                    const std::uint8_t* colors, const float* texcoords,
                                    const float* normals, const std::uint16_t* boneIndices,
                                    const float* weights) {
    Record("DrawSkinned", {double(primitive), double(count)},
           {positions, colors, texcoords, normals, boneIndices, weights});
}
void RecordingGraphics::SetTexture(QZW::IQzTexture* texture, int unit) {
    Record("SetTexture", {double(unit)}, {texture});
}
void RecordingGraphics::DrawRect(float x, float y, float width, float height, std::uint8_t r,
                                 std::uint8_t g, std::uint8_t b, std::uint8_t a, float z) {
    Record("DrawRect", {x, y, width, height, double(r), double(g), double(b), double(a), z});
}

// [SECTION] Resources

QZW::IQzVertexBuffer* RecordingGraphics::CreateVertexBuffer(int count, const float* positions,
                                                            const std::uint8_t* colors,
                                                            const float* texcoords,
                                                            const float* normals) {
    Record("CreateVertexBuffer", {double(count)}, {positions, colors, texcoords, normals});
    return new RecordedVertexBuffer(count, colors != nullptr, texcoords != nullptr,
                                    normals != nullptr);
}
QZW::IQzVertexBuffer* RecordingGraphics::CreateVertexBufferCopy(int count, const float* positions,
                                                                const std::uint8_t* colors,
                                                                const float* texcoords,
                                                                const float* normals) {
    Record("CreateVertexBufferCopy", {double(count)}, {positions, colors, texcoords, normals});
    return new RecordedVertexBuffer(count, colors != nullptr, texcoords != nullptr,
                                    normals != nullptr);
}
QZW::IQzIndexBuffer* RecordingGraphics::CreateIndexBuffer(int count, const std::uint16_t* indices) {
    Record("CreateIndexBuffer", {double(count)}, {indices});
    return new RecordedIndexBuffer(count);
}
void RecordingGraphics::GetProjectionMatrix(QZW::Matrix& out) {
    out = projection;
}
void RecordingGraphics::GetWorldMatrix(QZW::Matrix& out) {
    out = world;
}
QZW::IQzTexture* RecordingGraphics::LoadTexture(const char* path) {
    Record("LoadTexture");
    auto it = textures.find(path ? path : "");
    return it == textures.end() ? nullptr : it->second;
}
QZW::IQzTexture* RecordingGraphics::LoadTextureFromMemory(const char* path, const void* data,
                                                          std::uint32_t size) {
    Record("LoadTextureFromMemory", {double(size)}, {data});
    auto it = textures.find(path ? path : "");
    return it == textures.end() ? nullptr : it->second;
}
QZW::IQzFrameBuffer* RecordingGraphics::GetFrameBuffer(int index) {
    return index >= 0 && index < QZW::kQzRenderTargetCount ? frameBuffers[index] : nullptr;
}
std::uint32_t RecordingGraphics::GetFrameBufferColor(int index) {
    return index >= 0 && index < QZW::kQzRenderTargetCount ? targetColors[index] : 0xFFFFFFFFu;
}
void RecordingGraphics::SetFrameBufferColor(int index, std::uint8_t r, std::uint8_t g,
                                            std::uint8_t b, std::uint8_t a) {
    Record("SetFrameBufferColor", {double(index), double(r), double(g), double(b), double(a)});
    if (index >= 0 && index < QZW::kQzRenderTargetCount) {
        const std::uint8_t bytes[4] = {r, g, b, a};
        std::memcpy(&targetColors[index], bytes, 4);
    }
}

// [SECTION] Display

void RecordingGraphics::EnableYuragi() {
    Record("EnableYuragi");
    yuragi = true;
}
void RecordingGraphics::DisableYuragi() {
    Record("DisableYuragi");
    yuragi = false;
}
float RecordingGraphics::GetDisplayBaseScale() {
    return displayBaseScale[0];
}
void RecordingGraphics::SetDisplayBaseScale(float x, float y) {
    Record("SetDisplayBaseScale", {x, y});
    displayBaseScale[0] = x;
    displayBaseScale[1] = y;
}
void RecordingGraphics::SetDisplayScale(float x, float y) {
    Record("SetDisplayScale", {x, y});
    displayScale[0] = x;
    displayScale[1] = y;
}
void RecordingGraphics::SetDisplayOfs(float x, float y) {
    Record("SetDisplayOfs", {x, y});
    displayOffset[0] = x;
    displayOffset[1] = y;
}

}  // namespace qz_test_support
