// The OpenGL 2 renderer (see the header): start-up, frame bracket and
// composition, state, matrices, uniforms, draws and render targets.
#include "qzware/win/qz_graphics_gl2.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/window/window.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_material.h"
#include "qzware/win/qz_frame_buffer.h"
#include "qzware/win/qz_graphics_layout.h"
#include "qzware/win/qz_index_buffer2.h"
#include "qzware/win/qz_shader_program_obj.h"
#include "qzware/win/qz_texture_gl.h"
#include "qzware/win/qz_vertex_buffer2.h"

namespace QZW::Win {
namespace {

// [SECTION] Matrix helpers (row-major, row vectors, translation in 12..14)

const float* Elements(const Matrix& m) {
    return m.m;
}

Matrix FromElements(const float e[16]) {
    Matrix m;
    std::copy(e, e + 16, m.m);
    return m;
}

Matrix Identity() {
    return Matrix();
}

// a x b.
Matrix Product(const Matrix& a, const Matrix& b) {
    Matrix out;
    MulMatrix(a, b, out);
    return out;
}

// [SECTION] Tables

struct TargetSetup {
    int index;
    int width, height;  // 0: the virtual screen
    bool depth;
    bool nearest;
};

// In creation order.
constexpr TargetSetup kTargets[] = {
    {0, 0, 0, true, false},        {1, 0, 0, false, false},       {2, 512, 512, false, false},
    {3, 1024, 1024, false, false}, {4, 256, 256, false, false},   {5, 512, 512, false, false},
    {6, 1024, 1024, false, true},  {7, 1024, 1024, false, true},  {8, 1024, 1024, false, true},
    {9, 1024, 1024, false, true},  {18, 1024, 1024, false, true}, {10, 0, 0, false, false},
    {11, 0, 0, false, false},      {12, 0, 0, false, false},      {13, 0, 0, false, false},
    {14, 1024, 1024, false, true},
};

struct FrameClear {
    int index;
    std::uint8_t r, g, b, a;
};

constexpr FrameClear kFrameClears[] = {
    {0, 0, 0, 0, 0},  {2, 0, 0, 0, 0},  {3, 255, 255, 255, 255}, {4, 255, 255, 255, 255},
    {10, 0, 0, 0, 0}, {11, 0, 0, 0, 0}, {12, 0, 0, 0, 0},        {13, 0, 0, 0, 0},
};

bool PrimitiveMode(int primitive, GLenum* mode) {
    static constexpr GLenum kModes[] = {GL_POINTS,    GL_LINES,          GL_LINE_STRIP,
                                        GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN,
                                        GL_QUADS};
    if (primitive < 0 || primitive >= static_cast<int>(sizeof(kModes) / sizeof(kModes[0]))) {
        return false;
    }
    *mode = kModes[primitive];
    return true;
}

void ClientAttribute(GLuint index, const void* data, GLint size, GLenum type) {
    if (data == nullptr) {
        glDisableVertexAttribArray(index);
        return;
    }
    glEnableVertexAttribArray(index);
    glVertexAttribPointer(index, size, type, GL_FALSE, 0, data);
}

// True when every index addresses one of `vertexCount` vertices.
bool IndicesInRange(const std::uint16_t* indices, int indexCount, int vertexCount) {
    for (int i = 0; i < indexCount; ++i) {
        if (indices[i] >= vertexCount) {
            return false;
        }
    }
    return true;
}

// The blend functions of QzBlendMode `mode`; false (nothing set) for others.
bool SetBlendFunctions(int mode) {
    switch (mode) {
        case QZ_BLEND_ALPHA:
            glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE);
            return true;
        case QZ_BLEND_ADD_ALPHA:
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
            return true;
        case QZ_BLEND_MULTIPLY:
            glBlendFunc(GL_ZERO, GL_SRC_COLOR);
            return true;
        case QZ_BLEND_INVERSE_MULTIPLY:
            glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
            return true;
        case QZ_BLEND_SCREEN:
            glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
            return true;
        case QZ_BLEND_ADD:
            glBlendFunc(GL_ONE, GL_ONE);
            return true;
        default:
            return false;
    }
}

// A program with the renderer's attribute locations and sampler units.
CQzShaderProgramObj* BuildProgram(const QzShaderSource& source) {
    CQzShaderProgramObj* program = new CQzShaderProgramObj();
    program->AttachVertexShader(source.vertex);
    program->AttachFragmentShader(source.fragment);
    for (int a = 0; a < kQzAttribCount; ++a) {
        program->BindAttribLocation(a, kQzAttribNames[a]);
    }
    if (program->Link()) {
        // Samplers are per program and never change: point every one at
        // its unit now, so a texture bound under another program is read
        // from the right unit by this one too.
        for (int unit = 0; unit < kQzSamplerUnitCount; ++unit) {
            program->SetUniform1iByName(kQzSamplerNames[unit], unit);
        }
    }
    return program;
}

}  // namespace

// [SECTION] Construction and start-up

CQzGraphicsGL2::CQzGraphicsGL2()
    : targetColors(kQzRenderTargetCount, 0xFFFFFFFFu), projection(Identity()), world(Identity()) {
    matrixStack.reserve(50);
    const char* skips = std::getenv("QZ_RENDER_SKIPS");
    renderSkips = skips == nullptr || std::strcmp(skips, "0") != 0;
}

CQzGraphicsGL2::~CQzGraphicsGL2() {
    // GL objects can only be released while their context exists; the
    // renderer lives as long as the window's context.
    if (glewReady) {
        for (IQzFrameBuffer*& target : targets) {
            delete target;
            target = nullptr;
        }
        for (IQzShaderProgramObj*& program : programs) {
            delete program;
            program = nullptr;
        }
        delete foldProgram;
        delete waterNormalTexture;
    }
    delete defaultMaterial;
}

bool CQzGraphicsGL2::CreateContext(platform::win32::HWND hwnd) {
    window = hwnd;
    platform::window::GlConfig config;
    config.red_bits = config.green_bits = config.blue_bits = config.alpha_bits = 8;
    config.depth_bits = 24;
    config.double_buffer = true;
    config.compatibility_profile = true;
    std::string reason;
    if (!platform::window::current().create_gl_context(hwnd, config, &reason)) {
        ReportRequirementFailure();
        return false;
    }
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        ReportRequirementFailure();
        return false;
    }
    glewReady = true;
    ReadClientSize();
    windowScale = QzWindowScale(clientWidth, clientHeight);
    Initialize(kQzVirtualWidth, kQzVirtualHeight);
    return ready;
}

