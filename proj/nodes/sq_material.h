// QZW::CSqMaterial: the engine material as scripts see it, with textures
// taken by name from the engine draw task's texture list (now, or through a
// background read polled by IsReady) and "frameN" names for render-target
// colour textures. QZW::SqMaterialInfo and the material-info table
// ("SQ_SetMaterialInfo") describe named materials that CreateSqMaterial
// builds. Script materials and sprites hold the textures they draw with in
// the engine draw task's texture list, so no release frees one under them.
// Game thread only; without the game draw task nothing is loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qzware/scene/qz_material.h"

namespace QZW {

class CQzDrawTask;
class IQzGameManager;

// The services script nodes reach through the game draw task; null when it
// (or the service) is missing.
IQzGameManager* SqGameManager();
CQzDrawTask* SqEngineDrawTask();

// Holds on textures of the engine draw task's list (nothing without it).
void SqHoldTexture(IQzTexture* texture);
// Ends one hold; `release`: the last hold also releases the texture from
// the list.
void SqDropTexture(IQzTexture* texture, bool release = false);
int SqTextureHolders(IQzTexture* texture);

struct SqMaterialInfo {
    std::int32_t shaderType = 1;
    std::int32_t blendmode = 0;
    bool depthtest = false;
    bool depthmask = false;
    bool alphablend = true;
    std::string tex[CQzMaterial::kTextureUnits];
    std::int32_t alphaPriority = 0;
    std::int32_t frameBufferId = 0;
    float texwidth = 2048.0f;
    float texheight = 2048.0f;
    std::int32_t texfilter = 1;
    std::int32_t texwrapmode = 0;
};

// The table "SQ_SetMaterialInfo" fills: the first record of a name stays.
void SetSqMaterialInfo(const std::string& name, const SqMaterialInfo& info);
const SqMaterialInfo* FindSqMaterialInfo(const std::string& name);
// Frees the table (the script host's destructor).
void FreeSqMaterialInfo();

class CSqMaterial;

// A node that keeps a material it does not own; told when the material dies
// so that it never draws with a freed one.
class ISqMaterialUser {
public:
    virtual void OnMaterialGone(CSqMaterial* material) = 0;

protected:
    ~ISqMaterialUser() = default;
};

class CSqMaterial : public CQzMaterial {
public:
    CSqMaterial() = default;
    // Shares the textures (each counted once more); no pending loads.
    CSqMaterial(const CSqMaterial& other);
    CSqMaterial& operator=(const CSqMaterial&) = delete;
    // deleteRelease set: ReleaseTexture; else the textures are only let go.
    ~CSqMaterial() override;

    // Slots outside 0..7 are ignored. A synchronous set or a frame name
    // ends any background load of that slot.
    void SetTexture(std::int32_t slot, const std::string& name, bool async);
    // Takes the textures whose background loads ended (a failed load leaves
    // the slot empty); true when none is pending.
    bool IsReady();
    // Lets go of every slot; a texture no other holder keeps is released
    // from the texture list (never a render target's colour texture).
    void ReleaseTexture();

    // [SECTION] Script setters
    void SetShaderType(std::int32_t type) { shaderType = type; }
    void SetBlendMode(std::int32_t mode) { blendMode = mode; }
    void EnableDepthTest() { depthTest = 1; }
    void DisableDepthTest() { depthTest = 0; }
    void EnableDepthMask() { depthWrite = 1; }
    void DisableDepthMask() { depthWrite = 0; }
    void EnableAlphaBlend() { alphaBlend = 1; }
    void DisableAlphaBlend() { alphaBlend = 0; }
    void SetPaletteIndex(std::int32_t index) { paletteIndex = index; }
    void SetTexOffset(float u, float v);
    void SetTex1Offset(float u, float v);
    void SetProjectMapMatrix(const Matrix& m) { projectMapMatrix = m; }
    void SetTextureWrapMode(std::int32_t slot, std::int32_t mode);
    void SetTextureFilter(std::int32_t slot, std::int32_t a, std::int32_t b);
    void SetGreaPow(float power) { greaPow = power; }
    void SetGaussianDir(float x, float y);
    void SetYuragiParam(float a, float b, float c);
    void SetZOffset(float z) { zOffset = z; }
    void SetTextureSize(float w, float h);
    void SetTargetFrameBufferId(std::int32_t id) { frameBufferId = id; }
    void SetAlphaPriority(std::int32_t priority) { alphaPriority = priority; }
    void SetDeleteRelease(bool value) { deleteRelease = value ? 1 : 0; }

    void AddUser(ISqMaterialUser* user) { users.push_back(user); }
    // One registration of `user` taken back.
    void RemoveUser(ISqMaterialUser* user);

    // Puts `texture` in the slot, counting holders.
    void PutTexture(std::int32_t slot, IQzTexture* texture);

    // Owners sharing the material: the model that made it and every script
    // handle "GetMaterial" gave out. SqLetGoMaterial ends one share.
    std::int32_t shares = 1;

    std::uint8_t deleteRelease = 0;
    std::int32_t pendingRequest[CQzMaterial::kTextureUnits] = {-1, -1, -1, -1, -1, -1, -1, -1};
    // The name each background load asked for: a request the scripts cleared
    // is asked again by name instead of waited on forever.
    std::string pendingName[CQzMaterial::kTextureUnits];

private:
    std::vector<ISqMaterialUser*> users;
};

// Ends one share of `material`; the last frees it (after the frame being
// built when the game draw task exists, since a part may be queued in it).
void SqLetGoMaterial(CSqMaterial* material);

// A new material from the table entry `name`, or null; the caller owns it.
CSqMaterial* CreateSqMaterial(const std::string& name, bool async);

}  // namespace QZW
