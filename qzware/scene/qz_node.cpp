// Base node, matrix node and command node (see the header).
#include "qzware/scene/qz_node.h"

#include "qzware/scene/iqz_graphics.h"

namespace QZW {

void CQzNode::Hide() {
    // Index loop: a child may change this list while it hides.
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i] != nullptr) {
            children[i]->Hide();
        }
    }
}

void CQzNode::Show() {
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i] != nullptr) {
            children[i]->Show();
        }
    }
}

void CQzNode::DrawTree(CQzNode* node, IQzGraphics* g) {
    if (node == nullptr) {
        return;
    }
    node->PreDraw(g);
    node->Draw(g);
    // The list is read only now and re-read every step: Draw (or a child's
    // draw) may append to it.
    for (std::size_t i = 0; i < node->children.size(); ++i) {
        DrawTree(node->children[i], g);
    }
    node->PostDraw(g);
}

bool CQzNode::AppendChildBounded(CQzNode* child) {
    if (children.size() >= maxChildren) {
        return false;
    }
    children.push_back(child);
    return true;
}

void CQzMatrixNode::Draw(IQzGraphics* g) {
    g->PushMatrix();
    g->MultMatrix(matrix);
}

void CQzMatrixNode::PostDraw(IQzGraphics* g) {
    g->PopMatrix();
}

void CQzCommandNode::Draw(IQzGraphics* g) {
    if (callback != nullptr) {
        callback(g, userValue);
    }
}

}  // namespace QZW
