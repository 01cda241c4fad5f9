// The "CSqFont" script class.
#include "proj/nodes/sq_font.h"
#include "proj/nodes/sq_node_script.h"

namespace Sample::SqNodes {

using QZW::CSqFont;
using QZW::CSqNode;

void RegisterSqFont(HSQUIRRELVM v) {
    SqBind::Class<CSqFont, CSqNode> c(v, "CSqFont");
    OwnedInstances<CSqFont>(v);
    c.Method<&CSqNode::SetPos>("SetPos")
        .Method<&CSqNode::SetScale>("SetScale")
        .Method<&CSqNode::SetRotate>("SetRotate")
        .Method<&CSqFont::SetText>("SetText")
        .Method<&CSqFont::SetAlign>("SetAlign")
        .Method<&CSqFont::SetAlignY>("SetAlignY")
        .Method<&CSqFont::SetLimitLength>("SetLimitLength")
        .Method<&CSqFont::SetFontHeight>("SetFontHeight")
        .Method<&CSqNode::DrawOnLayerAlways>("Draw")
        .Method<&CSqNode::Remove>("Remove")
        .Method<&CSqNode::Clear>("Clear")
        .Method<&CSqNode::SetAlpha>("SetAlpha")
        .Method<&CSqFont::SetColor>("SetColor")
        .Method<&CSqNode::GetName>("GetName")
        .Method<&CSqNode::SetName>("SetName")
        .Method<&CSqNode::Hide>("Hide")
        .Method<&CSqNode::Show>("Show")
        .Method<&CSqNode::PushBack>("PushBack")
        .Method<&CSqFont::SetTargetFrameBufferId>("SetTargetFrameBufferId")
        .Method<&CSqFont::LoadFont>("LoadFont")
        .Method<&CSqFont::IsHide>("IsHide")
        .Method<&CSqFont::GetAlpha>("GetAlpha")
        .Method<&CSqFont::GetTextWidth>("GetTextWidth")
        .Method<&CSqFont::SetPanePos>("SetPanePos")
        .Method<&CSqFont::SetPaneSize>("SetPaneSize")
        .Method<&CSqFont::SetPaneScale>("SetPaneScale")
        .Method<&CSqFont::SetTextBoxSize>("SetTextBoxSize")
        .Method<&CSqFont::UpdateOption>("UpdateOption");
}

}  // namespace Sample::SqNodes
