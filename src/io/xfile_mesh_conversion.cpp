// A scene file's meshes brought into the flat arrays VgxObject::Load builds an object from.
#include <vgx/VgxError.h>

#include <algorithm>

#include "base/errors.h"
#include "base/retained_mode.h"
#include "io/xfile_conversion.h"
#include "io/xfile_placement.h"
#include "mesh/point_normals.h"

namespace vgx::rm {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

namespace {

bool HasMatchingNormals(const xfile::Mesh& mesh) {
    return !mesh.normals.empty() && mesh.normalFaceSizes == mesh.faceSizes;
}

void AppendMaterial(const xfile::Material& material, const std::string& fileFolder, MeshFileArrays& result) {
    const auto& diffuse = material.faceColor;
    result.materialColors.push_back(CreateColorRGBA(diffuse[0], diffuse[1], diffuse[2], diffuse[3]));
    // The file has no ambient colour; the diffuse one stands in, as hosts of this
    // format have always done.
    const float values[kMaterialValueCount] = {
        diffuse[0], diffuse[1], diffuse[2], diffuse[0], diffuse[1], diffuse[2],
        material.emissiveColor[0], material.emissiveColor[1], material.emissiveColor[2],
        material.specularColor[0], material.specularColor[1], material.specularColor[2],
        material.power, diffuse[3], 0.0f, 0.0f};
    result.materialValues.insert(result.materialValues.end(), values, values + kMaterialValueCount);
    result.textureNames.push_back(ResolveTextureName(fileFolder, material.textureFile));
    ++result.materialCount;
}

void AppendMesh(const xfile::Mesh& mesh, const std::string& fileFolder, MeshFileArrays& result) {
    const auto pointBase = static_cast<int32_t>(result.positionCount);
    const auto normalBase = static_cast<int32_t>(result.normalCount);
    const auto uvBase = static_cast<int32_t>(result.uvCount);
    const auto materialBase = static_cast<int32_t>(result.materialCount);
    const auto vertexCount = static_cast<int32_t>(mesh.VertexCount());

    result.positions.insert(result.positions.end(), mesh.positions.begin(), mesh.positions.end());
    result.positionCount += vertexCount;

    const bool ownNormals = HasMatchingNormals(mesh);
    if (ownNormals) {
        result.normals.insert(result.normals.end(), mesh.normals.begin(), mesh.normals.end());
        result.normalCount += static_cast<int32_t>(mesh.normals.size() / 3);
    } else {
        // Without normals of its own, each point gets the area-weighted normal of its faces.
        const std::vector<float> normals = UnitNormals(SummedFaceNormals(mesh.positions, mesh.faceSizes, mesh.faceVertices));
        result.normals.insert(result.normals.end(), normals.begin(), normals.end());
        result.normalCount += vertexCount;
    }

    // UVs belong to vertices; a mesh without them shares one (0, 0).
    const bool ownUVs = mesh.uvs.size() == mesh.VertexCount() * 2;
    if (ownUVs) {
        for (size_t i = 0; i < mesh.uvs.size(); i += 2) result.uvs.push_back({mesh.uvs[i], mesh.uvs[i + 1]});
        result.uvCount += vertexCount;
    } else {
        result.uvs.push_back({0, 0});
        result.uvCount += 1;
    }

    if (mesh.vertexColors.size() == mesh.VertexCount()) {
        for (uint32_t color : mesh.vertexColors) result.vertexColors.push_back(static_cast<int32_t>(color));
    } else {
        result.vertexColors.insert(result.vertexColors.end(), mesh.VertexCount(), -1);  // opaque white
    }

    for (const xfile::Material& material : mesh.materials) AppendMaterial(material, fileFolder, result);

    size_t corner = 0;
    for (size_t f = 0; f < mesh.faceSizes.size(); ++f) {
        const uint32_t size = mesh.faceSizes[f];
        result.faceData.push_back(static_cast<int32_t>(size));
        for (uint32_t k = 0; k < size; ++k, ++corner) {
            const auto vertex = static_cast<int32_t>(mesh.faceVertices[corner]);
            result.faceData.push_back(pointBase + vertex);
            result.faceData.push_back(normalBase +
                                      (ownNormals ? static_cast<int32_t>(mesh.normalFaceIndices[corner]) : vertex));
            result.faceData.push_back(uvBase + (ownUVs ? vertex : 0));
        }
        int32_t material = -1;
        if (!mesh.materials.empty() && !mesh.faceMaterials.empty()) {
            material = materialBase +
                       static_cast<int32_t>(mesh.faceMaterials[std::min(f, mesh.faceMaterials.size() - 1)]);
        }
        result.faceMaterials.push_back(material);
    }
}

}  // namespace

void ConvertMeshFile(const std::string& fileName, const std::string& searchPath, MeshFileArrays& result) {
    std::string path;
    ImportedScene imported = ReadSceneFile(fileName, searchPath, &path);
    // A scene of another format may hold only nodes and lights: nothing an object
    // can take, so it is refused before the object changes.
    if (imported.animateGroups && imported.scene.meshes.empty()) {
        Raise(VgxErrInvalidFileFormat, kRuntimeSource, "Invalid file format: " + path + ": the file holds no mesh");
    }
    ConvertSceneMeshes(imported, FolderOf(path), result);
    // Points and normals placed by their frames' world transforms.
    RequireFiniteNumbers(path, result.positions);
    RequireFiniteNumbers(path, result.normals);
}

void ConvertSceneMeshes(ImportedScene& imported, const std::string& folder, MeshFileArrays& result) {
    const xfile::Scene& scene = imported.scene;
    const std::vector<VgxMatrix> worlds = FrameWorldMatrices(scene);

    MeshFileArrays arrays;
    arrays.images = std::move(imported.images);
    bool anyColors = false;
    for (size_t j = 0; j < scene.meshes.size(); ++j) {
        const xfile::Mesh& mesh = scene.meshes[j];
        const int32_t frame = scene.meshFrame[j];
        anyColors = anyColors || !mesh.vertexColors.empty();
        if (frame < 0 || IsIdentity(worlds[static_cast<size_t>(frame)])) {
            AppendMesh(mesh, folder, arrays);
        } else {
            AppendMesh(PlacedMesh(mesh, worlds[static_cast<size_t>(frame)]), folder, arrays);
        }
        if (arrays.name.empty()) {
            arrays.name = !mesh.name.empty() || frame < 0 ? mesh.name : scene.frames[static_cast<size_t>(frame)].name;
        }
    }
    if (!anyColors) arrays.vertexColors.clear();
    arrays.faceData.push_back(0);
    arrays.faceDataCount = static_cast<int32_t>(arrays.faceData.size());
    result = std::move(arrays);
}

}  // namespace vgx::rm
