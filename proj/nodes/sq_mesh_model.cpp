// QZW::CSqMeshModel: loading, the load state machine, drawing by alpha
// priority, animation and ground queries over the parts.
#include "proj/nodes/sq_mesh_model.h"

#include <algorithm>

#include "proj/game/game_draw_task.h"
#include "proj/nodes/sq_material.h"
#include "proj/nodes/sq_model_ground.h"
#include "qzware/common/qz_mem.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/qz_load_report.h"
#include "qzware/scene/qz_screen.h"
#include "qzware/win/qz_file_manager.h"

namespace QZW {

namespace {

Win::CQzFileManager* Files() {
    IQzGameManager* manager = SqGameManager();
    return manager ? manager->GetFileManager() : nullptr;
}

// A file manager buffer goes back through the file manager; without one
// (the game is shutting down) straight to the engine allocator.
void FreeFileBuffer(void* buffer) {
    if (buffer == nullptr) {
        return;
    }
    if (Win::CQzFileManager* files = Files()) {
        files->FreeBuffer(buffer);
    } else {
        QzMemFree(buffer);
    }
}

// The rest transform, built like a script node's local matrix:
// S x Rx x Ry x Rz x T.
Matrix RestMatrix(const QzModelPart& record) {
    Matrix m;
    m.TransrateMatrix(record.position.x, record.position.y, record.position.z);
    m.RotateMatrixZ(record.rotation.z);
    m.RotateMatrixY(record.rotation.y);
    m.RotateMatrixX(record.rotation.x);
    m.ScaleMatrix(record.scale.x, record.scale.y, record.scale.z);
    return m;
}

template <class T>
const T* OrNull(const std::vector<T>& v) {
    return v.empty() ? nullptr : v.data();
}

}  // namespace

// A model is itself freed only after the frame that may have queued its
// parts (the scripts' release defers it), so its parts go at once here.
CSqMeshModel::~CSqMeshModel() {
    DropPendingRead();
    FreeParts(false);
}

// [SECTION] Loading

int CSqMeshModel::ParseModelBin(void* image, std::size_t size, bool upload, bool release,
                                bool async, bool* readable) {
    auto kept = std::make_unique<SqModelImage>();
    kept->buffer = image;
    kept->size = size;
    std::string fault = "no data";
    const bool ok = image != nullptr && QzReadModelBin(kept->Bytes(), size, kept->file, &fault);
    if (readable != nullptr) {
        *readable = ok;
    }
    if (!ok) {
        QzReportLoadFailure("model", loadingPath, "damaged file: " + fault);
        FreeFileBuffer(image);
        return 0;
    }
    IQzGameManager* manager = SqGameManager();
    IQzGraphics* g = manager ? manager->GetGraphics() : nullptr;
    int chunks = 0;
    for (const QzModelPart& record : kept->file.parts) {
        // A record whose material is not in the table makes no part; the
        // reader has already stepped over its chunks.
        CSqMaterial* material = CreateSqMaterial(record.materialName, async);
        if (material == nullptr) {
            continue;
        }
        material->deleteRelease = release ? 1 : 0;
        auto* mesh = new CQzMesh();
        mesh->SetVertexData(std::uint32_t(record.vertexCount), std::uint32_t(record.indices.size()),
                            OrNull(record.positions), OrNull(record.colours), OrNull(record.uvs),
                            nullptr, OrNull(record.indices));
        if (upload && g != nullptr) {
            g->Flush();
            mesh->CreateVertexBuffer(g);
        }
        mesh->matrix = RestMatrix(record);
        mesh->SetMaterial(material);

        SqModelPart part;
        part.mesh = mesh;
        part.material = material;
        part.partNode = std::make_unique<CQzMatrixNode>();
        part.partNode->AppendChild(mesh);
        if (record.meshAnim) {
            part.meshAnimChunk = &*record.meshAnim;
            ++chunks;
        }
        if (record.skin) {
            const QzModelSkin& skin = *record.skin;
            part.skinChunk = &skin;
            ++chunks;
            for (const QzMeshBone& bone : skin.bones) {
                mesh->AddBone(bone.bind, bone.name);
            }
            // Every skin animation names one skin record, but all share the
            // chunk's weights and only the first record is drawn: copying the
            // arrays once keeps a file with many entries from asking for
            // entries x vertices of memory.
            bool first = true;
            for (const QzModelAnim& entry : skin.anims) {
                mesh->AddSkinWeights(std::uint32_t(record.vertexCount),
                                     first ? OrNull(skin.boneIndices) : nullptr,
                                     first ? OrNull(skin.weights) : nullptr, entry.name);
                first = false;
            }
        }
        if (part.meshAnimChunk != nullptr || part.skinChunk != nullptr) {
            part.image = kept.get();
        }
        part.colActive = true;
        parts.push_back(std::move(part));
    }
    if (chunks > 0) {
        images.push_back(std::move(kept));
    } else {
        FreeFileBuffer(image);
    }
    return chunks;
}

bool CSqMeshModel::LoadBin(const std::string& path, bool upload, bool release) {
    uploadNow = upload;
    deleteRelease = release;
    Win::CQzFileManager* files = Files();
    if (files == nullptr) {
        return false;
    }
    std::uint32_t size = 0;
    loadingPath = path;
    void* image = files->LoadFile(path, &size, 8);
    if (image == nullptr) {
        QzReportLoadFailure("model", path, "the file is missing or cannot be read");
        return false;
    }
    // A damaged file loads nothing and fails like an unreadable one.
    bool readable = false;
    ParseModelBin(image, size, upload, release, false, &readable);
    return readable;
}

void CSqMeshModel::DropPendingRead() {
    SqCancelFileRead(readTicket);
    readTicket = 0;
    FreeFileBuffer(readData);
    readData = nullptr;
    readSize = 0;
    readDelivered = false;
}

std::int32_t CSqMeshModel::LoadBinAsync(const std::string& path, bool upload, bool release) {
    uploadNow = upload;
    deleteRelease = release;
    DropPendingRead();
    loadingPath = path;
    const SqFileRead read = SqStartFileRead(Files(), path, 4, this);
    readTicket = read.ticket;
    // Without a file manager nothing will arrive: the next step parses
    // nothing and the load ends with no parts.
    readDelivered = read.ticket == 0;
    requestId = read.ticket == 0 ? -1 : std::int32_t(read.requestId);
    loadState = kWaitRead;
    return requestId;
}

void CSqMeshModel::OnFileRead(void* data, std::uint32_t size, std::int32_t) {
    readTicket = 0;
    FreeFileBuffer(readData);
    readData = data;
    readSize = size;
    readDelivered = true;
}

bool CSqMeshModel::UpdateLoadBinAsync() {
    switch (loadState) {
        case kWaitRead:
            if (readDelivered) {
                loadState = kParse;
            }
            return false;
        case kParse: {
            void* image = readData;
            const std::size_t size = readSize;
            readData = nullptr;
            readSize = 0;
            readDelivered = false;
            if (image != nullptr) {
                ParseModelBin(image, size, uploadNow, deleteRelease, true);
            } else if (requestId >= 0) {
                QzReportLoadFailure("model", loadingPath, "the file is missing or cannot be read");
            }
            loadState = kWaitMaterials;
            return false;
        }
        case kWaitMaterials:
            if (AreMaterialsReady()) {
                loadState = kDone;
            }
            return false;
        case kDone:
            return true;
        default:
            return false;
    }
}

bool CSqMeshModel::AreMaterialsReady() {
    for (SqModelPart& part : parts) {
        if (part.material != nullptr && !part.material->IsReady()) {
            return false;
        }
    }
    return true;
}

void CSqMeshModel::ReleaseResource() {
    FreeParts(true);
}

void CSqMeshModel::FreeParts(bool afterDraw) {
    Sample::CGameDrawTask* draw = afterDraw ? Sample::GetGameDrawTask() : nullptr;
    for (SqModelPart& part : parts) {
        // The part nodes may be queued for the frame being built.
        if (draw != nullptr) {
            draw->ReleaseAfterDraw(part.partNode.release());
            draw->ReleaseAfterDraw(part.mesh);
        } else {
            part.partNode.reset();
            delete part.mesh;
        }
        // A script may still hold the material ("GetMaterial"): it lives on
        // for that handle, apart from the model.
        SqLetGoMaterial(part.material);
        part.mesh = nullptr;
        part.material = nullptr;
    }
    parts.clear();
    for (std::unique_ptr<SqModelImage>& image : images) {
        FreeFileBuffer(image->buffer);
    }
    images.clear();
}

// [SECTION] Drawing and animation

void CSqMeshModel::DrawParts(std::int32_t layer) {
    UpdateMatrix();
    Sample::CGameDrawTask* draw = Sample::GetGameDrawTask();
    CQzScreen* screen = draw ? draw->GetLayerScreen(layer) : nullptr;
    for (SqModelPart& part : parts) {
        part.partNode->matrix = matrix;
        const int node = SqModelLayerNodeFor(part.material);
        if (screen != nullptr && node >= 0) {
            screen->layers[node].AppendChildBounded(part.partNode.get());
        }
    }
}

void CSqMeshModel::SetColor(std::int32_t r, std::int32_t g, std::int32_t b, std::int32_t a) {
    colour = Color(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), std::uint8_t(a));
}

