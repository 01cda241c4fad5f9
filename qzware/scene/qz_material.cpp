// Material state and its Apply (see the header).
#include "qzware/scene/qz_material.h"

#include <bit>

#include "qzware/scene/iqz_graphics.h"

namespace QZW {
namespace {

Matrix DefaultLightProjection() {
    Matrix m;
    for (float& e : m.m) {
        e = 0.0f;
    }
    m[0] = 0.5f;
    m[5] = 0.5f;
    m[10] = -1.0f;
    m[15] = 1.0f;
    return m;
}

}  // namespace

const QzFixedLight& QzMaterialLight() {
    static const QzFixedLight light = {
        {std::bit_cast<float>(0x3FB139A8u), std::bit_cast<float>(0x3FF83C4Bu),
         std::bit_cast<float>(0xBFB2147Bu)},
        {1.0f, 1.0f, 1.0f},
        {0.5f, 0.5f, 0.5f},
        {std::bit_cast<float>(0xBE8D9180u), std::bit_cast<float>(0x3FEFAABDu),
         std::bit_cast<float>(0xC11E2852u)},
    };
    return light;
}

CQzMaterial::CQzMaterial(std::int32_t shader)
    : shaderType(shader), lightProjection(DefaultLightProjection()) {}

CQzMaterial::~CQzMaterial() {
    for (IQzTexture*& texture : textures) {
        texture = nullptr;
    }
}

void CQzMaterial::SetTexture(std::int32_t unit, IQzTexture* texture) {
    if (unit >= 0 && unit < kTextureUnits) {
        textures[unit] = texture;
    }
}

IQzTexture* CQzMaterial::GetTexture(std::int32_t unit) const {
    return unit >= 0 && unit < kTextureUnits ? textures[unit] : nullptr;
}

void CQzMaterial::Apply(IQzGraphics* g) const {
    if (g == nullptr) {
        return;
    }
    depthTest ? g->EnableDepthTest() : g->DisableDepthTest();
    depthWrite ? g->EnableDepthWrite() : g->DisableDepthWrite();
    alphaBlend ? g->EnableBlend() : g->DisableBlend();
    g->SetBlendMode(blendMode);
    g->UseShader(shaderType);
    g->SetPaletteIndex(paletteIndex);
    g->SetTexOffset(texOffset[0], texOffset[1]);
    g->SetTex1Offset(tex1Offset[0], tex1Offset[1]);
    g->SetGreaPow(greaPow);
    g->SetGaussianDir(gaussianDir[0], gaussianDir[1]);
    g->SetYuragiParam(yuragiParam[0], yuragiParam[1], yuragiParam[2]);
    g->SetOfsZ(zOffset);
    g->SetTexSize(texSize[0], texSize[1]);
    g->SetFrameBuffer(frameBufferId);
    for (int unit = 0; unit < kTextureUnits; ++unit) {
        if (textures[unit] != nullptr) {
            g->SetTexture(textures[unit], unit);
        }
    }
    const QzFixedLight& light = QzMaterialLight();
    g->SetLight(light.position[0], light.position[1], light.position[2], light.color[0],
                light.color[1], light.color[2]);
    g->SetAmbient(light.ambient[0], light.ambient[1], light.ambient[2]);
    g->SetEyePos(light.eye[0], light.eye[1], light.eye[2]);

    Matrix world;
    g->GetWorldMatrix(world);
    Matrix mapped;
    Matrix lightViewProjection;
    MulMatrix(world, projectMapMatrix, mapped);
    MulMatrix(mapped, lightProjection, lightViewProjection);
    g->SetLightViewProjMatrix(lightViewProjection);
}

}  // namespace QZW