void CQzGraphicsGL2::ReportRequirementFailure() {
    errorTitle.clear();
    errorText = kRequirementText;
    if (errorSink) {
        errorSink(errorTitle.c_str(), errorText.c_str());
    }
}

void CQzGraphicsGL2::ReadClientSize() {
    int w = 0, h = 0;
    if (window != nullptr) {
        platform::window::current().get_drawable_size(window, &w, &h);
    }
    clientWidth = w;
    clientHeight = h;
}

void CQzGraphicsGL2::Initialize(int width, int height) {
    if (ready) {
        return;
    }
    // A true 2.x context does not know GL_MAJOR_VERSION: the string decides.
    const int major =
        glewReady ? QzGlMajorVersion(reinterpret_cast<const char*>(glGetString(GL_VERSION))) : 0;
    GLint maxTextureSize = 0;
    if (major >= 2) {
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    }
    if (major < 2 || maxTextureSize < 4096) {
        ReportRequirementFailure();
        return;
    }
    // The window backend knows which swap-control extension the driver has.
    platform::window::current().set_swap_interval(1);

    screenWidth = width;
    screenHeight = height;
    SetViewport(0, 0, width, height, 0.1f, 1000.0f);

    targets.assign(kQzRenderTargetCount, nullptr);
    for (const TargetSetup& setup : kTargets) {
        CQzFrameBuffer* target = new CQzFrameBuffer();
        target->Create(setup.width ? setup.width : screenWidth,
                       setup.height ? setup.height : screenHeight, setup.depth);
        if (setup.nearest && target->GetTexture() != nullptr) {
            target->GetTexture()->SetFilter(false, false);
        }
        targets[setup.index] = target;
    }
    targetColors.assign(kQzRenderTargetCount, 0xFFFFFFFFu);
    currentTargetIndex = -1;
    currentTarget = targets[0];
    IQzRenderBuffer* sharedDepth = targets[0]->GetDepthRenderBuffer();
    targets[2]->AttachRenderBuffer(sharedDepth, 1);
    targets[5]->AttachRenderBuffer(sharedDepth, 1);
    targets[5]->Unbind();
    boundTargetIndex = -1;
    tracker.Forget();

    CQzShaderProgramObj::ForgetProgramInUse();
    for (int i = 0; i < kQzShaderCount; ++i) {
        programs[i] = BuildProgram(kQzShaderSources[i]);
    }
    foldProgram = BuildProgram(kQzCompositionFoldSource);
    held = HeldComposition();
    currentProgram = programs[0];
    currentProgram->Use();
    program1TexOffsetZero = true;
    program1TexOffset[0] = program1TexOffset[1] = 0.0f;
    blendOn = false;
    blendMode = -1;

    glClearDepth(1.0);
    ready = true;
    waterNormalTexture = LoadTexture("images/model/water/normal01.dds");
    defaultMaterial = new CQzMaterial(10);
}

IQzShaderProgramObj* CQzGraphicsGL2::GetShaderProgram(int index) {
    return index >= 0 && index < kQzShaderCount ? programs[index] : nullptr;
}

// [SECTION] Frame

void CQzGraphicsGL2::BeginFrame() {
    if (!ready) {
        return;
    }
    currentTargetIndex = -1;
    for (const FrameClear& c : kFrameClears) {
        // A target still clear to this colour is not even bound.
        if (renderSkips && !ClearChanges(c.index, QzPackColor(c.r, c.g, c.b, c.a))) {
            continue;
        }
        if (renderSkips && PutOffClear(c.index, c.r, c.g, c.b, c.a)) {
            continue;
        }
        SetFrameBuffer(c.index);
        Clear(c.r, c.g, c.b, c.a);
    }
    currentTargetIndex = -1;
    SetFrameBuffer(0);

    ReadClientSize();
    const QzViewportRect letterbox = QzFrameLetterboxViewport(clientWidth, clientHeight);
    glViewport(letterbox.x, letterbox.y, letterbox.width, letterbox.height);
    NoteViewport(letterbox.width, letterbox.height);

    glEnable(GL_DEPTH_TEST);
    depthTestOn = true;
    ResetWorldMatrix();
    ForgetBoundTextures();
    currentProgram->Use();
}

void CQzGraphicsGL2::EndFrame() {
    if (!ready) {
        return;
    }
    if (currentTarget != nullptr) {
        currentTarget->Unbind();
    }
    boundTargetIndex = -1;
    depthTestOn = false;
    // Drawing is on the window now: no target stays selected, so a later
    // selection of target 0 binds it again instead of drawing on the window.
    currentTargetIndex = -1;
    glDisable(GL_DEPTH_TEST);
    ResetWorldMatrix();

    ReadClientSize();
    windowScale = QzWindowScale(clientWidth, clientHeight);
    const QzViewportRect vp =
        QzCompositionViewport(clientWidth, clientHeight, screenWidth, screenHeight);
    glViewport(vp.x, vp.y, vp.width, vp.height);
    NoteViewport(vp.width, vp.height);
    glClearColor(0, 0, 0, 0);
    // Nothing tests the window's depth (the depth test is off whenever the
    // window is drawn on), so it is cleared again only after a draw wrote it.
    const bool clearDepth = !renderSkips || !windowDepthClear;
    glClear(GL_COLOR_BUFFER_BIT | (clearDepth ? GL_DEPTH_BUFFER_BIT : 0));
    windowDepthClear = windowDepthClear || (clearDepth && depthWriteOn);

    SetOrthoProjection();
    ResetWorldMatrix();
    SetBlendMode(QZ_BLEND_ALPHA);
    DisableBlend();
    DisableDepthTest();
    UseShader(1);
    SetTexOffset(0, 0);

    const QzFloatRect rect =
        QzCompositionRect(displayBaseScale[0], displayBaseScale[1], displayScale[0],
                          displayScale[1], displayOffset[0], displayOffset[1]);
    // A composition held back onto target 13 goes straight onto the window
    // where that gives the same bytes; otherwise it is drawn onto 13 first.
    if (held.pending && DrawFoldedComposition(rect, vp.width, vp.height)) {
        return;
    }
    DrawHeldComposition();
    SetTexture(targets[13]->GetTexture(), 0);
    // Program 1 discards texels of alpha 0: a blank target 13 writes nothing
    // over the cleared window.
    if (!IsFrameBufferBlank(13)) {
        DrawRect(rect.x, rect.y, rect.width, rect.height, 255, 255, 255, 255, 0.0f);
    }
}

