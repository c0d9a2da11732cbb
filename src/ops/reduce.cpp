// VgxObject::Reduce: the editable mesh simplified to a share of its vertices,
// through a temporary .x file as the simplification step reads it.
#include <vgx/VgxDevice.h>
#include <vgx/VgxMaterial.h>
#include <vgx/VgxObject.h>

#include <cmath>
#include <fstream>
#include <unordered_map>
#include <utility>

#include "base/errors.h"
#include "base/retained_mode.h"
#include "io/xfile_export.h"
#include "mesh/triangulation.h"
#include "object/object_internal.h"
#include "ops/mesh_simplify.h"
#include "platform/mod_file.h"
#include "platform/os.h"
#include "platform/xfile.h"
#include "state/hidden_device.h"
#include "state/library_state.h"

namespace {

constexpr int32_t kMaxDeviceResets = 10;

using vgx::simplify::TriangleMesh;

// The slot of every face after the sub-objects were rebuilt.
std::vector<int32_t> FaceSlots(const vgx::iVgxObject& level) {
    std::unordered_map<const VgxMaterial*, int32_t> slotOf;
    for (int32_t s = 0; s < level.MaterialListCount; ++s) slotOf.emplace(level.MaterialList[s].Material.get(), s);
    std::vector<int32_t> slots(static_cast<size_t>(level.FaceListCount));
    for (int32_t f = 0; f < level.FaceListCount; ++f) slots[f] = slotOf.at(level.FaceMaterial(f).get());
    return slots;
}

// The editable mesh as a .x file: one vertex per distinct (point, UV) pair, the
// faces as polygons, each face's material the slot it is drawn with.
void ExportForSimplification(VgxObject& object, const std::string& fileName) {
    const vgx::iVgxObject& level = vgx::State(object).Base();
    vgx::xfile::Mesh mesh = vgx::rm::EditableGeometryAsX(object);
    for (const vgx::iVgxMaterial& slot : level.MaterialList) {
        mesh.materials.push_back(slot.Material ? vgx::rm::MaterialAsX(*slot.Material) : vgx::xfile::Material{});
    }
    for (int32_t slot : FaceSlots(level)) mesh.faceMaterials.push_back(static_cast<uint32_t>(slot));

    vgx::xfile::Scene scene;
    scene.meshes.push_back(std::move(mesh));
    scene.meshFrame.push_back(-1);
    vgx::xfile::WriteXFile(fileName, scene);
}

// The file's first mesh as triangles (polygons split by the library's one rule),
// grouped by material in face order.
TriangleMesh LoadForSimplification(const std::string& fileName) {
    const vgx::xfile::Scene scene = vgx::xfile::ReadXFile(fileName);
    if (scene.meshes.empty()) vgx::Raise(VgxErrInvalidFileFormat, vgx::kRuntimeSource, "The file holds no mesh");
    const vgx::xfile::Mesh& mesh = scene.meshes.front();
    TriangleMesh loaded;
    loaded.positions = mesh.positions;
    loaded.uvs = mesh.uvs;
    loaded.uvs.resize(mesh.VertexCount() * 2, 0.0f);

    std::vector<VgxVector> corners;
    std::vector<vgx::modFace::FaceTriangle> triangles;
    std::vector<uint32_t> faceOfTriangle;
    size_t start = 0;
    for (size_t f = 0; f < mesh.FaceCount(); ++f) {
        const uint32_t* v = mesh.faceVertices.data() + start;
        const uint32_t n = mesh.faceSizes[f];
        start += n;
        triangles.clear();
        if (n == 3) {
            triangles.push_back({{0, 1, 2}});
        } else if (n > 3) {
            corners.clear();
            for (uint32_t k = 0; k < n; ++k) corners.push_back({mesh.positions[v[k] * 3], mesh.positions[v[k] * 3 + 1],
                                                                  mesh.positions[v[k] * 3 + 2]});
            vgx::modFace::SplitFace(corners, triangles);
        }
        const uint32_t material = mesh.faceMaterials.empty() ? 0 : mesh.faceMaterials[std::min(f, mesh.faceMaterials.size() - 1)];
        for (const auto& triangle : triangles) {
            for (int32_t corner : triangle.Corner) loaded.indices.push_back(v[corner]);
            loaded.attributes.push_back(material);
        }
    }
    // Attribute sort: the material ranges of the result follow from it.
    std::vector<uint32_t> order(loaded.attributes.size());
    for (uint32_t t = 0; t < order.size(); ++t) order[t] = t;
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return loaded.attributes[a] < loaded.attributes[b]; });
    TriangleMesh sorted;
    sorted.positions = std::move(loaded.positions);
    sorted.uvs = std::move(loaded.uvs);
    for (uint32_t t : order) {
        sorted.indices.insert(sorted.indices.end(), &loaded.indices[t * 3], &loaded.indices[t * 3] + 3);
        sorted.attributes.push_back(loaded.attributes[t]);
    }
    return sorted;
}

// Drops triangles that use one vertex twice, reporting each to `reportFile`.
void Clean(TriangleMesh& mesh, const std::string& reportFile) {
    std::ofstream report(reportFile, std::ios::trunc);
    size_t kept = 0;
    for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
        const uint32_t* v = &mesh.indices[t * 3];
        if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) {
            report << "Degenerate triangle " << t << " removed (vertices " << v[0] << ", " << v[1] << ", " << v[2] << ")\n";
            continue;
        }
        std::copy(v, v + 3, &mesh.indices[kept * 3]);
        mesh.attributes[kept++] = mesh.attributes[t];
    }
    mesh.indices.resize(kept * 3);
    mesh.attributes.resize(kept);
}

