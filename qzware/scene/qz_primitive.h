// QZW::CQzPrimitive and QZW::CQzPrimLineList: coloured geometry nodes that
// keep their source points, build drawable arrays on demand and draw them
// from client memory or from a vertex buffer. A vertex buffer made from the
// built arrays is dropped by every change of the source, so a draw never
// reads past a buffer made before later appends. Game thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {

class IQzGraphics;
class IQzVertexBuffer;
class CQzMaterial;

class CQzPrimitive : public CQzNode {
public:
    CQzPrimitive();
    CQzPrimitive(const CQzPrimitive&) = delete;
    CQzPrimitive& operator=(const CQzPrimitive&) = delete;
    ~CQzPrimitive() override;

    // From the owner's shared buffer when one is set, else the own arrays.
    void Draw(IQzGraphics* g) override;
    void PreDraw(IQzGraphics* g) override;
    void PostDraw(IQzGraphics* g) override;
    // Empties the source arrays (the child list is not touched).
    void Clear() override;

    virtual void Build();
    virtual void DrawRange(IQzGraphics* g, IQzVertexBuffer* buffer, std::uint32_t first);
    virtual void DrawAll(IQzGraphics* g);
    // A buffer over the built arrays, kept (an earlier one is released) and
    // returned; null when nothing is built.
    virtual IQzVertexBuffer* CreateVertexBuffer(IQzGraphics* g);
    virtual CQzPrimitive* Clone();

    // Appends the source to target, copies the shared buffer, builds target.
    void CopyTo(CQzPrimitive* target) const;

    void SetMaterial(CQzMaterial* material) { this->material = material; }
    CQzMaterial* GetMaterial() const { return material; }
    void SetSharedBuffer(IQzVertexBuffer* buffer, std::uint32_t first) {
        sharedBuffer = buffer;
        firstVertex = first;
    }
    IQzVertexBuffer* GetVertexBuffer() const { return vertexBuffer; }
    bool IsBuilt() const { return built != 0; }
    const std::vector<Vector3>& GetSourcePoints() const { return sourcePoints; }
    const std::vector<Color>& GetSourceColors() const { return sourceColours; }
    const std::vector<Vector3>& GetBuiltPositions() const { return builtPositions; }
    const std::vector<Color>& GetBuiltColors() const { return builtColours; }

protected:
    void AppendSource(const Vector3& point, const Color& colour);
    // Material, build when needed and texture unbind: the state every draw sets.
    void PrepareDraw(IQzGraphics* g);
    void DropVertexBuffer();

    std::vector<Vector3> sourcePoints;
    std::vector<Color> sourceColours;
    std::vector<Vector3> builtPositions;
    std::vector<Color> builtColours;
    IQzVertexBuffer* vertexBuffer = nullptr;
    std::uint8_t built = 0;
    IQzVertexBuffer* sharedBuffer = nullptr;
    std::uint32_t firstVertex = 0;
    CQzMaterial* material = nullptr;
};

// Coloured line segments; source points come in pairs.
class CQzPrimLineList : public CQzPrimitive {
public:
    CQzPrimLineList();
    ~CQzPrimLineList() override;

    void Build() override;
    void DrawRange(IQzGraphics* g, IQzVertexBuffer* buffer, std::uint32_t first) override;
    void DrawAll(IQzGraphics* g) override;
    CQzPrimitive* Clone() override;

    // Both ends carry the colour (bytes r, g, b, a from the low byte up);
    // returns the number of source points.
    std::int32_t AppendLine(const Vector3& a, const Vector3& b, std::uint32_t colour);
};

}  // namespace QZW