void CSqMeshModel::PlayMeshAnim(const std::string& name) {
    anim.meshAnimName = name;
    anim.meshFrame = 0.0f;
    anim.ended = false;
}

void CSqMeshModel::PlaySkinAnim(const std::string& name) {
    anim.skinAnimName = name;
    anim.skinFrame = 0.0f;
    anim.ended = false;
}

void CSqMeshModel::SetAnimFrame(float frame) {
    anim.meshFrame = frame;
    anim.skinFrame = frame;
}

float CSqMeshModel::GetAnimFrame() const {
    return std::max(anim.meshFrame, anim.skinFrame);
}

void CSqMeshModel::CalcBoundBox() {
    UpdateMatrix();
    for (SqModelPart& part : parts) {
        part.mesh->CalcBoundBox();
    }
}

void CSqMeshModel::SetColActive(std::int32_t index, bool active) {
    if (index >= 0 && std::size_t(index) < parts.size()) {
        parts[std::size_t(index)].colActive = active;
    }
}

// [SECTION] Materials by name

template <class F>
void CSqMeshModel::ForMaterialsNamed(const std::string& name, F&& f) {
    for (SqModelPart& part : parts) {
        if (part.material != nullptr && part.material->GetName() == name) {
            f(*part.material);
        }
    }
}

