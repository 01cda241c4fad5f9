// The "CSqSprite" and "CSqSpriteBuffer" script classes.
#include "proj/nodes/sq_node_script.h"
#include "proj/nodes/sq_sprite.h"
#include "proj/nodes/sq_sprite_buffer.h"

namespace Sample::SqNodes {
namespace {

using QZW::CSqNode;
using QZW::CSqSprite;
using QZW::CSqSpriteBuffer;

// Refused counts leave the buffer as it was; the script is not told.
void CreateBuffer(CSqSpriteBuffer& b, std::int32_t count) {
    b.Create(count);
}

}  // namespace

void RegisterSqSprite(HSQUIRRELVM v) {
    SqBind::Class<CSqSprite, CSqNode> c(v, "CSqSprite");
    OwnedInstances<CSqSprite>(v);
    c.Method<&CSqSprite::Set>("Set")
        .Method<&CSqSprite::SetSpriteAtlas>("SetSpriteAtlas")
        .Method<&CSqNode::GetPos>("GetPos")
        .Method<&CSqNode::GetScale>("GetScale")
        .Method<&CSqNode::GetRotate>("GetRotate")
        .Method<&CSqNode::SetPos>("SetPos")
        .Method<&CSqNode::SetScale>("SetScale")
        .Method<&CSqNode::SetRotate>("SetRotate")
        .Method<&CSqSprite::SetColor>("SetColor")
        .Method<&CSqSprite::SetAlign>("SetAlign")
        .Method<&CSqSprite::SetMargin>("SetMargin")
        .Method<&CSqSprite::SetMaterial>("SetMaterial")
        .Method<&CSqSprite::SetMargin>("SetMargin")
        .Method<&CSqNode::PushBack>("PushBack")
        .Method<&CSqNode::DrawOnLayerAlways>("Draw")
        .Method<&CSqNode::Remove>("Remove")
        .Method<&CSqNode::Clear>("Clear")
        .Method<&CSqNode::SetAlpha>("SetAlpha")
        .Method<&CSqSprite::SetSprite>("SetSprite")
        .Method<&CSqSprite::GetTexWidth>("GetTexWidth")
        .Method<&CSqSprite::GetTexHeight>("GetTexHeight")
        .Method<&CSqSprite::GetWidth>("GetWidth")
        .Method<&CSqSprite::GetHeight>("GetHeight")
        .Method<&CSqNode::Hide>("Hide")
        .Method<&CSqNode::Show>("Show")
        .Method<&CSqNode::GetName>("GetName")
        .Method<&CSqNode::SetName>("SetName")
        .Method<&CSqSprite::SetUV>("SetUV");
}

void RegisterSqSpriteBuffer(HSQUIRRELVM v) {
    SqBind::Class<CSqSpriteBuffer, CSqNode> c(v, "CSqSpriteBuffer");
    OwnedInstances<CSqSpriteBuffer>(v);
    c.Method<&CreateBuffer>("Create")
        .Method<&CSqNode::GetPos>("GetPos")
        .Method<&CSqNode::GetScale>("GetScale")
        .Method<&CSqNode::GetRotate>("GetRotate")
        .Method<&CSqNode::SetPos>("SetPos")
        .Method<&CSqNode::SetScale>("SetScale")
        .Method<&CSqNode::SetRotate>("SetRotate")
        .Method<&CSqSpriteBuffer::SetColor>("SetColor")
        .Method<&CSqSpriteBuffer::SetAlign>("SetAlign")
        .Method<&CSqSpriteBuffer::SetMargin>("SetMargin")
        .Method<&CSqSpriteBuffer::SetMaterial>("SetMaterial")
        .Method<&CSqSpriteBuffer::SetMargin>("SetMargin")
        .Method<&CSqNode::PushBack>("PushBack")
        .Method<&CSqNode::DrawOnLayerAlways>("Draw")
        .Method<&CSqNode::Remove>("Remove")
        .Method<&CSqNode::Clear>("Clear")
        .Method<&CSqNode::SetAlpha>("SetAlpha")
        .Method<&CSqSpriteBuffer::SetSprite>("SetSprite")
        .Method<&CSqSpriteBuffer::GetTexWidth>("GetTexWidth")
        .Method<&CSqSpriteBuffer::GetTexHeight>("GetTexHeight")
        .Method<&CSqSpriteBuffer::GetWidth>("GetWidth")
        .Method<&CSqSpriteBuffer::GetHeight>("GetHeight")
        .Method<&CSqNode::Hide>("Hide")
        .Method<&CSqNode::Show>("Show")
        .Method<&CSqNode::GetName>("GetName")
        .Method<&CSqNode::SetName>("SetName");
}

}  // namespace Sample::SqNodes
