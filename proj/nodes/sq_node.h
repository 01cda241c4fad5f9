// QZW::CSqNode: the scene node game scripts build their own trees from, the
// base of every script node class. Position, rotation (degrees), scale,
// name, visibility, parent link and alpha over the engine's matrix node;
// the local matrix is S x Rx x Ry x Rz x T. Children are never owned, but a
// node that dies leaves no pointer to itself in the script nodes that list
// it. Pushes that would make a cycle are refused. PushBack, Remove, Clear and
// a child's death cost constant (amortized) time: Remove and a dying child
// leave a null hole in `children` (every walk skips nulls), closed up once
// holes outnumber the live half. Game thread only.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {

class CSqNode : public CQzMatrixNode {
public:
    // What the sprite batch reads to tell sprites and texts apart.
    enum NodeType : std::int32_t { kPlainNode = 0, kSpriteNode = 1, kTextNode = 2 };

    CSqNode() = default;
    // The script's clone: the same values, child pointers and parent link,
    // each registered as the original's are (so either may die first).
    CSqNode(const CSqNode& other);
    CSqNode& operator=(const CSqNode&) = delete;
    // Takes itself out of the child lists of the script nodes listing it and
    // forgets its children (they live on).
    ~CSqNode() override;

    // Rebuilds the local matrix when visible; pushes it either way.
    void Draw(IQzGraphics* g) override;
    void PreDraw(IQzGraphics*) override {}
    void Clear() override;
    void Hide() override;
    void Show() override;
    virtual std::int32_t GetNodeType() const { return kPlainNode; }
    // Stored clamped to 0..255; recursive: the same call on every script
    // node child.
    virtual void SetAlpha(std::int32_t alpha, bool recursive);

    void UpdateMatrix();

    // [SECTION] Script methods
    Vector3 GetPos() const { return position; }
    Vector3 GetScale() const { return scale; }
    Vector3 GetRotate() const { return rotation; }
    void SetPos(float x, float y, float z) { position = Vector3(x, y, z); }
    void SetScale(float x, float y, float z) { scale = Vector3(x, y, z); }
    void SetRotate(float x, float y, float z) { rotation = Vector3(x, y, z); }
    // Queues the node on layer node 0 of draw layer `layer` while that list
    // has room; a hidden node is not queued. Unknown layers are ignored.
    void DrawOnLayer(std::int32_t layer);
    // The same without the visibility test (the derived classes' "Draw").
    void DrawOnLayerAlways(std::int32_t layer);
    void SetColor(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
    void SetName(const std::string& text) { name = text; }
    std::string GetName() const { return name; }
    // Parent link always set; appended while below the child limit.
    void PushBack(CSqNode* child);
    // At the front; no parent link, no limit.
    void Insert(CSqNode* child);
    // First occurrence erased; the parent link cleared whether found or not.
    void Remove(CSqNode* child);

    // The child list without its holes, in order.
    std::vector<CQzNode*> LiveChildren() const;
    // Closes the holes (keeps the order) and renumbers the positions.
    void CompactChildren();

    // True when `node` is this node or below it.
    bool Reaches(const CSqNode* node) const;
    std::uint8_t AlphaByte() const { return std::uint8_t(alpha); }
    static bool IsScriptNode(const CQzNode* node) {
        return dynamic_cast<const CSqNode*>(node) != nullptr;
    }

    Vector3 position;
    Vector3 rotation;
    Vector3 scale{1.0f, 1.0f, 1.0f};
    std::string name;
    std::uint8_t visible = 1;
    CSqNode* parent = nullptr;
    std::int32_t alpha = -1;

private:
    // The positions in `children` of every script node this node lists
    // (ascending, one per listing), the script nodes listing this one, and
    // those whose parent link points here, so either side can unlink in
    // constant time when it dies.
    void Listed(CSqNode* child, std::uint32_t at);
    // Nulls every listing of `child` (it is dying).
    void DropListings(CSqNode* child);
    void CompactIfSparse();
    static void LinkParent(CSqNode* child, CSqNode* newParent);
    std::unordered_map<CSqNode*, std::vector<std::uint32_t>> listing;
    std::unordered_set<CSqNode*> listedIn;
    std::unordered_set<CSqNode*> parented;
    std::uint32_t holes = 0;
};

}  // namespace QZW
