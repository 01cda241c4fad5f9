// The OpenGL 2 renderer: context on the main window (platform::window),
// 16 off-screen targets the frame is drawn into, 14 built-in programs, world
// and projection matrices, and the letterboxed composition of target 13 into
// the window at the end of each frame (folded with the pass that fills 13
// where that gives the same bytes, see qz_composition_fold.h). Main thread
// only.
// Differs from a bare GL device: indices from scripts outside the tables are
// ignored, and nothing runs after a failed OpenGL 2.0 check.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/win32_types.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/qz_matrix.h"
#include "qzware/win/qz_composition_fold.h"
#include "qzware/win/qz_graphics_layout.h"
#include "qzware/win/qz_shader_sources.h"
#include "qzware/win/qz_target_tracker.h"

namespace QZW {
class IQzShaderProgramObj;
class CQzMaterial;
}  // namespace QZW

namespace QZW::Win {

class CQzGraphicsGL2 : public IQzGraphics {
public:
    // Receives the error message pair when the OpenGL 2.0 check fails.
    using ErrorSink = std::function<void(const char* title, const char* text)>;

    static constexpr const char* kRequirementText =
        "This game requires graphic board with compatability with OpenGL ver2.0 and above.";

    CQzGraphicsGL2();
    ~CQzGraphicsGL2() override;
    CQzGraphicsGL2(const CQzGraphicsGL2&) = delete;
    CQzGraphicsGL2& operator=(const CQzGraphicsGL2&) = delete;

    // [SECTION] Start-up (not part of the interface)
    // Creates the window's GL context (compatibility profile, RGBA8, depth 24,
    // double-buffered), initialises GLEW and runs Initialize(1280, 720).
    // False when the context or OpenGL 2.0 cannot be had; the error pair is
    // then in GetErrorTitle/GetErrorText and was given to the error sink.
    bool CreateContext(platform::win32::HWND window);
    void SetErrorSink(ErrorSink sink) { errorSink = std::move(sink); }
    const std::string& GetErrorTitle() const { return errorTitle; }
    const std::string& GetErrorText() const { return errorText; }
    // True once Initialize built the targets and programs.
    bool IsReady() const { return ready; }
    // Built-in program `index` (null outside 0-13 or before start-up).
    IQzShaderProgramObj* GetShaderProgram(int index);
    int GetCurrentTargetIndex() const { return currentTargetIndex; }
    CQzMaterial* GetDefaultMaterial() const { return defaultMaterial; }

    // [SECTION] IQzGraphics
    void Initialize(int width, int height) override;
    void Finalize() override {}
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
    void SetWorldMatrix(const Matrix& m) override;
    void LoadWorldMatrix(const Matrix& m) override;
    void Reserved0(int) override {}
    void Reserved1(int) override {}
    void Translate(float x, float y, float z) override;
    void Rotate(float x, float y, float z) override;
    void Scale(float x, float y, float z) override;
    void PushMatrix() override;
    void PopMatrix() override;
    void MultMatrix(const Matrix& m) override;
    void MultMatrixByValue(Matrix m) override;

    void SetMvpMatrix(const Matrix& world) override;
    void SetBoneMatrices(const Matrix* matrices, int count) override;
    void SetProjectionMatrix(const Matrix& m) override;
    void SetTexOffset(float u, float v) override;
    void SetTex1Offset(float u, float v) override;
    void SetGaussianDir(float x, float y) override;
    void SetYuragiParam(float x, float y, float strength) override;
    void SetOfsZ(float z) override;
    void SetTexSize(float width, float height) override;

    void SetFrameBuffer(int index) override;
    void DrawArraysVB(int primitive, int count, int first, IQzVertexBuffer* vb) override;
    void DrawElementsVB(int primitive, int indexCount, IQzVertexBuffer* vb,
                        IQzIndexBuffer* ib) override;
    void DrawRangeElementsVB(int primitive, int vertexCount, int indexCount, IQzVertexBuffer* vb,
                             const std::uint16_t* indices) override;
    void DrawArraysVBFromStart(int primitive, int count, IQzVertexBuffer* vb) override;
    void DrawIndexed(int primitive, int vertexCount, int indexCount, const float* positions,
                     const std::uint8_t* colors, const float* texcoords, const float* normals,
                     const std::uint16_t* indices) override;
    void DrawArrays(int primitive, int count, const float* positions, const std::uint8_t* colors,
                    const float* texcoords, const float* normals) override;
    void ReservedDraw(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                      std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                      std::int32_t) override {}
    void DrawIndexedSkinned(int primitive, int vertexCount, int indexCount, const float* positions,
                            const std::uint8_t* colors, const float* texcoords,
                            const float* normals, const std::uint16_t* indices,
                            const std::uint16_t* boneIndices, const float* weights) override;
    void DrawSkinned(int primitive, int count, const float* positions, const std::uint8_t* colors,
                     const float* texcoords, const float* normals, const std::uint16_t* boneIndices,
                     const float* weights) override;
    void SetTexture(IQzTexture* texture, int unit) override;