void CQzGraphicsGL2::SetRenderSkips(bool on) {
    // Without the skips every pass is drawn where it is asked for.
    if (!on) {
        DrawHeldComposition();
    }
    renderSkips = on;
}

// [SECTION] The held composition

bool CQzGraphicsGL2::HoldComposition(IQzTexture* texture, const std::uint8_t tint[4]) {
    IQzFrameBuffer* presented = Target(13);
    if (!renderSkips || held.pending || boundTargetIndex != 13 || depthTestOn ||
        presented == nullptr || texture == presented->GetTexture()) {
        return false;
    }
    int source = -1;
    for (int i = 0; i < static_cast<int>(targets.size()); ++i) {
        if (targets[static_cast<std::size_t>(i)] != nullptr &&
            targets[static_cast<std::size_t>(i)]->GetTexture() == texture) {
            source = i;
        }
    }
    const QzFoldKind kind = QzCompositionFoldKind(blendOn, blendMode);
    // Only onto a target that holds zero bytes everywhere, where every mode
    // comes down to one of the fold's results.
    if (source < 0 || kind == QzFoldKind::kNone ||
        !tracker.IsClearTo(13, presented->GetTexture(), 0)) {
        return false;
    }
    if (kind == QzFoldKind::kNothing) {
        // Zero times anything: target 13 stays as it is.
        return true;
    }
    held.pending = true;
    held.source = source;
    std::copy(tint, tint + 4, held.tint);
    held.blendOn = blendOn;
    held.blendMode = blendMode;
    held.kind = kind;
    glGetIntegerv(GL_VIEWPORT, held.viewport);
    held.mvp = Product(world, projection);
    held.size[0] = screenWidth;
    held.size[1] = screenHeight;
    tracker.NoteDraw(13, presented->GetDepthRenderBuffer(), false);
    return true;
}

void CQzGraphicsGL2::DrawHeldComposition() {
    if (held.pending) {
        DrawHeldCompositionNow();
    }
}

void CQzGraphicsGL2::DrawHeldCompositionNow() {
    held.pending = false;
    IQzFrameBuffer* presented = Target(13);
    IQzFrameBuffer* source = Target(held.source);
    IQzShaderProgramObj* program = programs[1];
    if (!ready || presented == nullptr || source == nullptr || source->GetTexture() == nullptr ||
        program == nullptr || !program->IsLinked()) {
        return;
    }
    // The GL state this draw changes, to be put back as it was.
    GLint framebuffer = 0, box[4] = {0, 0, 0, 0}, used = 0, unit = 0, unit0Texture = 0;
    GLint arrayBuffer = 0, srcRgb = 0, dstRgb = 0, srcAlpha = 0, dstAlpha = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    glGetIntegerv(GL_VIEWPORT, box);
    glGetIntegerv(GL_CURRENT_PROGRAM, &used);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
    glGetIntegerv(GL_BLEND_SRC_RGB, &srcRgb);
    glGetIntegerv(GL_BLEND_DST_RGB, &dstRgb);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &srcAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &dstAlpha);
    const bool blendWasOn = glIsEnabled(GL_BLEND) == GL_TRUE;
    const bool depthWasOn = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &unit0Texture);

    // The draw as DrawRect would have made it.
    presented->Bind();
    glViewport(held.viewport[0], held.viewport[1], held.viewport[2], held.viewport[3]);
    glDisable(GL_DEPTH_TEST);
    if (held.blendOn) {
        SetBlendFunctions(held.blendMode);
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
    program->Use();
    program->SetUniformMatrix4fvByName("u_mvp_matrix", Elements(held.mvp));
    program->SetUniform2fByName("u_tex_ofs", 0.0f, 0.0f);
    program->SetUniform1iByName("u_enable_vcolor", 1);
    program->SetUniform1iByName("u_enable_texture", 1);
    IQzTexture* texture = source->GetTexture();
    texture->Bind();
    texture->SetFilter(false, false);
    const float w = static_cast<float>(held.size[0]), h = static_cast<float>(held.size[1]);
    const float positions[12] = {0, 0, 0, w, 0, 0, 0, h, 0, w, h, 0};
    const float texcoords[8] = {0, 1, 1, 1, 0, 0, 1, 0};
    std::uint8_t colors[16];
    for (int i = 0; i < 16; ++i) {
        colors[i] = held.tint[i % 4];
    }
    SetClientArrays(positions, colors, texcoords, nullptr, nullptr, nullptr);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    texture->SetFilter(true, true);

    // Every draw sets its own attributes; none may keep pointing here.
    for (GLuint a = 0; a < 3; ++a) {
        glDisableVertexAttribArray(a);
    }
    program->SetUniform2fByName("u_tex_ofs", program1TexOffset[0], program1TexOffset[1]);
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(unit0Texture));
    glActiveTexture(static_cast<GLenum>(unit));
    glUseProgram(static_cast<GLuint>(used));
    CQzShaderProgramObj::ForgetProgramInUse();
    glBlendFuncSeparate(static_cast<GLenum>(srcRgb), static_cast<GLenum>(dstRgb),
                        static_cast<GLenum>(srcAlpha), static_cast<GLenum>(dstAlpha));
    (blendWasOn ? glEnable : glDisable)(GL_BLEND);
    (depthWasOn ? glEnable : glDisable)(GL_DEPTH_TEST);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(framebuffer));
    glViewport(box[0], box[1], box[2], box[3]);
}