// N x Level / 100 in single precision, halves to even, at least 3.
size_t TargetVertexCount(size_t vertices, int32_t level) {
    const float target = std::nearbyint(static_cast<float>(vertices) * static_cast<float>(level) / 100.0f);
    return std::max<size_t>(3, static_cast<size_t>(target));
}

// The object's faces replaced by the simplified triangles, each on the material of
// the slot its attribute names.
void Rebuild(VgxObject& object, const TriangleMesh& simplified, const std::vector<std::shared_ptr<VgxMaterial>>& slotMaterials) {
    const size_t vertices = simplified.VertexCount();
    std::vector<VgxVector> points(vertices), normals(vertices);
    std::vector<VgxUV> uvs(vertices);
    for (size_t v = 0; v < vertices; ++v) {
        points[v] = {simplified.positions[v * 3], simplified.positions[v * 3 + 1], simplified.positions[v * 3 + 2]};
        normals[v] = {simplified.normals[v * 3], simplified.normals[v * 3 + 1], simplified.normals[v * 3 + 2]};
        uvs[v] = {simplified.uvs[v * 2], simplified.uvs[v * 2 + 1]};
    }
    std::vector<int32_t> faceData;
    faceData.reserve(simplified.indices.size() * 3 + simplified.TriangleCount() + 1);
    std::vector<std::shared_ptr<VgxMaterial>> faceMaterials;
    faceMaterials.reserve(simplified.TriangleCount());
    for (size_t t = 0; t < simplified.TriangleCount(); ++t) {
        faceData.push_back(3);
        for (int k = 0; k < 3; ++k) {
            const auto v = static_cast<int32_t>(simplified.indices[t * 3 + k]);
            faceData.insert(faceData.end(), {v, v, v});
        }
        faceMaterials.push_back(slotMaterials.at(simplified.attributes[t]));
    }
    faceData.push_back(0);
    vgx::ClearObject(object);
    if (faceMaterials.empty()) return;
    vgx::BuildFacesFromArrays(object, points, normals, uvs, faceData, std::move(faceMaterials), false, true, 100);
}

// The error being handled, as the library reports errors.
VgxError CurrentError() {
    try {
        vgx::Reraise(vgx::kRuntimeSource);
    } catch (const VgxError& error) {
        return error;
    }
}

void LogError(std::string_view prefix, const VgxError& error) {
    vgx::modFile::WriteLogLine(std::string(prefix) + std::to_string(error.Number) + "-" + error.Description);
}

}  // namespace

void VgxObject::Reduce(int32_t Level) {
    try {
        vgx::modFile::WriteLogLine("Begin Reduce");
        if (Level < 0 || Level > 100) vgx::Raise(VgxErrInvalidCall);
        vgx::ObjectState& self = *internals_;
        vgx::iVgxObject& base = self.Base();
        vgx::RebuildSubObjects(base);
        self.changes.StructureChanged(vgx::Changed::kPoolValues);
        std::vector<std::shared_ptr<VgxMaterial>> slotMaterials;
        for (const vgx::iVgxMaterial& slot : base.MaterialList) slotMaterials.push_back(slot.Material);

        // Names of this call alone, so reductions on other threads or in other
        // processes never meet, and gone however the call ends.
        vgx::platform::TemporaryFiles temporary;
        const std::string exported = temporary.Add("~temp", ".x");
        ExportForSimplification(*this, exported);
        if (!vgx::Library().hiddenDevice) return;
        const int32_t device = vgx::RecoverHiddenDevice(kMaxDeviceResets, "Device Lost or Not Reset");
        if (device == VgxDeviceLost || device == VgxDeviceNotReset) return;

        TriangleMesh simplified;
        try {
            TriangleMesh loaded = LoadForSimplification(exported);
            Clean(loaded, temporary.Add("vrlerr", ".log"));
            if (loaded.TriangleCount() == 0) vgx::Raise(VgxErrInvalidCall, vgx::kRuntimeSource, "The mesh has no faces");
            const size_t vertices = loaded.VertexCount();
            const size_t target = TargetVertexCount(vertices, Level);
            vgx::modFile::WriteLogLine("Reducing current Direct3D point count of " + std::to_string(vertices) + " to " +
                                       std::to_string(target));
            simplified = vgx::simplify::Simplify(loaded, target);
            vgx::modFile::WriteLogLine("Mesh Simplified to " + std::to_string(simplified.VertexCount()) + " points and " +
                                       std::to_string(simplified.TriangleCount()) + " triangles");
        } catch (...) {
            LogError("Error occured simplifying mesh: ", CurrentError());
            vgx::modFile::WriteLogLine("End Reduce");
            return;
        }
        Rebuild(*this, simplified, slotMaterials);
        vgx::modFile::WriteLogLine("End Reduce");
        self.changes.StructureChanged(vgx::Changed::kPoolValues);
    } catch (...) {
        LogError("Reduce Error: ", CurrentError());
        vgx::Reraise("VgxObject");
    }
}
