// The "CSqMesh" script class.
#include "proj/nodes/sq_mesh.h"
#include "proj/nodes/sq_node_script.h"

namespace Sample::SqNodes {

using QZW::CSqMesh;
using QZW::CSqNode;

void RegisterSqMesh(HSQUIRRELVM v) {
    SqBind::Class<CSqMesh, CSqNode> c(v, "CSqMesh");
    OwnedInstances<CSqMesh>(v);
    c.Method<&CSqNode::SetPos>("SetPos")
        .Method<&CSqNode::SetScale>("SetScale")
        .Method<&CSqNode::SetRotate>("SetRotate")
        .Method<&CSqNode::DrawOnLayerAlways>("Draw")
        .Method<&CSqNode::SetAlpha>("SetAlpha")
        .Method<&CSqNode::SetColor>("SetColor")
        .Method<&CSqNode::PushBack>("PushBack")
        .Method<&CSqMesh::SetMaterial>("SetMaterial")
        .Method<&CSqNode::Clear>("Clear")
        .Method<&CSqNode::Remove>("Remove")
        .Method<&CSqMesh::AppendVertex>("AppendVertex")
        .Method<&CSqMesh::AppendColor>("AppendColor")
        .Method<&CSqMesh::AppendTexCoord>("AppendTexCoord")
        .Method<&CSqMesh::AppendNormal>("AppendNormal")
        .Method<&CSqMesh::AppendIndex>("AppendIndex")
        .Method<&CSqMesh::AppendPrim>("AppendPrim")
        .Method<&CSqMesh::AppendSprite>("AppendSprite");
}

}  // namespace Sample::SqNodes
