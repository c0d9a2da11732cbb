#include "io/xfile_export.h"

#include <vgx/VgxGroup.h>
#include <vgx/VgxMaterial.h>
#include <vgx/VgxMemberArrays.h>
#include <vgx/VgxObject.h>
#include <vgx/VgxTexture.h>

#include <cctype>
#include <unordered_map>

#include "base/retained_mode.h"
#include "object/object_internal.h"
#include "platform/os.h"

namespace vgx::rm {

xfile::Mesh EditableGeometryAsX(VgxObject& object) {
    std::vector<VgxVectorUV> vertices;
    std::vector<VgxVector> normals;
    std::vector<int32_t> faceData;
    int32_t vertexCount = 0, normalCount = 0, faceDataCount = 0;
    object.GetGeometryPointUV(vertices, vertexCount, normals, normalCount, faceData, faceDataCount);
    xfile::Mesh mesh;
    mesh.positions.reserve(vertices.size() * 3);
    mesh.uvs.reserve(vertices.size() * 2);
    for (const VgxVectorUV& v : vertices) {
        mesh.positions.insert(mesh.positions.end(), {v.Vector.X, v.Vector.Y, v.Vector.Z});
        mesh.uvs.insert(mesh.uvs.end(), {v.UV.U, v.UV.V});
    }
    for (size_t position = 0; position + 1 < faceData.size();) {
        const int32_t n = faceData[position++];
        mesh.faceSizes.push_back(static_cast<uint32_t>(n));
        for (int32_t k = 0; k < n; ++k, position += 2)
            mesh.faceVertices.push_back(static_cast<uint32_t>(faceData[position]));
    }
    return mesh;
}

xfile::Material MaterialAsX(const VgxMaterial& source) {
    xfile::Material material;
    const int32_t color = source.GetColor();
    material.faceColor = {ColorGetRed(color), ColorGetGreen(color), ColorGetBlue(color), ColorGetAlpha(color)};
    material.power = source.GetPower();
    source.GetSpecular(material.specularColor[0], material.specularColor[1], material.specularColor[2]);
    source.GetEmissive(material.emissiveColor[0], material.emissiveColor[1], material.emissiveColor[2]);
    if (source.GetTexture()) material.textureFile = source.GetTexture()->GetTextureName();
    return material;
}

namespace {

xfile::Mesh ObjectAsX(VgxObject& object) {
    xfile::Mesh mesh = EditableGeometryAsX(object);
    mesh.name = object.GetName();
    std::unordered_map<const VgxMaterial*, uint32_t> slotOf;
    // Read from the records: a face object per face would cost an allocation each.
    const iVgxObject& level = State(object).Base();
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const std::shared_ptr<VgxMaterial>& material = level.FaceMaterial(f);
        const auto [slot, added] = slotOf.emplace(material.get(), static_cast<uint32_t>(mesh.materials.size()));
        if (added) mesh.materials.push_back(material ? MaterialAsX(*material) : xfile::Material{});
        mesh.faceMaterials.push_back(slot->second);
    }
    return mesh;
}

void AddGroup(VgxGroup& group, int32_t parent, xfile::Scene& scene) {
    const auto frame = static_cast<int32_t>(scene.frames.size());
    xfile::Frame out;
    out.name = group.GetName();
    out.parent = parent;
    VgxMatrix local;
    group.GetLocalTransform(local);
    std::copy(local.m, local.m + 16, out.transform.begin());
    scene.frames.push_back(std::move(out));
    const auto objects = group.GetObjects();
    for (int32_t i = 0; i < objects->GetSize(); ++i) {
        scene.frames[static_cast<size_t>(frame)].meshes.push_back(static_cast<uint32_t>(scene.meshes.size()));
        scene.meshes.push_back(ObjectAsX(*objects->GetElement(i)));
        scene.meshFrame.push_back(frame);
    }
    const auto children = group.GetChildren();
    for (int32_t i = 0; i < children->GetSize(); ++i) AddGroup(*children->GetElement(i), frame, scene);
}

void Write(const xfile::Scene& scene, const std::string& path) {
    const std::string text = xfile::WriteXText(scene);
    platform::WriteFilesWhole({{path, text}});
}

}  // namespace

void SaveGroupAsX(VgxGroup& group, const std::string& path) {
    xfile::Scene scene;
    AddGroup(group, -1, scene);
    Write(scene, path);
}

void SaveObjectAsX(VgxObject& object, const std::string& path) {
    xfile::Scene scene;
    scene.meshes.push_back(ObjectAsX(object));
    scene.meshFrame.push_back(-1);
    Write(scene, path);
}

bool IsXFilePath(const std::string& path) {
    return path.size() >= 2 && path[path.size() - 2] == '.' &&
           std::tolower(static_cast<unsigned char>(path.back())) == 'x';
}

}  // namespace vgx::rm