    IQzVertexBuffer* CreateVertexBuffer(int count, const float* positions,
                                        const std::uint8_t* colors, const float* texcoords,
                                        const float* normals) override;
    IQzVertexBuffer* CreateVertexBufferCopy(int count, const float* positions,
                                            const std::uint8_t* colors, const float* texcoords,
                                            const float* normals) override;
    IQzIndexBuffer* CreateIndexBuffer(int count, const std::uint16_t* indices) override;
    void GetProjectionMatrix(Matrix& out) override { out = projection; }
    void GetWorldMatrix(Matrix& out) override { out = world; }
    IQzTexture* LoadTexture(const char* path) override;
    IQzTexture* LoadTextureFromMemory(const char* path, const void* data,
                                      std::uint32_t size) override;
    void UseShader(int index) override;

    void SetLight(float x, float y, float z, float r, float g, float b) override;
    void SetAmbient(float r, float g, float b) override;
    void SetEyePos(float x, float y, float z) override;
    void SetPaletteIndex(int index) override;
    void SetLightViewProjMatrix(const Matrix& m) override;
    void SetGreaPow(float power) override;

    IQzFrameBuffer* GetFrameBuffer(int index) override;
    std::uint32_t GetFrameBufferColor(int index) override;
    void DrawRect(float x, float y, float width, float height, std::uint8_t r, std::uint8_t g,
                  std::uint8_t b, std::uint8_t a, float z) override;
    void EnableYuragi() override { yuragi = true; }
    void DisableYuragi() override { yuragi = false; }
    float GetDisplayBaseScale() override { return displayBaseScale[0]; }
    void SetDisplayBaseScale(float x, float y) override;
    void SetDisplayScale(float x, float y) override;
    void SetDisplayOfs(float x, float y) override;
    void SetFrameBufferColor(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                             std::uint8_t a) override;
    bool IsFrameBufferBlank(int index) override;

    // The one operation the GL renderer adds: null keeps the current program.
    virtual void SetCurrentProgram(IQzShaderProgramObj* program);

    // Skips of work that cannot change a pixel: clears of targets that are
    // already clear, passes and the window copy of blank targets. On unless
    // QZ_RENDER_SKIPS=0 is in the environment; off, every frame does all of
    // its work (the pictures are the same either way).
    // With the skips on, the draw of a screen-sized target texel for pixel
    // onto a cleared target 13 is held back until the frame ends, where it
    // is folded with the window copy into one draw when that gives the same
    // bytes; anything else that reaches target 13 or the held source first
    // (a draw, a clear, sampling 13, GetFrameBuffer of either) draws it.
    void SetRenderSkips(bool on);
    bool GetRenderSkips() const { return renderSkips; }

    // Draws a held-back composition now (for raw GL reads of target 13).
    void DrawHeldComposition();
    // Frames whose window was drawn by the fold (one pass instead of two).
    std::uint32_t GetFoldedFrameCount() const { return foldedFrames; }
    // Pixels the last fold covered: the rectangle drawn into its source.
    long GetLastFoldArea() const { return lastFoldArea; }

