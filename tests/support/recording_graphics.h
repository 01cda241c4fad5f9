// A recording fake of QZW::IQzGraphics for scene, material and draw-task
// tests: every call is kept in order with its numeric and pointer arguments
// and the world matrix in force. World/projection matrices, the matrix stack,
// screen size, target colours and display scales behave like the renderer's,
// so traversal results can be checked; draws touch no GPU.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/iqz_index_buffer.h"
#include "qzware/scene/iqz_vertex_buffer.h"
#include "qzware/scene/qz_matrix.h"

namespace qz_test_support {

struct GraphicsCall {
    std::string name;
    std::vector<double> args;           // numeric arguments, in order
    std::vector<const void*> pointers;  // textures, buffers and arrays, in order
    QZW::Matrix matrix;                 // the matrix argument, if any
    QZW::Matrix world;                  // the world matrix when the call was made
    // "Name(a, b, ...)" with the numeric arguments (%g).
    std::string Text() const;
};

// What CreateVertexBuffer/CreateIndexBuffer of the fake hand out (the caller
// deletes them, as with the renderer's).
class RecordedVertexBuffer : public QZW::IQzVertexBuffer {
public:
    RecordedVertexBuffer(int count, bool color, bool texcoord, bool normal)
        : count(count), color(color), texcoord(texcoord), normal(normal) {}
    void Bind() override {}
    void Unbind() override {}
    bool HasColor() override { return color; }
    bool HasTexCoord() override { return texcoord; }
    bool HasNormal() override { return normal; }
    int GetVertexCount() override { return count; }

private:
    int count;
    bool color, texcoord, normal;
};

class RecordedIndexBuffer : public QZW::IQzIndexBuffer {
public:
    explicit RecordedIndexBuffer(int count) : count(count) {}
    void Bind() override {}
    void Reserved() override {}
    int GetIndexCount() override { return count; }

private:
    int count;
};

class RecordingGraphics : public QZW::IQzGraphics {
public:
    // [SECTION] Inspection
    std::vector<GraphicsCall> calls;
    // Every call's Text(), or only those of one name.
    std::vector<std::string> Texts() const;
    std::vector<std::string> Texts(const std::string& name) const;
    std::vector<std::string> Names() const;
    std::size_t Count(const std::string& name) const;
    void ClearCalls() { calls.clear(); }

    // [SECTION] Canned answers (not owned)
    std::map<std::string, QZW::IQzTexture*> textures;  // LoadTexture*/by path
    QZW::IQzFrameBuffer* frameBuffers[QZW::kQzRenderTargetCount] = {};

    // [SECTION] State kept like the renderer's
    QZW::Matrix world;
    QZW::Matrix projection;
    std::vector<QZW::Matrix> matrixStack;
    int screenWidth = 1280, screenHeight = 720;
    int currentShader = 0;
    int currentTarget = -1;
    std::uint32_t targetColors[QZW::kQzRenderTargetCount];
    float displayBaseScale[2] = {1, 1}, displayScale[2] = {1, 1}, displayOffset[2] = {0, 0};
    bool yuragi = false;

    RecordingGraphics();

