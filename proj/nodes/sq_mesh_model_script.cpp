// Script bindings of the model node and of the records its queries return.
// A model instance owns its model (clones refused); the records are plain
// values whose clones are copies, and a record a script makes starts zeroed.
#include "proj/nodes/sq_mesh_model_script.h"

#include "proj/nodes/sq_material.h"
#include "proj/nodes/sq_mesh_model.h"
#include "proj/nodes/sq_node_script.h"

namespace Sample::SqNodes {
namespace {

using QZW::BoundBox;
using QZW::CSqMeshModel;
using QZW::CSqNode;
using QZW::QzHitMeshInfo;
using QZW::SqHitMeshInfo;

template <class T>
SQInteger CloneValue(HSQUIRRELVM v) {
    void* original = nullptr;
    if (SQInteger r = SqBind::FetchObject(v, 2, &SqBind::InfoOf<T>(), false, &original); r != 0) {
        return r;
    }
    sq_setinstanceup(v, 1, new T(*static_cast<T*>(original)));
    sq_setreleasehook(v, 1, &SqBind::ReleaseObject<T>);
    return 0;
}

// A material handle shares the material with its model: it stays usable
// after the model's ReleaseResource or death, and the last of them frees it.
SQInteger ReleaseMaterialShare(SQUserPointer p, SQInteger) {
    QZW::SqLetGoMaterial(static_cast<QZW::CSqMaterial*>(p));
    return 1;
}

SQInteger GetMaterial(HSQUIRRELVM v) {
    void* self = nullptr;
    if (SQInteger r = SqBind::FetchThis(v, &SqBind::InfoOf<CSqMeshModel>(), &self); r != 0) {
        return r;
    }
    if (sq_gettop(v) != 2) {
        return sq_throwerror(v, SqBind::kWrongParamCount);
    }
    std::string name;
    if (SQInteger r = SqBind::Arg<std::string>::Get(v, 2, name); r != 0) {
        return r;
    }
    QZW::CSqMaterial* m = static_cast<CSqMeshModel*>(self)->GetMaterial(name);
    if (m == nullptr) {
        sq_pushnull(v);
        return 1;
    }
    ++m->shares;
    return SqBind::PushInstance(v, SqBind::InfoOf<QZW::CSqMaterial>(), m, &ReleaseMaterialShare);
}

template <class T>
void ValueInstances(SqBind::Class<T>& c, HSQUIRRELVM v) {
    c.template Ctors<SqBind::Ctor<>>();
    SqBind::NewSlot(v, "_cloned", &CloneValue<T>, false);
}

void RegisterModel(HSQUIRRELVM v) {
    SqBind::Class<CSqMeshModel, CSqNode> c(v, "CSqMeshModel");
    OwnedInstances<CSqMeshModel>(v);
    c.Method<&CSqMeshModel::Load>("Load")
        .Method<&CSqMeshModel::LoadBin>("LoadBin")
        .Method<&CSqMeshModel::LoadBinAsync>("LoadBinAsync")
        .Method<&CSqMeshModel::UpdateLoadBinAsync>("UpdateLoadBinAsync")
        .Method<&CSqNode::SetPos>("SetPos")
        .Method<&CSqNode::SetScale>("SetScale")
        .Method<&CSqNode::SetRotate>("SetRotate")
        .Method<&CSqNode::SetName>("SetName")
        .Method<&CSqNode::GetName>("GetName")
        .Method<&CSqMeshModel::Update>("Update")
        .Method<&CSqMeshModel::DrawParts>("Draw")
        .Method<&CSqNode::Remove>("Remove")
        .Method<&CSqNode::Clear>("Clear")
        .Method<&CSqNode::SetAlpha>("SetAlpha")
        .Method<&CSqMeshModel::SetColor>("SetColor")
        .Method<&CSqNode::PushBack>("PushBack")
        .Method<&CSqMeshModel::GetGroundHight>("GetGroundHight")
        .Method<&CSqMeshModel::GetGroundInfo>("GetGroundInfo")
        .Method<&CSqMeshModel::GetGroundInfo2>("GetGroundInfo2")
        .Method<&CSqMeshModel::GetGroundInfoXY>("GetGroundInfoXY")
        .Method<&CSqMeshModel::GetGroundInfoXY2>("GetGroundInfoXY2")
        .Method<&CSqMeshModel::PlayMeshAnim>("PlayMeshAnim")
        .Method<&CSqMeshModel::PlaySkinAnim>("PlaySkinAnim")
        .Method<&CSqMeshModel::SetAnimSpeed>("SetAnimSpeed");
    SqBind::NewSlot(v, "GetMaterial", &GetMaterial, false);
    c.Method<&CSqMeshModel::IsEndAnim>("IsEndAnim")
        .Method<&CSqMeshModel::SetMeshMaterial_TexOffset>("SetMeshMaterial_TexOffset")
        .Method<&CSqMeshModel::SetMeshMaterial_Tex1Offset>("SetMeshMaterial_Tex1Offset")
        .Method<&CSqMeshModel::SetMeshMaterial_SetYuragiParam>("SetMeshMaterial_SetYuragiParam")
        .Method<&CSqMeshModel::SetMeshMaterial_ProjectMapMatrix>("SetMeshMaterial_ProjectMapMatrix")
        .Method<&CSqMeshModel::SetAnimFrame>("SetAnimFrame")
        .Method<&CSqMeshModel::GetAnimFrame>("GetAnimFrame")
        .Method<&CSqMeshModel::ReleaseResource>("ReleaseResource")
        .Method<&CSqMeshModel::SetLoop>("SetLoop")
        .Method<&CSqMeshModel::CalcBoundBox>("CalcBoundBox")
        .Method<&CSqMeshModel::SetColActive>("SetColActive");
}

void RegisterRecords(HSQUIRRELVM v) {
    {
        SqBind::Class<BoundBox> c(v, "SqBoundBox");
        ValueInstances(c, v);
        c.Var<&BoundBox::pos>("pos")
            .Var<&BoundBox::size>("size")
            .Method<&BoundBox::GetMin>("GetMin")
            .Method<&BoundBox::GetMax>("GetMax");
    }
    {
        SqBind::Class<QzHitMeshInfo> c(v, "QzHitMeshInfo");
        ValueInstances(c, v);
        c.Var<&QzHitMeshInfo::IsHit>("IsHit")
            .Var<&QzHitMeshInfo::GroundHight>("GroundHight")
            .Var<&QzHitMeshInfo::MaterialName>("MaterialName");
    }
    {
        SqBind::Class<SqHitMeshInfo> c(v, "SqHitMeshInfo");
        ValueInstances(c, v);
        c.Var<&SqHitMeshInfo::IsHit>("IsHit")
            .Var<&SqHitMeshInfo::IsInBound>("IsInBound")
            .Var<&SqHitMeshInfo::GroundHight>("GroundHight")
            .Var<&SqHitMeshInfo::MaterialName>("MaterialName")
            .Var<&SqHitMeshInfo::TopHight>("TopHight")
            .Var<&SqHitMeshInfo::TopMaterialName>("TopMaterialName")
            .Var<&SqHitMeshInfo::zaxis>("zaxis")
            .Var<&SqHitMeshInfo::MeshCenterPos>("MeshCenterPos")
            .Var<&SqHitMeshInfo::boundBox>("BoundBox");
    }
}

}  // namespace

void RegisterSqMeshModel(HSQUIRRELVM v) {
    RegisterModel(v);
    RegisterRecords(v);
}

}  // namespace Sample::SqNodes
