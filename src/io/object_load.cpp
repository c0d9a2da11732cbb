// VgxObject::Load: a .x file's meshes become this object's mesh.
#include <vgx/Vgx.h>
#include <vgx/VgxMaterial.h>
#include <vgx/VgxObject.h>

#include <utility>

#include "base/errors.h"
#include "io/xfile_conversion.h"
#include "material/texture_loading.h"
#include "object/object_internal.h"

namespace {

// Textures named by loaded materials are decoded at this size.
constexpr int32_t kLoadedTextureSize = 256;

bool SameDescription(const vgx::rm::MeshFileArrays& file, int32_t a, int32_t b) {
    if (file.materialColors[a] != file.materialColors[b]) return false;
    const float* x = file.materialValues.data() + a * vgx::rm::kMaterialValueCount;
    const float* y = file.materialValues.data() + b * vgx::rm::kMaterialValueCount;
    // Ambient, emissive, specular (3 to 11), power (12) and application data (15).
    for (int k = 3; k <= 12; ++k) {
        if (x[k] != y[k]) return false;
    }
    return x[15] == y[15];
}

// One material per description, in order; a description equal to an earlier one
// shares its material.
std::vector<std::shared_ptr<VgxMaterial>> BuildMaterials(Vgx& root, const vgx::rm::MeshFileArrays& file) {
    std::vector<std::shared_ptr<VgxMaterial>> materials(static_cast<size_t>(file.materialCount));
    for (int32_t m = 0; m < file.materialCount; ++m) {
        for (int32_t earlier = 0; earlier < m && !materials[m]; ++earlier) {
            if (SameDescription(file, m, earlier)) materials[m] = materials[earlier];
        }
        if (materials[m]) continue;
        const float* v = file.materialValues.data() + m * vgx::rm::kMaterialValueCount;
        auto material = root.CreateMaterial();
        material->SetColor(file.materialColors[m]);
        material->SetAmbient(v[3], v[4], v[5]);
        material->SetEmissive(v[6], v[7], v[8]);
        material->SetSpecular(v[9], v[10], v[11]);
        material->SetPower(v[12]);
        material->SetAppData(static_cast<int32_t>(v[15]));
        const std::string& texture = file.textureNames[m];
        if (!texture.empty()) {
            material->SetTexture(root.CreateTexture(texture, "", "", 0.0f, "", "", "", kLoadedTextureSize,
                                                    kLoadedTextureSize));
        }
        materials[m] = std::move(material);
    }
    return materials;
}

std::vector<VgxVector> Vectors(const std::vector<float>& flat) {
    std::vector<VgxVector> vectors(flat.size() / 3);
    for (size_t i = 0; i < vectors.size(); ++i) vectors[i] = {flat[i * 3], flat[i * 3 + 1], flat[i * 3 + 2]};
    return vectors;
}

}  // namespace

namespace vgx::rm {

void LoadObjectFromArrays(VgxObject& object, MeshFileArrays& file) {
    vgx::ObjectState& self = State(object);
    const std::vector<VgxVector> points = Vectors(file.positions);
    const std::vector<VgxVector> normals = Vectors(file.normals);
    vgx::ValidateFaceData(file.faceData, points.size(), normals.size(), file.uvs.size());
    const bool hasFaces = file.faceDataCount > 1 && !points.empty();
    // Materials and textures come before the old mesh goes, so a failure leaves it.
    std::vector<std::shared_ptr<VgxMaterial>> faceMaterials;
    if (hasFaces) {
        for (vgx::rm::EmbeddedImage& image : file.images) {
            vgx::RegisterEmbeddedImage(*self.root, image.name, std::move(image.bytes));
        }
        const std::vector<std::shared_ptr<VgxMaterial>> materials = BuildMaterials(*self.root, file);
        faceMaterials.reserve(file.faceMaterials.size());
        for (int32_t m : file.faceMaterials) {
            faceMaterials.push_back(m < 0 ? vgx::EnsureDefaultMaterial(object) : materials[m]);
        }
    }

    self.name = file.name;
    vgx::ClearObject(object);
    if (!hasFaces) return;
    vgx::BuildFacesFromArrays(object, points, normals, file.uvs, file.faceData, std::move(faceMaterials), false, true,
                              100);
}

}  // namespace vgx::rm

void VgxObject::Load(const std::string& FileName) {
    vgx::Trap("VgxObject", [&] {
        if (!internals_->root) vgx::Raise(VgxErrObjectNotSet);
        vgx::rm::MeshFileArrays file;
        vgx::rm::ConvertMeshFile(FileName, internals_->root->GetSearchPath(), file);
        vgx::rm::LoadObjectFromArrays(*this, file);
    });
}