CSqMaterial* CSqMeshModel::GetMaterial(const std::string& name) {
    for (SqModelPart& part : parts) {
        if (part.material != nullptr && part.material->GetName() == name) {
            return part.material;
        }
    }
    return nullptr;
}

void CSqMeshModel::SetMeshMaterial_TexOffset(const std::string& name, float u, float v) {
    ForMaterialsNamed(name, [&](CSqMaterial& m) { m.SetTexOffset(u, v); });
}

void CSqMeshModel::SetMeshMaterial_Tex1Offset(const std::string& name, float u, float v) {
    ForMaterialsNamed(name, [&](CSqMaterial& m) { m.SetTex1Offset(u, v); });
}

void CSqMeshModel::SetMeshMaterial_SetYuragiParam(const std::string& name, float a, float b,
                                                  float c) {
    ForMaterialsNamed(name, [&](CSqMaterial& m) { m.SetYuragiParam(a, b, c); });
}

void CSqMeshModel::SetMeshMaterial_ProjectMapMatrix(const std::string& name, const Matrix& m) {
    ForMaterialsNamed(name, [&](CSqMaterial& material) { material.SetProjectMapMatrix(m); });
}

// [SECTION] Ground queries

float CSqMeshModel::GetGroundHight(float x, float y, float z) {
    return SqModelGroundHight(parts, x, y, z);
}

SqHitMeshInfo CSqMeshModel::GetGroundInfo(float x, float y, float z) {
    return SqModelGroundInfo(parts, x, y, z);
}

SqHitMeshInfo CSqMeshModel::GetGroundInfoXY(float x, float y, float z) {
    return SqModelGroundInfoXY(parts, x, y, z);
}

}  // namespace QZW
