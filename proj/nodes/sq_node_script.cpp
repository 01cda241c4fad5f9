// The "CSqNode" script class and the order of the node classes.
#include "proj/nodes/sq_node_script.h"

#include <string>

#include "proj/nodes/sq_mesh_model_script.h"
#include "proj/nodes/sq_node.h"

namespace Sample::SqNodes {

using QZW::CSqNode;

SQInteger RefuseClone(HSQUIRRELVM v) {
    sq_setinstanceup(v, 1, nullptr);
    const SqBind::ClassInfo* info = SqBind::InstanceClassInfo(v, 2);
    const std::string text = std::string(info ? info->name : "these") + kNoClone;
    return sq_throwerror(v, text.c_str());
}

void RegisterSqNode(HSQUIRRELVM v) {
    SqBind::Class<CSqNode> c(v, "CSqNode");
    ClonableInstances<CSqNode>(v);
    c.Method<&CSqNode::GetPos>("GetPos")
        .Method<&CSqNode::GetScale>("GetScale")
        .Method<&CSqNode::GetRotate>("GetRotate")
        .Method<&CSqNode::SetPos>("SetPos")
        .Method<&CSqNode::SetScale>("SetScale")
        .Method<&CSqNode::SetRotate>("SetRotate")
        .Method<&CSqNode::DrawOnLayer>("Draw")
        .Method<&CSqNode::SetAlpha>("SetAlpha")
        .Method<&CSqNode::SetColor>("SetColor")
        .Method<&CSqNode::SetName>("SetName")
        .Method<&CSqNode::GetName>("GetName")
        .Method<&CSqNode::PushBack>("PushBack")
        .Method<&CSqNode::Insert>("Insert")
        .Method<&CSqNode::Remove>("Remove")
        .Method<&CSqNode::Clear>("Clear")
        .Method<&CSqNode::Hide>("Hide")
        .Method<&CSqNode::Show>("Show");
}

}  // namespace Sample::SqNodes

namespace Sample {

void RegisterScriptNodeClasses(HSQUIRRELVM v) {
    SqNodes::RegisterSqNode(v);
    SqNodes::RegisterSqMaterial(v);
    SqNodes::RegisterSqSprite(v);
    SqNodes::RegisterSqSpriteBuffer(v);
    SqNodes::RegisterSqFont(v);
    SqNodes::RegisterSqMesh(v);
    SqNodes::RegisterSqMeshModel(v);
}

}  // namespace Sample
