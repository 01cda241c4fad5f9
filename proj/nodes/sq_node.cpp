// Script scene node (see the header).
#include "proj/nodes/sq_node.h"

#include <algorithm>

#include "proj/game/game_draw_task.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/qz_screen.h"

namespace QZW {
namespace {

void EraseOne(std::vector<CSqNode*>& list, const CSqNode* node) {
    auto it = std::find(list.begin(), list.end(), node);
    if (it != list.end()) {
        list.erase(it);
    }
}

void EraseAll(std::vector<CSqNode*>& list, const CSqNode* node) {
    list.erase(std::remove(list.begin(), list.end(), node), list.end());
}

}  // namespace

CSqNode::~CSqNode() {
    for (CSqNode* container : listedIn) {
        auto& kids = container->children;
        kids.erase(std::remove(kids.begin(), kids.end(), static_cast<CQzNode*>(this)), kids.end());
        EraseAll(container->listing, this);
    }
    for (CSqNode* child : listing) {
        EraseAll(child->listedIn, this);
    }
    for (CSqNode* child : parented) {
        if (child->parent == this) {
            child->parent = nullptr;
        }
    }
    if (parent) {
        EraseAll(parent->parented, this);
    }
}

void CSqNode::LinkParent(CSqNode* child, CSqNode* newParent) {
    if (child->parent) {
        EraseAll(child->parent->parented, child);
    }
    child->parent = newParent;
    if (newParent) {
        newParent->parented.push_back(child);
    }
}

void CSqNode::Listed(CSqNode* child) {
    listing.push_back(child);
    child->listedIn.push_back(this);
}

void CSqNode::Unlisted(CSqNode* child) {
    EraseOne(listing, child);
    EraseOne(child->listedIn, this);
}

// [SECTION] Drawing

void CSqNode::UpdateMatrix() {
    matrix.ResetMatrix();
    matrix.TransrateMatrix(position.x, position.y, position.z);
    matrix.RotateMatrixZ(rotation.z);
    matrix.RotateMatrixY(rotation.y);
    matrix.RotateMatrixX(rotation.x);
    matrix.ScaleMatrix(scale.x, scale.y, scale.z);
}

void CSqNode::Draw(IQzGraphics* g) {
    if (visible) {
        UpdateMatrix();
    }
    g->PushMatrix();
    g->MultMatrix(matrix);
}

void CSqNode::DrawOnLayer(std::int32_t layer) {
    if (visible) {
        DrawOnLayerAlways(layer);
    }
}

void CSqNode::DrawOnLayerAlways(std::int32_t layer) {
    Sample::CGameDrawTask* draw = Sample::GetGameDrawTask();
    CQzScreen* screen = draw ? draw->GetLayerScreen(layer) : nullptr;
    if (screen) {
        screen->layers[0].AppendChildBounded(this);
    }
}

// [SECTION] Tree

void CSqNode::Clear() {
    for (CQzNode* child : children) {
        if (auto* node = dynamic_cast<CSqNode*>(child)) {
            Unlisted(node);
        }
    }
    children.clear();
}

void CSqNode::Hide() {
    visible = 0;
    // Index loop: a child's override may change this list.
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (auto* node = dynamic_cast<CSqNode*>(children[i])) {
            node->Hide();
        }
    }
}

void CSqNode::Show() {
    visible = 1;
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (auto* node = dynamic_cast<CSqNode*>(children[i])) {
            node->Show();
        }
    }
}

void CSqNode::SetAlpha(std::int32_t value, bool recursive) {
    alpha = std::clamp(value, 0, 255);
    if (!recursive) {
        return;
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (auto* node = dynamic_cast<CSqNode*>(children[i])) {
            node->SetAlpha(value, recursive);
        }
    }
}

bool CSqNode::Reaches(const CSqNode* node) const {
    if (node == this) {
        return true;
    }
    for (const CQzNode* child : children) {
        const auto* sq = dynamic_cast<const CSqNode*>(child);
        if (sq && sq->Reaches(node)) {
            return true;
        }
    }
    return false;
}

void CSqNode::PushBack(CSqNode* child) {
    // A child that already reaches this node would close a cycle, which
    // every walk of the tree would follow forever.
    if (!child || child->Reaches(this)) {
        return;
    }
    LinkParent(child, this);
    if (AppendChildBounded(child)) {
        Listed(child);
    }
}

void CSqNode::Insert(CSqNode* child) {
    if (!child || child->Reaches(this)) {
        return;
    }
    children.insert(children.begin(), child);
    Listed(child);
}

void CSqNode::Remove(CSqNode* child) {
    if (!child) {
        return;
    }
    auto it = std::find(children.begin(), children.end(), static_cast<CQzNode*>(child));
    if (it != children.end()) {
        children.erase(it);
        Unlisted(child);
    }
    LinkParent(child, nullptr);
}

}  // namespace QZW