    // [SECTION] IQzGraphics
    void Initialize(int width, int height) override;
    void Finalize() override;
    void BeginFrame() override;
    void EndFrame() override;
    void Clear(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) override;
    void ClearDefault() override;
    void ClearFrameBuffer(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                          std::uint8_t a) override;
    void Present() override;
    void Flush() override;
    void SetOrthoProjection() override;
    void SetPerspectiveProjection() override;
    void SetViewport(int x, int y, int width, int height, float zNear, float zFar) override;
    void EnableDepthTest() override;
    void DisableDepthTest() override;
    void EnableDepthWrite() override;
    void DisableDepthWrite() override;
    void EnableBlend() override;
    void DisableBlend() override;
    void SetBlendMode(int mode) override;
    int GetScreenWidth() override { return screenWidth; }
    int GetScreenHeight() override { return screenHeight; }
    void SetScreenSize(int width, int height) override;
    void ResetWorldMatrix() override;
    void SetWorldMatrix(const QZW::Matrix& m) override;
    void LoadWorldMatrix(const QZW::Matrix& m) override;
    void Reserved0(int value) override;
    void Reserved1(int value) override;
    void Translate(float x, float y, float z) override;
    void Rotate(float x, float y, float z) override;
    void Scale(float x, float y, float z) override;
    void PushMatrix() override;
    void PopMatrix() override;
    void MultMatrix(const QZW::Matrix& m) override;
    void MultMatrixByValue(QZW::Matrix m) override;
    void SetMvpMatrix(const QZW::Matrix& world) override;
    void SetBoneMatrices(const QZW::Matrix* matrices, int count) override;
    void SetProjectionMatrix(const QZW::Matrix& m) override;
    void SetTexOffset(float u, float v) override;
    void SetTex1Offset(float u, float v) override;
    void SetGaussianDir(float x, float y) override;
    void SetYuragiParam(float x, float y, float strength) override;
    void SetOfsZ(float z) override;
    void SetTexSize(float width, float height) override;
    void SetFrameBuffer(int index) override;
    void DrawArraysVB(int primitive, int count, int first, QZW::IQzVertexBuffer* vb) override;
    void DrawElementsVB(int primitive, int indexCount, QZW::IQzVertexBuffer* vb,
                        QZW::IQzIndexBuffer* ib) override;
    void DrawRangeElementsVB(int primitive, int vertexCount, int indexCount,
                             QZW::IQzVertexBuffer* vb, const std::uint16_t* indices) override;
    void DrawArraysVBFromStart(int primitive, int count, QZW::IQzVertexBuffer* vb) override;
    void DrawIndexed(int primitive, int vertexCount, int indexCount, const float* positions,
                     const std::uint8_t* colors, const float* texcoords, const float* normals,
                     const std::uint16_t* indices) override;
    void DrawArrays(int primitive, int count, const float* positions, const std::uint8_t* colors,
                    const float* texcoords, const float* normals) override;
    void ReservedDraw(std::int32_t a0, std::int32_t a1, std::int32_t a2, std::int32_t a3,
                      std::int32_t a4, std::int32_t a5, std::int32_t a6, std::int32_t a7,
                      std::int32_t a8, std::int32_t a9) override;
    void DrawIndexedSkinned(int primitive, int vertexCount, int indexCount, const float* positions,
                            const std::uint8_t* colors, const float* texcoords,
                            const float* normals, const std::uint16_t* indices,
                            const std::uint16_t* boneIndices, const float* weights) override;
    void DrawSkinned(int primitive, int count, const float* positions, const std::uint8_t* colors,
                     const float* texcoords, const float* normals, const std::uint16_t* boneIndices,
                     const float* weights) override;
    void SetTexture(QZW::IQzTexture* texture, int unit) override;
    QZW::IQzVertexBuffer* CreateVertexBuffer(int count, const float* positions,
                                             const std::uint8_t* colors, const float* texcoords,
                                             const float* normals) override;
    QZW::IQzVertexBuffer* CreateVertexBufferCopy(int count, const float* positions,
                                                 const std::uint8_t* colors, const float* texcoords,
                                                 const float* normals) override;
    QZW::IQzIndexBuffer* CreateIndexBuffer(int count, const std::uint16_t* indices) override;
    void GetProjectionMatrix(QZW::Matrix& out) override;
    void GetWorldMatrix(QZW::Matrix& out) override;
    QZW::IQzTexture* LoadTexture(const char* path) override;
    QZW::IQzTexture* LoadTextureFromMemory(const char* path, const void* data,
                                           std::uint32_t size) override;
    void UseShader(int index) override;
    void SetLight(float x, float y, float z, float r, float g, float b) override;
    void SetAmbient(float r, float g, float b) override;
    void SetEyePos(float x, float y, float z) override;
    void SetPaletteIndex(int index) override;
    void SetLightViewProjMatrix(const QZW::Matrix& m) override;
    void SetGreaPow(float power) override;
    QZW::IQzFrameBuffer* GetFrameBuffer(int index) override;
    std::uint32_t GetFrameBufferColor(int index) override;
    void DrawRect(float x, float y, float width, float height, std::uint8_t r, std::uint8_t g,
                  std::uint8_t b, std::uint8_t a, float z) override;
    void EnableYuragi() override;
    void DisableYuragi() override;
    float GetDisplayBaseScale() override;
    void SetDisplayBaseScale(float x, float y) override;
    void SetDisplayScale(float x, float y) override;
    void SetDisplayOfs(float x, float y) override;
    void SetFrameBufferColor(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                             std::uint8_t a) override;

private:
    GraphicsCall& Record(const char* name, std::vector<double> args = {},
                         std::vector<const void*> pointers = {});
};

}  // namespace qz_test_support
