// The renderer as everything that draws sees it: frame bracket, render state,
// world/projection matrices, program uniforms, draws from GPU buffers or
// client arrays, render targets and the display scales of the composed frame.
// Implemented over OpenGL 2 by QZW::Win::CQzGraphicsGL2; tests record it.
#pragma once

#include <cstdint>

namespace QZW {

struct Matrix;
class IQzTexture;
class IQzVertexBuffer;
class IQzIndexBuffer;
class IQzFrameBuffer;

// Primitive codes of the draw operations; other codes draw nothing.
enum QzPrimitive : std::int32_t {
    QZ_PRIM_POINTS = 0,
    QZ_PRIM_LINES = 1,
    QZ_PRIM_LINE_STRIP = 2,
    QZ_PRIM_TRIANGLES = 3,
    QZ_PRIM_TRIANGLE_STRIP = 4,
    QZ_PRIM_TRIANGLE_FAN = 5,
    QZ_PRIM_QUADS = 6,
};

// Blend modes of SetBlendMode; other modes keep the factors.
enum QzBlendMode : std::int32_t {
    QZ_BLEND_ALPHA = 0,
    QZ_BLEND_ADD_ALPHA = 1,
    QZ_BLEND_MULTIPLY = 2,
    QZ_BLEND_INVERSE_MULTIPLY = 3,
    QZ_BLEND_SCREEN = 4,
    QZ_BLEND_ADD = 5,
};

constexpr int kQzRenderTargetCount = 22;
constexpr int kQzShaderCount = 14;

class IQzGraphics {
public:
    virtual ~IQzGraphics() = default;

    // [SECTION] Frame
    virtual void Initialize(int width, int height) = 0;
    virtual void Finalize() = 0;
    virtual void BeginFrame() = 0;
    // Composes render target 13 into the window.
    virtual void EndFrame() = 0;
    virtual void Clear(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) = 0;
    virtual void ClearDefault() = 0;
    // Clears target `index` and returns to the target selected before; an
    // index outside the table or of an uncreated target clears nothing.
    virtual void ClearFrameBuffer(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                  std::uint8_t a) = 0;
    virtual void Present() = 0;
    virtual void Flush() = 0;

    // [SECTION] State
    virtual void SetOrthoProjection() = 0;
    virtual void SetPerspectiveProjection() = 0;
    // Virtual-screen rectangle, y downwards; near and far are not used.
    virtual void SetViewport(int x, int y, int width, int height, float zNear, float zFar) = 0;
    virtual void EnableDepthTest() = 0;
    virtual void DisableDepthTest() = 0;
    virtual void EnableDepthWrite() = 0;
    virtual void DisableDepthWrite() = 0;
    virtual void EnableBlend() = 0;
    virtual void DisableBlend() = 0;
    virtual void SetBlendMode(int mode) = 0;
    virtual int GetScreenWidth() = 0;
    virtual int GetScreenHeight() = 0;
    virtual void SetScreenSize(int width, int height) = 0;

    // [SECTION] Matrices
    virtual void ResetWorldMatrix() = 0;
    virtual void SetWorldMatrix(const Matrix& m) = 0;
    virtual void LoadWorldMatrix(const Matrix& m) = 0;
    // Two slots kept for layout; they do nothing.
    virtual void Reserved0(int value) = 0;
    virtual void Reserved1(int value) = 0;
    virtual void Translate(float x, float y, float z) = 0;
    // Degrees; world becomes Rz Ry Rx world.
    virtual void Rotate(float x, float y, float z) = 0;
    virtual void Scale(float x, float y, float z) = 0;
    virtual void PushMatrix() = 0;
    // An empty stack gives the identity.
    virtual void PopMatrix() = 0;
    virtual void MultMatrix(const Matrix& m) = 0;
    virtual void MultMatrixByValue(Matrix m) = 0;

    // [SECTION] Program uniforms (on the current program)
    virtual void SetMvpMatrix(const Matrix& world) = 0;
    virtual void SetBoneMatrices(const Matrix* matrices, int count) = 0;
    virtual void SetProjectionMatrix(const Matrix& m) = 0;
    virtual void SetTexOffset(float u, float v) = 0;
    virtual void SetTex1Offset(float u, float v) = 0;
    virtual void SetGaussianDir(float x, float y) = 0;
    virtual void SetYuragiParam(float x, float y, float strength) = 0;
    virtual void SetOfsZ(float z) = 0;
    virtual void SetTexSize(float width, float height) = 0;

