// libFuzzer target: the model file reader on arbitrary bytes. The input is
// copied to a buffer of its exact size so any read past it trips ASan; every
// accepted part must keep the reader's promises, and every frame matrix the
// animations name is read back from the image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "qzware/scene/qz_model_bin.h"

namespace {

void ReadEveryFrame(const std::vector<std::uint8_t>& image,
                    const std::vector<QZW::QzModelAnim>& anims, std::int32_t stride) {
    volatile float sink = 0.0f;
    for (const QZW::QzModelAnim& anim : anims) {
        if (anim.frames < 1) {
            std::abort();
        }
        for (std::int32_t bone = 0; bone < stride; ++bone) {
            sink = sink +
                   QZW::QzModelFrameMatrix(image.data(), image.size(), anim, 0, stride, bone)[0];
            sink = sink + QZW::QzModelFrameMatrix(image.data(), image.size(), anim, anim.frames - 1,
                                                  stride, bone)[15];
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> image(data, data + size);
    QZW::QzModelFile model;
    if (!QZW::QzReadModelBin(image.data(), image.size(), model)) {
        if (!model.parts.empty()) {
            std::abort();
        }
        return 0;
    }
    for (const QZW::QzModelPart& part : model.parts) {
        const std::size_t n = std::size_t(part.vertexCount);
        if (part.positions.size() != n || (!part.colours.empty() && part.colours.size() != n) ||
            (!part.uvs.empty() && part.uvs.size() != n) || part.materialName.size() > 32) {
            std::abort();
        }
        for (std::uint16_t index : part.indices) {
            if (index >= n) {
                std::abort();
            }
        }
        if (part.meshAnim) {
            ReadEveryFrame(image, part.meshAnim->anims, 1);
        }
        if (part.skin) {
            const QZW::QzModelSkin& skin = *part.skin;
            if (skin.bones.size() > std::size_t(QZW::kQzModelMaxBones) ||
                skin.boneIndices.size() != n * 4 || skin.weights.size() != n * 4) {
                std::abort();
            }
            // Reading every bone of a wide skin is slow and proves nothing more.
            const std::int32_t stride = skin.bonesPerFrame;
            if (stride <= 64) {
                ReadEveryFrame(image, skin.anims, stride);
            }
        }
    }
    return 0;
}
