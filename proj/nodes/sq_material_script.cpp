// The "CSqMaterial" and "SqMaterialInfo" script classes and
// "SQ_SetMaterialInfo".
#include "proj/nodes/sq_material.h"
#include "proj/nodes/sq_node_script.h"

namespace Sample::SqNodes {
namespace {

using QZW::CSqMaterial;
using QZW::SqMaterialInfo;

std::string MaterialName(CSqMaterial& m) {
    return m.GetName();
}
void SetMaterialName(CSqMaterial& m, const std::string& text) {
    m.SetName(text);
}

template <int N>
std::string InfoTexture(const SqMaterialInfo& info) {
    return info.tex[N];
}
template <int N>
void SetInfoTexture(SqMaterialInfo& info, std::string name) {
    info.tex[N] = std::move(name);
}

// A material-info record owns only values: its clone is a plain copy.
SQInteger CloneInfo(HSQUIRRELVM v) {
    void* original = nullptr;
    if (SQInteger r =
            SqBind::FetchObject(v, 2, &SqBind::InfoOf<SqMaterialInfo>(), false, &original);
        r != 0) {
        return r;
    }
    sq_setinstanceup(v, 1, new SqMaterialInfo(*static_cast<SqMaterialInfo*>(original)));
    sq_setreleasehook(v, 1, &SqBind::ReleaseObject<SqMaterialInfo>);
    return 0;
}

void SQ_SetMaterialInfo(const char* name, const SqMaterialInfo& info) {
    if (name) {
        QZW::SetSqMaterialInfo(name, info);
    }
}

constexpr ScriptFunction kMaterialFunctions[] = {
    ScriptFn<&SQ_SetMaterialInfo>("SQ_SetMaterialInfo"),
};

}  // namespace

void RegisterSqMaterial(HSQUIRRELVM v) {
    {
        SqBind::Class<CSqMaterial> c(v, "CSqMaterial");
        ClonableInstances<CSqMaterial>(v);
        c.Method<&CSqMaterial::SetShaderType>("SetShaderType")
            .Method<&CSqMaterial::SetTexture>("SetTexture")
            .Method<&CSqMaterial::SetBlendMode>("SetBlendMode")
            .Method<&CSqMaterial::EnableDepthTest>("EnableDepthTest")
            .Method<&CSqMaterial::DisableDepthTest>("DisableDepthTest")
            .Method<&CSqMaterial::EnableDepthMask>("EnableDepthMask")
            .Method<&CSqMaterial::DisableDepthMask>("DisableDepthMask")
            .Method<&CSqMaterial::EnableAlphaBlend>("EnableAlphaBlend")
            .Method<&CSqMaterial::DisableAlphaBlend>("DisableAlphaBlend")
            .Method<&MaterialName>("GetName")
            .Method<&SetMaterialName>("SetName")
            .Method<&CSqMaterial::SetPaletteIndex>("SetPaletteIndex")
            .Method<&CSqMaterial::SetTexOffset>("SetTexOffset")
            .Method<&CSqMaterial::SetTex1Offset>("SetTex1Offset")
            .Method<&CSqMaterial::SetProjectMapMatrix>("SetProjectMapMatrix")
            .Method<&CSqMaterial::SetTextureWrapMode>("SetTextureWrapMode")
            .Method<&CSqMaterial::SetTextureFilter>("SetTextureFilter")
            .Method<&CSqMaterial::SetGreaPow>("SetGreaPow")
            .Method<&CSqMaterial::SetGaussianDir>("SetGaussianDir")
            .Method<&CSqMaterial::SetYuragiParam>("SetYuragiParam")
            .Method<&CSqMaterial::SetZOffset>("SetZOffset")
            .Method<&CSqMaterial::SetTextureSize>("SetTextureSize")
            .Method<&CSqMaterial::SetTargetFrameBufferId>("SetTargetFrameBufferId")
            .Method<&CSqMaterial::SetAlphaPriority>("SetAlphaPriority")
            .Method<&CSqMaterial::SetDeleteRelease>("SetDeleteRelease")
            .Method<&CSqMaterial::ReleaseTexture>("ReleaseTexture");
    }
    {
        SqBind::Class<SqMaterialInfo> c(v, "SqMaterialInfo");
        c.Ctors<SqBind::Ctor<>>();
        SqBind::NewSlot(v, "_cloned", &CloneInfo, false);
        c.Var<&SqMaterialInfo::shaderType>("shaderType")
            .Var<&SqMaterialInfo::blendmode>("blendmode")
            .Var<&SqMaterialInfo::depthtest>("depthtest")
            .Var<&SqMaterialInfo::depthmask>("depthmask")
            .Var<&SqMaterialInfo::alphablend>("alphablend")
            .Var<&SqMaterialInfo::alphaPriority>("alphaPriority")
            .Var<&SqMaterialInfo::frameBufferId>("frameBufferId")
            .Var<&SqMaterialInfo::texwidth>("texwidth")
            .Var<&SqMaterialInfo::texheight>("texheight")
            .Var<&SqMaterialInfo::texfilter>("texfilter")
            .Var<&SqMaterialInfo::texwrapmode>("texwrapmode")
            .Prop<&InfoTexture<0>, &SetInfoTexture<0>>("tex0")
            .Prop<&InfoTexture<1>, &SetInfoTexture<1>>("tex1")
            .Prop<&InfoTexture<2>, &SetInfoTexture<2>>("tex2")
            .Prop<&InfoTexture<3>, &SetInfoTexture<3>>("tex3")
            .Prop<&InfoTexture<4>, &SetInfoTexture<4>>("tex4")
            .Prop<&InfoTexture<5>, &SetInfoTexture<5>>("tex5")
            .Prop<&InfoTexture<6>, &SetInfoTexture<6>>("tex6")
            .Prop<&InfoTexture<7>, &SetInfoTexture<7>>("tex7");
    }
}

}  // namespace Sample::SqNodes

namespace Sample {

ScriptFunctionTable MaterialScriptFunctions() {
    return SqNodes::kMaterialFunctions;
}

}  // namespace Sample