bool CQzGraphicsGL2::DrawFoldedComposition(const QzFloatRect& rect, int vpWidth, int vpHeight) {
    IQzFrameBuffer* presented = Target(13);
    IQzFrameBuffer* source = Target(held.source);
    IQzTexture* texture = source != nullptr ? source->GetTexture() : nullptr;
    IQzTexture* presentedTexture = presented != nullptr ? presented->GetTexture() : nullptr;
    if (texture == nullptr || presentedTexture == nullptr || foldProgram == nullptr ||
        !foldProgram->IsLinked()) {
        return false;
    }
    // Both passes texel for pixel: the source onto 13 over the whole of both
    // (same size), and 13 onto the window with an unscaled rectangle.
    const int w = presentedTexture->GetWidth(), h = presentedTexture->GetHeight();
    const bool oneToOne = texture->GetWidth() == w && texture->GetHeight() == h &&
                          held.viewport[0] == 0 && held.viewport[1] == 0 && held.viewport[2] == w &&
                          held.viewport[3] == h && screenWidth == w && screenHeight == h &&
                          vpWidth == w && vpHeight == h && rect.x == 0.0f && rect.y == 0.0f &&
                          rect.width == static_cast<float>(w) &&
                          rect.height == static_cast<float>(h);
    if (!oneToOne) {
        return false;
    }
    held.pending = false;
    IQzShaderProgramObj* copyProgram = currentProgram;
    SetTexture(texture, 0);
    SetCurrentProgram(foldProgram);
    foldProgram->SetUniform1iByName("u_fold_kind", held.kind == QzFoldKind::kPremultiplied ? 1 : 0);
    texture->SetFilter(false, false);
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    const float positions[12] = {0, 0, 0, fw, 0, 0, 0, fh, 0, fw, fh, 0};
    const float texcoords[8] = {0, 1, 1, 1, 0, 0, 1, 0};
    std::uint8_t colors[16];
    for (int i = 0; i < 16; ++i) {
        colors[i] = held.tint[i % 4];
    }
    // Texels outside what was drawn into the source still hold its clear
    // colour of alpha 0, which the fold discards: only the drawn rectangle
    // is drawn (the source's texel (i, j) lands on the window at the
    // viewport's corner plus (i, j)).
    int drawn[4] = {0, 0, w, h};
    const bool bounded = tracker.DrawnRect(held.source, texture, drawn);
    lastFoldArea = static_cast<long>(drawn[2] - drawn[0]) * (drawn[3] - drawn[1]);
    if (bounded) {
        GLint box[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_VIEWPORT, box);
        glEnable(GL_SCISSOR_TEST);
        glScissor(box[0] + drawn[0], box[1] + drawn[1], drawn[2] - drawn[0], drawn[3] - drawn[1]);
    }
    if (lastFoldArea > 0) {
        DrawArrays(QZ_PRIM_TRIANGLE_STRIP, 4, positions, colors, texcoords, nullptr);
    }
    if (bounded) {
        glDisable(GL_SCISSOR_TEST);
    }
    texture->SetFilter(true, true);
    SetCurrentProgram(copyProgram);
    copyProgram->Use();
    SetTexture(presentedTexture, 0);
    // Target 13 was never drawn: it still holds the zero bytes it was
    // cleared to, so the next frame need not clear it again.
    tracker.NoteClear(13, presentedTexture, nullptr, 0, true, true, false);
    ++foldedFrames;
    return true;
}

bool CQzGraphicsGL2::ClearChanges(int index, std::uint32_t rgba) const {
    IQzFrameBuffer* target = Target(index);
    if (target == nullptr) {
        return false;
    }
    const CQzTargetTracker::ClearNeed need =
        tracker.NeededClear(index, target->GetTexture(), target->GetDepthRenderBuffer(), rgba);
    return need.color || need.depth;
}

void CQzGraphicsGL2::Clear(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    IQzFrameBuffer* target = boundTargetIndex >= 0 ? Target(boundTargetIndex) : nullptr;
    const std::uint32_t rgba = QzPackColor(r, g, b, a);
    const void* colorKey = target != nullptr ? target->GetTexture() : nullptr;
    const void* depthKey = target != nullptr ? target->GetDepthRenderBuffer() : nullptr;
    GLbitfield mask = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
    if (held.pending && boundTargetIndex == 13) {
        // Clearing the colour of 13 overwrites whatever the hold would draw.
        held.pending = false;
    }
    DrawHeldCompositionBefore(boundTargetIndex);
    // The window is cleared every time; a target only where it is not clear
    // yet (a target without a depth buffer has no depth to clear).
    if (target != nullptr && renderSkips) {
        const CQzTargetTracker::ClearNeed need =
            tracker.NeededClear(boundTargetIndex, colorKey, depthKey, rgba);
        if (!need.color) {
            mask &= ~static_cast<GLbitfield>(GL_COLOR_BUFFER_BIT);
        }
        if (!need.depth) {
            mask &= ~static_cast<GLbitfield>(GL_DEPTH_BUFFER_BIT);
        }
        if (mask == 0) {
            return;
        }
    }
    glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
    glClear(mask);
    if (target == nullptr) {
        windowDepthClear = windowDepthClear || depthWriteOn;
    } else {
        // With depth writes masked off, a clear leaves the depth as it was.
        tracker.NoteClear(boundTargetIndex, colorKey, depthKey, rgba, a == 0,
                          (mask & GL_COLOR_BUFFER_BIT) != 0,
                          (mask & GL_DEPTH_BUFFER_BIT) != 0 && depthWriteOn);
    }
}

bool CQzGraphicsGL2::PutOffClear(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                 std::uint8_t a) {
    auto* target = dynamic_cast<CQzFrameBuffer*>(Target(index));
    if (target == nullptr) {
        return false;
    }
    const std::uint32_t rgba = QzPackColor(r, g, b, a);
    const void* colorKey = target->GetTexture();
    const void* depthKey = target->GetDepthRenderBuffer();
    // A depth buffer still to clear needs the target bound (and its image).
    if (tracker.NeededClear(index, colorKey, depthKey, rgba).depth ||
        !target->PutOffColorClear(rgba)) {
        return false;
    }
    tracker.NoteClear(index, colorKey, depthKey, rgba, a == 0, true, false);
    return true;
}