    // [SECTION] State seen by tests and tools
    bool IsYuragi() const { return yuragi; }
    float GetWindowScale() const { return windowScale; }
    void GetViewport(float out[4]) const;
    std::size_t GetMatrixStackDepth() const { return matrixStack.size(); }

private:
    void ReportRequirementFailure();
    void ReadClientSize();
    IQzFrameBuffer* Target(int index) const;
    // Program checks and the mvp upload every draw starts with; false when
    // there is nothing usable to draw with.
    bool BeginDraw();
    void SetPresenceUniforms(bool color, bool texcoord);
    void SetClientArrays(const float* positions, const std::uint8_t* colors, const float* texcoords,
                         const float* normals, const std::uint16_t* boneIndices,
                         const float* weights);
    void DrawClientIndexed(int primitive, int vertexCount, int indexCount, const float* positions,
                           const std::uint8_t* colors, const float* texcoords, const float* normals,
                           const std::uint16_t* indices, const std::uint16_t* boneIndices,
                           const float* weights, bool skinned);
    void DrawClientArrays(int primitive, int count, const float* positions,
                          const std::uint8_t* colors, const float* texcoords, const float* normals,
                          const std::uint16_t* boneIndices, const float* weights, bool skinned);
    void ForgetBoundTextures();
    // True when a clear of target `index` to `rgba` would change anything.
    bool ClearChanges(int index, std::uint32_t rgba) const;
    // A frame clear of target `index` whose colour image is not made yet
    // (and whose depth needs no clear) is kept for when the image is made,
    // so a target only ever cleared costs no memory; true when kept so.
    bool PutOffClear(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);
    // Tells the tracker a draw is about to reach the bound target.
    void NoteDraw();
    // The same for a draw of `primitive` over `count` client positions,
    // with the pixels it can reach where they can be told.
    void NoteDrawOf(GLenum mode, const float* positions, int count, bool skinned);
    void NoteViewport(int width, int height) {
        viewportPixels[0] = width;
        viewportPixels[1] = height;
    }
    // The screen-sized render target texture a DrawRect would draw texel for
    // pixel with program 1, or null.
    IQzTexture* OneToOneTargetTexture(float x, float y, float width, float height) const;
    // True when a DrawRect of `texture` (from OneToOneTargetTexture) tinted
    // `tint` was held back instead of drawn onto target 13.
    bool HoldComposition(IQzTexture* texture, const std::uint8_t tint[4]);
    // The held composition drawn onto target 13 through the present GL state,
    // which is put back afterwards.
    void DrawHeldCompositionNow();
    // Draws what a held composition would leave after the window copy
    // `rect` over viewport `vp`, straight onto the window; false (nothing
    // drawn) where that would not be the same bytes.
    bool DrawFoldedComposition(const QzFloatRect& rect, int vpWidth, int vpHeight);
    // Draws the hold first when `index` is target 13 or the held source.
    void DrawHeldCompositionBefore(int index) {
        if (held.pending && (index == 13 || index == held.source)) {
            DrawHeldComposition();
        }
    }

    platform::win32::HWND window = nullptr;
    IQzTexture* boundTexture[kQzSamplerUnitCount] = {};
    // CQzTextureGL::GetDeletedCount when boundTexture was last known good.
    std::uint32_t seenTextureDeletions = 0;
    int screenWidth = 1280;
    int screenHeight = 720;
    int clientWidth = 0;
    int clientHeight = 0;
    float windowScale = 0.0f;
    IQzFrameBuffer* currentTarget = nullptr;
    std::vector<IQzFrameBuffer*> targets;
    int currentTargetIndex = -1;
    // The target whose framebuffer is bound (-1: the window); follows every
    // bind and unbind the renderer makes.
    int boundTargetIndex = -1;
    CQzTargetTracker tracker{kQzRenderTargetCount};
    bool renderSkips = true;
    // A composition onto target 13 (cleared to zero) not drawn yet.
    struct HeldComposition {
        bool pending = false;
        int source = -1;
        std::uint8_t tint[4] = {0, 0, 0, 0};
        bool blendOn = false;
        int blendMode = -1;
        QzFoldKind kind = QzFoldKind::kNone;
        // The GL viewport, rectangle size and mvp the draw would have had.
        int viewport[4] = {0, 0, 0, 0};
        int size[2] = {0, 0};
        Matrix mvp;
    } held;
    std::uint32_t foldedFrames = 0;
    long lastFoldArea = 0;
    IQzShaderProgramObj* foldProgram = nullptr;
    // Blending as last set (-1: the GL default functions).
    bool blendOn = false;
    int blendMode = -1;
    // The depth test and depth writes as last set (the GL defaults at first).
    bool depthTestOn = false;
    bool depthWriteOn = true;
    // The window's depth buffer is known cleared and not written since.
    bool windowDepthClear = false;
    // The size of the last viewport given to OpenGL, in pixels.
    int viewportPixels[2] = {0, 0};
    // Program 1's texture offset is (0, 0).
    bool program1TexOffsetZero = true;
    float program1TexOffset[2] = {0.0f, 0.0f};
    std::vector<std::uint32_t> targetColors;
    std::uint8_t clearColor[4] = {0, 0, 0, 255};
    IQzShaderProgramObj* currentProgram = nullptr;
    std::vector<Matrix> matrixStack;
    Matrix projection;
    Matrix world;
    IQzShaderProgramObj* programs[kQzShaderCount] = {};
    IQzTexture* waterNormalTexture = nullptr;
    CQzMaterial* defaultMaterial = nullptr;
    bool yuragi = false;
    float displayBaseScale[2] = {1.0f, 1.0f};
    float displayScale[2] = {1.0f, 1.0f};
    float displayOffset[2] = {0.0f, 0.0f};
    float viewport[4] = {0, 0, 0, 0};

    bool ready = false;
    bool glewReady = false;
    std::string errorTitle;
    std::string errorText;
    ErrorSink errorSink;
};

}  // namespace QZW::Win