    // [SECTION] Render targets and draws
    // Selects target `index` (0-21); outside the table or uncreated: ignored.
    // -1 returns drawing to the window.
    virtual void SetFrameBuffer(int index) = 0;
    virtual void DrawArraysVB(int primitive, int count, int first, IQzVertexBuffer* vb) = 0;
    virtual void DrawElementsVB(int primitive, int indexCount, IQzVertexBuffer* vb,
                                IQzIndexBuffer* ib) = 0;
    virtual void DrawRangeElementsVB(int primitive, int vertexCount, int indexCount,
                                     IQzVertexBuffer* vb, const std::uint16_t* indices) = 0;
    virtual void DrawArraysVBFromStart(int primitive, int count, IQzVertexBuffer* vb) = 0;
    // Client-array draws: positions 3 floats, colours 4 bytes (0-255),
    // texture coordinates 2 floats, normals 3 floats per vertex; any stream
    // may be null. Indices that reach past vertexCount draw nothing.
    virtual void DrawIndexed(int primitive, int vertexCount, int indexCount, const float* positions,
                             const std::uint8_t* colors, const float* texcoords,
                             const float* normals, const std::uint16_t* indices) = 0;
    virtual void DrawArrays(int primitive, int count, const float* positions,
                            const std::uint8_t* colors, const float* texcoords,
                            const float* normals) = 0;
    // A slot kept for layout; does nothing.
    virtual void ReservedDraw(std::int32_t a0, std::int32_t a1, std::int32_t a2, std::int32_t a3,
                              std::int32_t a4, std::int32_t a5, std::int32_t a6, std::int32_t a7,
                              std::int32_t a8, std::int32_t a9) = 0;
    // Skinned draws add 4 bone indices (u16) and 4 weights (floats) per vertex.
    virtual void DrawIndexedSkinned(int primitive, int vertexCount, int indexCount,
                                    const float* positions, const std::uint8_t* colors,
                                    const float* texcoords, const float* normals,
                                    const std::uint16_t* indices, const std::uint16_t* boneIndices,
                                    const float* weights) = 0;
    virtual void DrawSkinned(int primitive, int count, const float* positions,
                             const std::uint8_t* colors, const float* texcoords,
                             const float* normals, const std::uint16_t* boneIndices,
                             const float* weights) = 0;
    // Binds `texture` on `unit` (0-7) and points that unit's sampler at it;
    // null forgets the unit's binding.
    virtual void SetTexture(IQzTexture* texture, int unit) = 0;

    // [SECTION] Resources
    virtual IQzVertexBuffer* CreateVertexBuffer(int count, const float* positions,
                                                const std::uint8_t* colors, const float* texcoords,
                                                const float* normals) = 0;
    virtual IQzVertexBuffer* CreateVertexBufferCopy(int count, const float* positions,
                                                    const std::uint8_t* colors,
                                                    const float* texcoords,
                                                    const float* normals) = 0;
    virtual IQzIndexBuffer* CreateIndexBuffer(int count, const std::uint16_t* indices) = 0;
    virtual void GetProjectionMatrix(Matrix& out) = 0;
    virtual void GetWorldMatrix(Matrix& out) = 0;
    // Null when the file cannot be read or decoded.
    virtual IQzTexture* LoadTexture(const char* path) = 0;
    // Decodes `size` bytes at `data` by the path's extension; the caller
    // keeps the buffer.
    virtual IQzTexture* LoadTextureFromMemory(const char* path, const void* data,
                                              std::uint32_t size) = 0;
    // Makes built-in program `index` (0-13) current; other indices are ignored.
    virtual void UseShader(int index) = 0;

    // [SECTION] Lighting and effect uniforms
    virtual void SetLight(float x, float y, float z, float r, float g, float b) = 0;
    virtual void SetAmbient(float r, float g, float b) = 0;
    virtual void SetEyePos(float x, float y, float z) = 0;
    virtual void SetPaletteIndex(int index) = 0;
    virtual void SetLightViewProjMatrix(const Matrix& m) = 0;
    virtual void SetGreaPow(float power) = 0;

    // [SECTION] Targets, composition and display scales
    // Null outside the table or for an uncreated target.
    virtual IQzFrameBuffer* GetFrameBuffer(int index) = 0;
    // Bytes r, g, b, a in memory order; 0xFFFFFFFF outside the table.
    virtual std::uint32_t GetFrameBufferColor(int index) = 0;
    virtual void DrawRect(float x, float y, float width, float height, std::uint8_t r,
                          std::uint8_t g, std::uint8_t b, std::uint8_t a, float z) = 0;
    virtual void EnableYuragi() = 0;
    virtual void DisableYuragi() = 0;
    virtual float GetDisplayBaseScale() = 0;
    virtual void SetDisplayBaseScale(float x, float y) = 0;
    virtual void SetDisplayScale(float x, float y) = 0;
    virtual void SetDisplayOfs(float x, float y) = 0;
    // Outside the table: ignored.
    virtual void SetFrameBufferColor(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                     std::uint8_t a) = 0;

    // True only when target `index` is known to hold nothing but a clear
    // colour of alpha 0 (nothing drawn into it since): a pass of it through a
    // program that discards alpha-0 texels writes no pixel and can be left
    // out. A renderer that does not track its targets never says so.
    virtual bool IsFrameBufferBlank(int) { return false; }
};

}  // namespace QZW