void CQzGraphicsGL2::ClearDefault() {
    Clear(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
}

void CQzGraphicsGL2::ClearFrameBuffer(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                      std::uint8_t a) {
    if (Target(index) == nullptr) {
        return;
    }
    const int remembered = currentTargetIndex;
    SetFrameBuffer(index);
    Clear(r, g, b, a);
    SetFrameBuffer(remembered);
}

void CQzGraphicsGL2::Present() {
    if (window != nullptr) {
        platform::window::current().swap_buffers(window);
    }
}

void CQzGraphicsGL2::Flush() {
    if (glewReady) {
        glFlush();
    }
}

// [SECTION] State

void CQzGraphicsGL2::SetOrthoProjection() {
    float e[16];
    QzOrthoProjection(screenWidth, screenHeight, e);
    projection = FromElements(e);
    ResetWorldMatrix();
}

void CQzGraphicsGL2::SetPerspectiveProjection() {
    float e[16];
    QzPerspectiveProjection(screenWidth, screenHeight, e);
    projection = FromElements(e);
    ResetWorldMatrix();
}

void CQzGraphicsGL2::SetViewport(int x, int y, int width, int height, float, float) {
    viewport[0] = static_cast<float>(x);
    viewport[1] = static_cast<float>(y);
    viewport[2] = static_cast<float>(width);
    viewport[3] = static_cast<float>(height);
    const QzViewportRect r = QzFlippedViewport(x, y, width, height);
    glViewport(r.x, r.y, r.width, r.height);
    NoteViewport(r.width, r.height);
}

void CQzGraphicsGL2::GetViewport(float out[4]) const {
    for (int i = 0; i < 4; ++i) {
        out[i] = viewport[i];
    }
}

void CQzGraphicsGL2::EnableDepthTest() {
    glEnable(GL_DEPTH_TEST);
    depthTestOn = true;
}
void CQzGraphicsGL2::DisableDepthTest() {
    glDisable(GL_DEPTH_TEST);
    depthTestOn = false;
}
void CQzGraphicsGL2::EnableDepthWrite() {
    glDepthMask(GL_TRUE);
    depthWriteOn = true;
}
void CQzGraphicsGL2::DisableDepthWrite() {
    glDepthMask(GL_FALSE);
    depthWriteOn = false;
}
void CQzGraphicsGL2::EnableBlend() {
    glEnable(GL_BLEND);
    blendOn = true;
}
void CQzGraphicsGL2::DisableBlend() {
    glDisable(GL_BLEND);
    blendOn = false;
}

void CQzGraphicsGL2::SetBlendMode(int mode) {
    if (SetBlendFunctions(mode)) {
        blendMode = mode;
    }
    glEnable(GL_BLEND);
    blendOn = true;
}

void CQzGraphicsGL2::SetScreenSize(int width, int height) {
    screenWidth = width;
    screenHeight = height;
}

// [SECTION] Matrices

void CQzGraphicsGL2::ResetWorldMatrix() {
    world = Identity();
    SetWorldMatrix(world);
}

void CQzGraphicsGL2::SetWorldMatrix(const Matrix& m) {
    world = m;
}
void CQzGraphicsGL2::LoadWorldMatrix(const Matrix& m) {
    world = m;
}

void CQzGraphicsGL2::Translate(float x, float y, float z) {
    world.TransrateMatrix(x, y, z);
    SetWorldMatrix(world);
}

void CQzGraphicsGL2::Rotate(float x, float y, float z) {
    // world becomes Rz Ry Rx world.
    world.RotateMatrixX(x);
    world.RotateMatrixY(y);
    world.RotateMatrixZ(z);
    SetWorldMatrix(world);
}

void CQzGraphicsGL2::Scale(float x, float y, float z) {
    world.ScaleMatrix(x, y, z);
    SetWorldMatrix(world);
}

void CQzGraphicsGL2::PushMatrix() {
    matrixStack.push_back(world);
}

void CQzGraphicsGL2::PopMatrix() {
    if (matrixStack.empty()) {
        SetWorldMatrix(Identity());
        return;
    }
    const Matrix top = matrixStack.back();
    matrixStack.pop_back();
    SetWorldMatrix(top);
}

void CQzGraphicsGL2::MultMatrix(const Matrix& m) {
    SetWorldMatrix(Product(m, world));
}

void CQzGraphicsGL2::MultMatrixByValue(Matrix m) {
    MultMatrix(m);
}

// [SECTION] Program uniforms

void CQzGraphicsGL2::SetMvpMatrix(const Matrix& w) {
    if (currentProgram != nullptr) {
        const Matrix mvp = Product(w, projection);
        currentProgram->SetUniformMatrix4fvByName("u_mvp_matrix", Elements(mvp));
    }
}

void CQzGraphicsGL2::SetBoneMatrices(const Matrix* matrices, int count) {
    if (currentProgram == nullptr || matrices == nullptr || count <= 0) {
        return;
    }
    std::vector<float> packed(static_cast<std::size_t>(count) * 16);
    for (int i = 0; i < count; ++i) {
        const float* e = Elements(matrices[i]);
        std::copy(e, e + 16, packed.begin() + static_cast<std::ptrdiff_t>(i) * 16);
    }
    currentProgram->SetUniformMatrix4fvArrayByName("u_bone_matrixs", count, packed.data());
}

void CQzGraphicsGL2::SetProjectionMatrix(const Matrix& m) {
    projection = m;
}

void CQzGraphicsGL2::SetTexOffset(float u, float v) {
    if (currentProgram != nullptr) {
        currentProgram->SetUniform2fByName("u_tex_ofs", u, v);
        if (currentProgram == programs[1]) {
            program1TexOffsetZero = u == 0.0f && v == 0.0f;
            program1TexOffset[0] = u;
            program1TexOffset[1] = v;
        }
    }
}

void CQzGraphicsGL2::SetTex1Offset(float u, float v) {
    if (currentProgram != nullptr) {
        currentProgram->SetUniform2fByName("u_tex1_ofs", u, v);
    }
}

void CQzGraphicsGL2::SetGaussianDir(float x, float y) {
    if (currentProgram != nullptr) {
        currentProgram->SetUniform2fByName("u_gaussian_dir", x, y);
    }
}

void CQzGraphicsGL2::SetYuragiParam(float x, float y, float strength) {
    if (currentProgram != nullptr) {
        currentProgram->SetUniform3fByName("u_yuragi_param", x, y, strength);
    }
}

void CQzGraphicsGL2::SetOfsZ(float z) {
    if (currentProgram != nullptr) {
        currentProgram->SetUniform1fByName("u_ofsz", z);
    }
}

void CQzGraphicsGL2::SetTexSize(float width, float height) {
    if (currentProgram != nullptr) {
        currentProgram->SetUniform2fByName("u_tex_size", width, height);
    }
}

void CQzGraphicsGL2::SetLight(float x, float y, float z, float r, float g, float b) {
    if (currentProgram != nullptr) {
        const float position[3] = {x, y, z};
        const float color[3] = {r, g, b};
        currentProgram->SetUniform3fvByName("lightPos", 1, position);
        currentProgram->SetUniform3fvByName("lightCol", 1, color);
    }
}

void CQzGraphicsGL2::SetAmbient(float r, float g, float b) {
    if (currentProgram != nullptr) {
        const float color[3] = {r, g, b};
        currentProgram->SetUniform3fvByName("ambient", 1, color);
    }
}

void CQzGraphicsGL2::SetEyePos(float x, float y, float z) {
    if (currentProgram != nullptr) {
        const float position[3] = {x, y, z};
        currentProgram->SetUniform3fvByName("eyePosLocal", 1, position);
    }
}

void CQzGraphicsGL2::SetPaletteIndex(int index) {
    if (currentProgram != nullptr) {
        currentProgram->SetUniform1fByName("paletteIndex", static_cast<float>(index));
    }
}

void CQzGraphicsGL2::SetLightViewProjMatrix(const Matrix& m) {
    if (currentProgram != nullptr) {
        currentProgram->SetUniformMatrix4fvByName("u_lvp_matrix", Elements(m));
    }
}

void CQzGraphicsGL2::SetGreaPow(float power) {
    if (currentProgram != nullptr) {
        currentProgram->SetUniform1fByName("u_grea_pow", power);
    }
}

void CQzGraphicsGL2::UseShader(int index) {
    IQzShaderProgramObj* program = GetShaderProgram(index);
    if (program == nullptr) {
        return;
    }
    SetCurrentProgram(program);
    currentProgram->Use();
}

void CQzGraphicsGL2::SetCurrentProgram(IQzShaderProgramObj* program) {
    if (program != nullptr) {
        currentProgram = program;
    }
}

// [SECTION] Render targets

IQzFrameBuffer* CQzGraphicsGL2::Target(int index) const {
    if (index < 0 || index >= static_cast<int>(targets.size())) {
        return nullptr;
    }
    return targets[static_cast<std::size_t>(index)];
}

void CQzGraphicsGL2::SetFrameBuffer(int index) {
    if (index == -1) {
        // Back to the window (a clear that began with no target selected).
        if (currentTargetIndex != -1 && currentTarget != nullptr) {
            currentTarget->Unbind();
            boundTargetIndex = -1;
        }
        currentTargetIndex = -1;
        return;
    }
    IQzFrameBuffer* target = Target(index);
    if (target == nullptr) {
        return;
    }
    if (index != currentTargetIndex) {
        target->Bind();
        currentTarget = target;
        boundTargetIndex = index;
        // Binding sets the viewport to the target's size.
        IQzTexture* color = target->GetTexture();
        NoteViewport(color != nullptr ? color->GetWidth() : 0,
                     color != nullptr ? color->GetHeight() : 0);
    }
    currentTargetIndex = index;
}

IQzFrameBuffer* CQzGraphicsGL2::GetFrameBuffer(int index) {
    // The caller may bind, draw into or read the target itself.
    DrawHeldCompositionBefore(index);
    return Target(index);
}

bool CQzGraphicsGL2::IsFrameBufferBlank(int index) {
    IQzFrameBuffer* target = Target(index);
    return renderSkips && target != nullptr && tracker.IsBlank(index, target->GetTexture());
}

std::uint32_t CQzGraphicsGL2::GetFrameBufferColor(int index) {
    if (index < 0 || index >= static_cast<int>(targetColors.size())) {
        return 0xFFFFFFFFu;
    }
    return targetColors[static_cast<std::size_t>(index)];
}

void CQzGraphicsGL2::SetFrameBufferColor(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                         std::uint8_t a) {
    if (index < 0 || index >= static_cast<int>(targetColors.size())) {
        return;
    }
    targetColors[static_cast<std::size_t>(index)] = QzPackColor(r, g, b, a);
}

void CQzGraphicsGL2::SetDisplayBaseScale(float x, float y) {
    displayBaseScale[0] = x;
    displayBaseScale[1] = y;
}

void CQzGraphicsGL2::SetDisplayScale(float x, float y) {
    displayScale[0] = x;
    displayScale[1] = y;
}

void CQzGraphicsGL2::SetDisplayOfs(float x, float y) {
    displayOffset[0] = x;
    displayOffset[1] = y;
}

// [SECTION] Textures

void CQzGraphicsGL2::ForgetBoundTextures() {
    for (IQzTexture*& texture : boundTexture) {
        texture = nullptr;
    }
}

void CQzGraphicsGL2::SetTexture(IQzTexture* texture, int unit) {
    if (unit < 0 || unit >= kQzSamplerUnitCount) {
        return;
    }
    if (texture == nullptr) {
        boundTexture[unit] = nullptr;
        return;
    }
    // A texture deleted since the last bind may have left its address to a
    // new one: the cache cannot tell them apart, so it starts afresh.
    const std::uint32_t deletions = CQzTextureGL::GetDeletedCount();
    if (deletions != seenTextureDeletions) {
        ForgetBoundTextures();
        seenTextureDeletions = deletions;
    }
    if (held.pending && Target(13) != nullptr && texture == Target(13)->GetTexture()) {
        DrawHeldComposition();
    }
    if (texture == boundTexture[unit]) {
        return;
    }
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    // A target whose image is not made yet (nothing drawn into it, at most
    // a clear put off) is sampled from a 1 x 1 stand-in of the same texel.
    auto* gl = renderSkips ? dynamic_cast<CQzTextureGL*>(texture) : nullptr;
    if (gl != nullptr && gl->IsImagePending()) {
        gl->BindForSampling();
    } else {
        texture->Bind();
    }
    boundTexture[unit] = texture;
    if (currentProgram != nullptr) {
        currentProgram->SetUniform1iByName(kQzSamplerNames[unit], unit);
    }
}

IQzTexture* CQzGraphicsGL2::LoadTexture(const char* path) {
    if (!ready || path == nullptr) {
        return nullptr;
    }
    // Uploading binds the new texture on the active unit behind the cache.
    ForgetBoundTextures();
    return CQzTextureGL::LoadFile(path);
}

IQzTexture* CQzGraphicsGL2::LoadTextureFromMemory(const char* path, const void* data,
                                                  std::uint32_t size) {
    if (!ready || path == nullptr || data == nullptr) {
        return nullptr;
    }
    ForgetBoundTextures();
    return CQzTextureGL::LoadMemory(path, data, static_cast<std::size_t>(size));
}

// [SECTION] Buffers

IQzVertexBuffer* CQzGraphicsGL2::CreateVertexBuffer(int count, const float* positions,
                                                    const std::uint8_t* colors,
                                                    const float* texcoords, const float* normals) {
    if (!ready) {
        return nullptr;
    }
    CQzVertexBuffer2* vb = new CQzVertexBuffer2();
    vb->Build(count, positions, colors, texcoords, normals);
    return vb;
}

IQzVertexBuffer* CQzGraphicsGL2::CreateVertexBufferCopy(int count, const float* positions,
                                                        const std::uint8_t* colors,
                                                        const float* texcoords,
                                                        const float* normals) {
    if (!ready) {
        return nullptr;
    }
    return new CQzVertexBuffer2(count, positions, colors, texcoords, normals);
}

IQzIndexBuffer* CQzGraphicsGL2::CreateIndexBuffer(int count, const std::uint16_t* indices) {
    if (!ready) {
        return nullptr;
    }
    return new CQzIndexBuffer2(count, indices);
}

// [SECTION] Draws

void CQzGraphicsGL2::NoteDraw() {
    if (boundTargetIndex < 0) {
        windowDepthClear = windowDepthClear && !(depthTestOn && depthWriteOn);
        return;
    }
    IQzFrameBuffer* target = Target(boundTargetIndex);
    // Depth is only written with the depth test on and depth writes allowed.
    tracker.NoteDraw(boundTargetIndex, target != nullptr ? target->GetDepthRenderBuffer() : nullptr,
                     depthTestOn && depthWriteOn);
}

void CQzGraphicsGL2::NoteDrawOf(GLenum mode, const float* positions, int count, bool skinned) {
    IQzFrameBuffer* target = boundTargetIndex >= 0 ? Target(boundTargetIndex) : nullptr;
    IQzTexture* color = target != nullptr ? target->GetTexture() : nullptr;
    // Points and lines can reach past their vertices, and bones move them.
    const bool filled = mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP ||
                        mode == GL_TRIANGLE_FAN || mode == GL_QUADS;
    if (color == nullptr || !filled || skinned) {
        NoteDraw();
        return;
    }
    // The viewport as OpenGL has it: a target bound behind the renderer's
    // back has set its own.
    GLint box[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, box);
    const int viewportBox[4] = {box[0], box[1], box[2], box[3]};
    const Matrix mvp = Product(world, projection);
    int rect[4];
    if (!QzDrawBounds(positions, count, Elements(mvp), viewportBox, color->GetWidth(),
                      color->GetHeight(), rect)) {
        NoteDraw();
        return;
    }
    tracker.NoteDraw(boundTargetIndex, target->GetDepthRenderBuffer(), depthTestOn && depthWriteOn,
                     rect);
}

bool CQzGraphicsGL2::BeginDraw() {
    if (!ready || currentProgram == nullptr || !currentProgram->IsLinked()) {
        return false;
    }
    DrawHeldCompositionBefore(boundTargetIndex);
    // A program made current with SetCurrentProgram alone is used here too.
    currentProgram->Use();
    SetMvpMatrix(world);
    return true;
}

void CQzGraphicsGL2::SetPresenceUniforms(bool color, bool texcoord) {
    currentProgram->SetUniform1iByName("u_enable_vcolor", color ? 1 : 0);
    currentProgram->SetUniform1iByName("u_enable_texture", texcoord ? 1 : 0);
}

void CQzGraphicsGL2::SetClientArrays(const float* positions, const std::uint8_t* colors,
                                     const float* texcoords, const float* normals,
                                     const std::uint16_t* boneIndices, const float* weights) {
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    ClientAttribute(0, positions, 3, GL_FLOAT);
    ClientAttribute(1, colors, 4, GL_UNSIGNED_BYTE);
    ClientAttribute(2, texcoords, 2, GL_FLOAT);
    ClientAttribute(3, normals, 3, GL_FLOAT);
    ClientAttribute(4, boneIndices, 4, GL_UNSIGNED_SHORT);
    ClientAttribute(5, weights, 4, GL_FLOAT);
}

void CQzGraphicsGL2::DrawArraysVB(int primitive, int count, int first, IQzVertexBuffer* vb) {
    GLenum mode = 0;
    if (vb == nullptr || !PrimitiveMode(primitive, &mode) || first < 0 || count <= 0 ||
        static_cast<long long>(first) + count > vb->GetVertexCount() || !BeginDraw()) {
        return;
    }
    vb->Bind();
    // The buffer sets up attributes 0-2; nothing of an earlier draw remains.
    glDisableVertexAttribArray(3);
    glDisableVertexAttribArray(4);
    glDisableVertexAttribArray(5);
    SetPresenceUniforms(vb->HasColor(), vb->HasTexCoord());
    NoteDraw();
    glDrawArrays(mode, first, count);
}

void CQzGraphicsGL2::DrawArraysVBFromStart(int primitive, int count, IQzVertexBuffer* vb) {
    DrawArraysVB(primitive, count, 0, vb);
}

void CQzGraphicsGL2::DrawElementsVB(int primitive, int indexCount, IQzVertexBuffer* vb,
                                    IQzIndexBuffer* ib) {
    GLenum mode = 0;
    if (vb == nullptr || ib == nullptr || indexCount <= 0 || indexCount > ib->GetIndexCount() ||
        !PrimitiveMode(primitive, &mode) || !BeginDraw()) {
        return;
    }
    vb->Bind();
    glDisableVertexAttribArray(3);
    glDisableVertexAttribArray(4);
    glDisableVertexAttribArray(5);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    ib->Bind();
    // An index buffer made without indices binds nothing, and the draw would
    // then read its indices from address 0.
    GLint bound = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
    if (bound == 0) {
        return;
    }
    SetPresenceUniforms(vb->HasColor(), vb->HasTexCoord());
    NoteDraw();
    glDrawElements(mode, indexCount, GL_UNSIGNED_SHORT, nullptr);
}

void CQzGraphicsGL2::DrawRangeElementsVB(int primitive, int vertexCount, int indexCount,
                                         IQzVertexBuffer* vb, const std::uint16_t* indices) {
    GLenum mode = 0;
    if (vb == nullptr || indices == nullptr || indexCount <= 0 || vertexCount <= 0 ||
        vertexCount > vb->GetVertexCount() || !IndicesInRange(indices, indexCount, vertexCount) ||
        !PrimitiveMode(primitive, &mode) || !BeginDraw()) {
        return;
    }
    vb->Bind();
    glDisableVertexAttribArray(3);
    glDisableVertexAttribArray(4);
    glDisableVertexAttribArray(5);
    // Client indices: an element buffer left bound would turn the pointer
    // into an offset into that buffer.
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    SetPresenceUniforms(vb->HasColor(), vb->HasTexCoord());
    NoteDraw();
    glDrawRangeElements(mode, 0, static_cast<GLuint>(vertexCount - 1), indexCount,
                        GL_UNSIGNED_SHORT, indices);
}

void CQzGraphicsGL2::DrawClientIndexed(int primitive, int vertexCount, int indexCount,
                                       const float* positions, const std::uint8_t* colors,
                                       const float* texcoords, const float* normals,
                                       const std::uint16_t* indices,
                                       const std::uint16_t* boneIndices, const float* weights,
                                       bool skinned) {
    GLenum mode = 0;
    if (indices == nullptr || indexCount <= 0 || vertexCount <= 0 ||
        !IndicesInRange(indices, indexCount, vertexCount) || !PrimitiveMode(primitive, &mode) ||
        !BeginDraw()) {
        return;
    }
    SetClientArrays(positions, colors, texcoords, normals, skinned ? boneIndices : nullptr,
                    skinned ? weights : nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    SetPresenceUniforms(colors != nullptr, texcoords != nullptr);
    NoteDrawOf(mode, positions, vertexCount, skinned);
    glDrawRangeElements(mode, 0, static_cast<GLuint>(vertexCount - 1), indexCount,
                        GL_UNSIGNED_SHORT, indices);
}

void CQzGraphicsGL2::DrawClientArrays(int primitive, int count, const float* positions,
                                      const std::uint8_t* colors, const float* texcoords,
                                      const float* normals, const std::uint16_t* boneIndices,
                                      const float* weights, bool skinned) {
    GLenum mode = 0;
    if (count <= 0 || !PrimitiveMode(primitive, &mode) || !BeginDraw()) {
        return;
    }
    SetClientArrays(positions, colors, texcoords, normals, skinned ? boneIndices : nullptr,
                    skinned ? weights : nullptr);
    SetPresenceUniforms(colors != nullptr, texcoords != nullptr);
    NoteDrawOf(mode, positions, count, skinned);
    glDrawArrays(mode, 0, count);
}

void CQzGraphicsGL2::DrawIndexed(int primitive, int vertexCount, int indexCount,
                                 const float* positions, const std::uint8_t* colors,
                                 const float* texcoords, const float* normals,
                                 const std::uint16_t* indices) {
    DrawClientIndexed(primitive, vertexCount, indexCount, positions, colors, texcoords, normals,
                      indices, nullptr, nullptr, false);
}

void CQzGraphicsGL2::DrawArrays(int primitive, int count, const float* positions,
                                const std::uint8_t* colors, const float* texcoords,
                                const float* normals) {
    DrawClientArrays(primitive, count, positions, colors, texcoords, normals, nullptr, nullptr,
                     false);
}

void CQzGraphicsGL2::DrawIndexedSkinned(int primitive, int vertexCount, int indexCount,
                                        const float* positions, const std::uint8_t* colors,
                                        const float* texcoords, const float* normals,
                                        const std::uint16_t* indices,
                                        const std::uint16_t* boneIndices, const float* weights) {
    DrawClientIndexed(primitive, vertexCount, indexCount, positions, colors, texcoords, normals,
                      indices, boneIndices, weights, true);
}

void CQzGraphicsGL2::DrawSkinned(int primitive, int count, const float* positions,
                                 const std::uint8_t* colors, const float* texcoords,
                                 const float* normals, const std::uint16_t* boneIndices,
                                 const float* weights) {
    DrawClientArrays(primitive, count, positions, colors, texcoords, normals, boneIndices, weights,
                     true);
}

IQzTexture* CQzGraphicsGL2::OneToOneTargetTexture(float x, float y, float width,
                                                  float height) const {
    if (!renderSkips || currentProgram != programs[1] || !program1TexOffsetZero || x != 0.0f ||
        y != 0.0f || width != static_cast<float>(screenWidth) ||
        height != static_cast<float>(screenHeight) || viewportPixels[0] != screenWidth ||
        viewportPixels[1] != screenHeight ||
        seenTextureDeletions != CQzTextureGL::GetDeletedCount()) {
        return nullptr;
    }
    IQzTexture* texture = boundTexture[0];
    if (texture == nullptr || texture->GetWidth() != screenWidth ||
        texture->GetHeight() != screenHeight) {
        return nullptr;
    }
    float ortho[16];
    QzOrthoProjection(screenWidth, screenHeight, ortho);
    if (!std::equal(ortho, ortho + 16, projection.m) || !(world == Identity())) {
        return nullptr;
    }
    // Only the screen-sized targets that sample linearly.
    for (const TargetSetup& setup : kTargets) {
        IQzFrameBuffer* target = Target(setup.index);
        if (target != nullptr && target->GetTexture() == texture) {
            return setup.width == 0 && !setup.nearest ? texture : nullptr;
        }
    }
    return nullptr;
}

void CQzGraphicsGL2::DrawRect(float x, float y, float width, float height, std::uint8_t r,
                              std::uint8_t g, std::uint8_t b, std::uint8_t a, float z) {
    const float positions[12] = {x, y,          z, x + width, y,          z,
                                 x, y + height, z, x + width, y + height, z};
    const float texcoords[8] = {0, 1, 1, 1, 0, 0, 1, 0};
    const std::uint8_t colors[16] = {r, g, b, a, r, g, b, a, r, g, b, a, r, g, b, a};
    // A target drawn texel for pixel (each pixel centre on a texel centre)
    // reads the same texel with nearest as with linear filtering, and nearest
    // costs a software rasteriser a quarter of the reads.
    IQzTexture* oneToOne = OneToOneTargetTexture(x, y, width, height);
    if (oneToOne != nullptr && z == 0.0f && HoldComposition(oneToOne, colors)) {
        return;
    }
    if (oneToOne != nullptr) {
        oneToOne->SetFilter(false, false);
    }
    DrawArrays(QZ_PRIM_TRIANGLE_STRIP, 4, positions, colors, texcoords, nullptr);
    if (oneToOne != nullptr) {
        oneToOne->SetFilter(true, true);
    }
}

}  // namespace QZW::Win
