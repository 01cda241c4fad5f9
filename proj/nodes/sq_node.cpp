// Script scene node (see the header).
#include "proj/nodes/sq_node.h"

#include <algorithm>

#include "proj/game/game_draw_task.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/qz_screen.h"

namespace QZW {

CSqNode::CSqNode(const CSqNode& other)
    : position(other.position),
      rotation(other.rotation),
      scale(other.scale),
      name(other.name),
      visible(other.visible),
      alpha(other.alpha) {
    matrix = other.matrix;
    maxChildren = other.maxChildren;
    for (CQzNode* child : other.children) {
        if (child == nullptr) {
            continue;
        }
        children.push_back(child);
        if (auto* node = dynamic_cast<CSqNode*>(child)) {
            Listed(node, std::uint32_t(children.size() - 1));
        }
    }
    LinkParent(this, other.parent);
}

CSqNode::~CSqNode() {
    for (CSqNode* container : listedIn) {
        container->DropListings(this);
    }
    for (auto& [child, at] : listing) {
        child->listedIn.erase(this);
    }
    for (CSqNode* child : parented) {
        if (child->parent == this) {
            child->parent = nullptr;
        }
    }
    if (parent) {
        parent->parented.erase(this);
    }
}

void CSqNode::LinkParent(CSqNode* child, CSqNode* newParent) {
    if (child->parent) {
        child->parent->parented.erase(child);
    }
    child->parent = newParent;
    if (newParent) {
        newParent->parented.insert(child);
    }
}

void CSqNode::Listed(CSqNode* child, std::uint32_t at) {
    listing[child].push_back(at);
    child->listedIn.insert(this);
}

void CSqNode::DropListings(CSqNode* child) {
    auto it = listing.find(child);
    if (it == listing.end()) {
        return;
    }
    for (std::uint32_t at : it->second) {
        children[at] = nullptr;
        ++holes;
    }
    listing.erase(it);
    CompactIfSparse();
}

std::vector<CQzNode*> CSqNode::LiveChildren() const {
    std::vector<CQzNode*> live;
    live.reserve(children.size() - holes);
    for (CQzNode* child : children) {
        if (child != nullptr) {
            live.push_back(child);
        }
    }
    return live;
}

void CSqNode::CompactChildren() {
    children.erase(std::remove(children.begin(), children.end(), nullptr), children.end());
    holes = 0;
    for (auto& [child, at] : listing) {
        at.clear();
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        auto* node = dynamic_cast<CSqNode*>(children[i]);
        auto it = node ? listing.find(node) : listing.end();
        if (it != listing.end()) {
            it->second.push_back(std::uint32_t(i));
        }
    }
}

// Closing up costs the list's length, paid once per half of it removed.
void CSqNode::CompactIfSparse() {
    if (holes > 0 && std::size_t(holes) * 2 > children.size()) {
        CompactChildren();
    }
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
    for (auto& [child, at] : listing) {
        child->listedIn.erase(this);
    }
    listing.clear();
    children.clear();
    holes = 0;
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
    // The limit counts live children only.
    if (holes > 0 && children.size() >= maxChildren) {
        CompactChildren();
    }
    if (AppendChildBounded(child)) {
        Listed(child, std::uint32_t(children.size() - 1));
    }
}

void CSqNode::Insert(CSqNode* child) {
    if (!child || child->Reaches(this)) {
        return;
    }
    // Every position moves: the front insert rebuilds them (linear).
    children.insert(children.begin(), child);
    listing[child];
    child->listedIn.insert(this);
    CompactChildren();
}

void CSqNode::Remove(CSqNode* child) {
    if (!child) {
        return;
    }
    auto it = listing.find(child);
    if (it != listing.end()) {
        std::vector<std::uint32_t>& at = it->second;
        children[at.front()] = nullptr;
        ++holes;
        at.erase(at.begin());
        if (at.empty()) {
            listing.erase(it);
            child->listedIn.erase(this);
        }
        CompactIfSparse();
    }
    LinkParent(child, nullptr);
}

}  // namespace QZW
