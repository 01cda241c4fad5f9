// QZW::CResourceManager: the process-wide cache of meshes built from model
// parts (keyed by the part's address) and bitmap fonts (keyed by file name).
// What it makes lives until ReleaseAll, at exit; owners never delete it.
// Game thread only; the renderer and font owner come from the game manager.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_vector.h"

namespace acGraphics {
class CBitmapFont;
class IFontOwner;
}  // namespace acGraphics

namespace QZW {

class CQzMesh;
class IQzGraphics;

// The geometry of one model part as the mesh cache reads it; the arrays
// belong to the loaded model file.
struct QzModelPartGeometry {
    const Vector3* positions = nullptr;
    const Color* colours = nullptr;
    const Vector3* normals = nullptr;
    const Vector2* uvs = nullptr;
    const std::uint16_t* indices = nullptr;
    std::uint32_t vertexCount = 0;
    std::uint32_t indexCount = 0;
};

class CResourceManager {
public:
    static CResourceManager* GetInstance();

    CResourceManager() = default;
    CResourceManager(const CResourceManager&) = delete;
    CResourceManager& operator=(const CResourceManager&) = delete;
    virtual ~CResourceManager();

    // The cached mesh of this part, built once with its vertex buffer.
    CQzMesh* GetMesh(const QzModelPartGeometry* part);
    // The cached font of this file name (bytewise, case counts); a file that
    // cannot be read gives an empty font that is cached all the same.
    acGraphics::CBitmapFont* GetFont(const std::string& fileName);
    void ReleaseAll();

    std::size_t GetMeshCount() const { return meshes.size(); }
    std::size_t GetFontCount() const { return fonts.size(); }

    // Where meshes get their buffers and fonts their files and pages; by
    // default the game manager's renderer and engine draw task. Tests set
    // their own; null restores the defaults.
    void SetServices(IQzGraphics* graphics, acGraphics::IFontOwner* fontOwner);

private:
    IQzGraphics* Graphics() const;
    acGraphics::IFontOwner* FontOwner() const;

    std::map<std::uintptr_t, CQzMesh*> meshes;
    std::map<std::string, acGraphics::CBitmapFont*> fonts;
    IQzGraphics* graphicsOverride = nullptr;
    acGraphics::IFontOwner* fontOwnerOverride = nullptr;
};

}  // namespace QZW
