// The scene graph's base node and its two simplest kinds: a node holds an
// ordered list of child pointers it does not own (rebuilt every frame by the
// owners), a matrix node brackets its subtree with a world transform, and a
// command node runs a plain callback. Game thread only; nothing is locked.
#pragma once

#include <cstdint>
#include <vector>

#include "qzware/scene/qz_matrix.h"

namespace QZW {

class IQzGraphics;

class CQzNode {
public:
    CQzNode() = default;
    // Frees the child list only; the children belong to their owners.
    virtual ~CQzNode() = default;
    CQzNode(const CQzNode&) = delete;
    CQzNode& operator=(const CQzNode&) = delete;

    virtual void Draw(IQzGraphics* /*g*/) {}
    virtual void PreDraw(IQzGraphics* /*g*/) {}
    virtual void PostDraw(IQzGraphics* /*g*/) {}
    // Empties the child list without touching the children.
    virtual void Clear() { children.clear(); }
    // Forwarded to every child; a node is never hidden itself by these.
    virtual void Hide();
    virtual void Show();

    // PreDraw, Draw, the children (read after Draw, which may fill them; null
    // entries skipped), PostDraw.
    static void DrawTree(CQzNode* node, IQzGraphics* g);

    void AppendChild(CQzNode* child) { children.push_back(child); }
    // Appends only while the child count is below maxChildren.
    bool AppendChildBounded(CQzNode* child);

    std::vector<CQzNode*> children;
    std::uint32_t maxChildren = 0xFFFFFFFFu;
};

// A world transform over its subtree: world := matrix x world on the way
// down, restored on the way back up.
class CQzMatrixNode : public CQzNode {
public:
    void Draw(IQzGraphics* g) override;
    void PostDraw(IQzGraphics* g) override;

    Matrix matrix;
};

// Runs callback(g, userValue) when drawn, so an owner's own drawing can sit
// between two subtrees.
class CQzCommandNode : public CQzNode {
public:
    using Callback = void (*)(IQzGraphics* g, std::uintptr_t userValue);

    CQzCommandNode() = default;
    CQzCommandNode(Callback cb, std::uintptr_t value) : callback(cb), userValue(value) {}
    void Draw(IQzGraphics* g) override;

    Callback callback = nullptr;
    std::uintptr_t userValue = 0;
};

}  // namespace QZW
