// QZW::CSqMeshModel: the script node of a model file. Loading turns each
// part record into an engine mesh with its rest transform and a material
// made by name from the material-info table; it is synchronous (LoadBin) or
// a state machine polled once a frame (LoadBinAsync, UpdateLoadBinAsync)
// whose file read delivers into the model itself. Draw queues every part on
// the layer node its material's blending picks; a mesh and a skin animation
// run side by side; the ground queries choose among the parts.
// Limits: a part record whose material is not in the table makes no part;
// a damaged or unreadable file loads nothing and is named, with the reason,
// in the script log and on stderr. Game thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "proj/nodes/sq_file_read_ticket.h"
#include "proj/nodes/sq_hit_mesh_info.h"
#include "proj/nodes/sq_model_anim.h"
#include "proj/nodes/sq_model_part.h"
#include "proj/nodes/sq_node.h"
#include "qzware/scene/qz_color.h"

namespace QZW {

class CSqMaterial;

class CSqMeshModel : public CSqNode, public ISqFileReadReceiver {
public:
    enum LoadState : std::int32_t { kWaitRead = 0, kParse = 1, kWaitMaterials = 2, kDone = 3 };

    CSqMeshModel() = default;
    CSqMeshModel(const CSqMeshModel&) = delete;
    CSqMeshModel& operator=(const CSqMeshModel&) = delete;
    // Cancels a pending read, then ReleaseResource.
    ~CSqMeshModel() override;

    // [SECTION] Loading
    // There are no built-in models.
    bool Load(const std::string&) { return false; }
    // False when the file cannot be read or is damaged; true otherwise, also
    // when no record found its material.
    bool LoadBin(const std::string& path, bool uploadNow, bool deleteRelease);
    // Starts the read and returns its request id (-1 without a file
    // manager, which still ends in Done with no parts).
    std::int32_t LoadBinAsync(const std::string& path, bool uploadNow, bool deleteRelease);
    // One step: read, parse, wait for the materials' textures; true only in
    // Done. A read that brings no data ends in Done with no parts.
    bool UpdateLoadBinAsync();
    // Parses a whole file image (an engine buffer the model takes over) into
    // parts; the number of animation chunks found. The image is kept while
    // chunks point into it and freed otherwise. `readable` (when given) is
    // false for a damaged file, which makes no part.
    int ParseModelBin(void* image, std::size_t size, bool uploadNow, bool deleteRelease, bool async,
                      bool* readable = nullptr);
    bool AreMaterialsReady();
    // Deletes every part's mesh, node and material (after the frame that may
    // have queued them, while the game draw task exists) and frees the kept
    // file images.
    void ReleaseResource();

    // [SECTION] Drawing and animation
    // "Draw": every part's node takes the model's local matrix and is queued
    // on the layer node of its material (none for priorities past 3).
    void DrawParts(std::int32_t layer);
    void SetColor(std::int32_t r, std::int32_t g, std::int32_t b, std::int32_t a);
    // "Update".
    void Update() { SqModelUpdateAnim(parts, anim); }
    void PlayMeshAnim(const std::string& name);
    void PlaySkinAnim(const std::string& name);
    void SetAnimSpeed(float speed) { anim.animSpeed = speed; }
    bool IsEndAnim() const { return anim.ended; }
    void SetAnimFrame(float frame);
    float GetAnimFrame() const;
    void SetLoop(bool loop) { anim.loop = loop; }
    void CalcBoundBox();
    // Part indices outside the parts are ignored.
    void SetColActive(std::int32_t part, bool active);

    // [SECTION] Materials by name
    // The first part's material of that name, or null. The model keeps its
    // share; a script handle takes one of its own (sq_mesh_model_script).
    CSqMaterial* GetMaterial(const std::string& name);
    void SetMeshMaterial_TexOffset(const std::string& name, float u, float v);
    void SetMeshMaterial_Tex1Offset(const std::string& name, float u, float v);
    void SetMeshMaterial_SetYuragiParam(const std::string& name, float a, float b, float c);
    void SetMeshMaterial_ProjectMapMatrix(const std::string& name, const Matrix& m);

    // [SECTION] Ground queries
    float GetGroundHight(float x, float y, float z);
    SqHitMeshInfo GetGroundInfo(float x, float y, float z);
    SqHitMeshInfo GetGroundInfo2(const Vector3& p) { return GetGroundInfo(p.x, p.y, p.z); }
    SqHitMeshInfo GetGroundInfoXY(float x, float y, float z);
    SqHitMeshInfo GetGroundInfoXY2(const Vector3& p) { return GetGroundInfoXY(p.x, p.y, p.z); }

    // The file read's delivery (see sq_file_read_ticket.h).
    void OnFileRead(void* data, std::uint32_t size, std::int32_t status) override;

    std::int32_t requestId = -1;
    std::int32_t loadState = kDone;
    bool uploadNow = true;
    bool deleteRelease = true;
    std::vector<SqModelPart> parts;
    Color colour{255, 255, 255, 255};
    SqModelAnimState anim;
    // The model files kept for their animation chunks.
    std::vector<std::unique_ptr<SqModelImage>> images;

private:
    template <class F>
    void ForMaterialsNamed(const std::string& name, F&& f);
    // afterDraw: hand everything to the game draw task to free after the
    // frame being built (the part nodes may be queued in it).
    void FreeParts(bool afterDraw);
    void DropPendingRead();

    // The file the last LoadBin or LoadBinAsync named, for its failure line.
    std::string loadingPath;
    std::uintptr_t readTicket = 0;
    bool readDelivered = false;
    void* readData = nullptr;
    std::uint32_t readSize = 0;
};

}  // namespace QZW
