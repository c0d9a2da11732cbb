#include "support/mesh_checks.h"

#include <algorithm>
#include <set>
#include <vector>

#include "support/internals.h"

namespace vgx::test {

int32_t ExportedMesh::FaceCount() const {
    int32_t faces = 0;
    for (size_t i = 0; faceData[i] != 0; i += 1 + 3 * static_cast<size_t>(faceData[i])) ++faces;
    return faces;
}

VgxVector ExportedMesh::Corner(int32_t face, int32_t corner) const {
    size_t i = 0;
    for (int32_t f = 0; f < face; ++f) i += 1 + 3 * static_cast<size_t>(faceData[i]);
    return points[faceData[i + 1 + 3 * static_cast<size_t>(corner)]];
}

ExportedMesh ExportGeometry(const VgxObject& object) {
    ExportedMesh m;
    object.GetGeometry(m.points, m.pointCount, m.normals, m.normalCount, m.uvs, m.uvCount, m.faceData, m.faceDataCount);
    return m;
}

ExportedMesh ExportVisual(VgxObject& object) {
    ExportedMesh m;
    object.GetVisual(false, m.points, m.pointCount, m.normals, m.normalCount, m.uvs, m.uvCount, m.faceData,
                     m.faceDataCount, m.materials, m.materialCount);
    return m;
}

void AddCube(VgxObject& cube) {
    const int32_t quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    std::vector<int32_t> faceData;
    for (int32_t f = 0; f < 6; ++f) {
        faceData.push_back(4);
        for (int32_t k = 0; k < 4; ++k) faceData.insert(faceData.end(), {quads[f][k], f, k});
    }
    faceData.push_back(0);
    cube.AddFaces({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
                  {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}},
                  {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, faceData, true, false);
}

std::string PointVertexListFault(const VgxObject& object) {
    const iVgxObject& level = Internals(object).Base();
    const vgx::RenderBlock& block = Internals(object).render.object;
    std::vector<std::set<int32_t>> taken(static_cast<size_t>(level.PointListCount));
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFace& face = level.FaceList[f];
        for (int32_t k = 0; k < face.PointCount; ++k) {
            const iVgxFacePoint& corner = level.FaceCorners(f)[k];
            taken[static_cast<size_t>(corner.Point)].insert(block.CornerVertices(face.CornerStart)[k]);
        }
    }
    for (int32_t p = 0; p < level.PointListCount; ++p) {
        std::vector<int32_t> listed;
        block.pointVertices.ForEach(p, [&](int32_t v) { listed.push_back(v); });
        if (listed != std::vector<int32_t>(taken[p].begin(), taken[p].end())) return "point " + std::to_string(p);
    }
    return "";
}

std::string MeshFault(const VgxObject& object) {
    const iVgxObject& level = Internals(object).Base();
    if (!Internals(object).changes.EdgesCurrent()) return "edges not valid";
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const int32_t n = level.FaceList[f].PointCount;
        const std::string face = "face " + std::to_string(f);
        if (n < 3) return face + " has " + std::to_string(n) + " corners";
        const iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < n; ++k) {
            const int32_t a = corners[k].Point, b = corners[(k + 1) % n].Point, e = corners[k].Edge;
            if (a == b) return face + " repeats point " + std::to_string(a);
            if (e < 0 || e >= level.EdgeListCount) return face + " side without edge";
            const iVgxEdge& edge = level.EdgeList[e];
            if (std::min(a, b) != edge.Point[0] || std::max(a, b) != edge.Point[1])
                return face + " side's edge differs";
            const std::vector<int32_t> users = level.Adjacency.ToVector(edge.FaceList);
            if (std::find(users.begin(), users.end(), f) == users.end()) return face + " missing from its edge";
        }
    }
    for (int32_t e = 0; e < level.EdgeListCount; ++e) {
        for (int32_t f : level.Adjacency.ToVector(level.EdgeList[e].FaceList)) {
            if (f < 0 || f >= level.FaceListCount) return "edge " + std::to_string(e) + " lists a missing face";
            const iVgxFacePoint* corners = level.FaceCorners(f);
            const bool side = std::any_of(corners, corners + level.FaceList[f].PointCount,
                                          [&](const iVgxFacePoint& c) { return c.Edge == e; });
            if (!side) return "edge " + std::to_string(e) + " lists face " + std::to_string(f) + " without that side";
        }
    }
    return {};
}

int32_t EdgesWithFaceCount(VgxObject& object, int32_t faces) {
    EnsureAdjacency(object);
    const iVgxObject& level = Internals(object).Base();
    int32_t count = 0;
    for (int32_t e = 0; e < level.EdgeListCount; ++e) count += level.EdgeList[e].FaceList.count == faces ? 1 : 0;
    return count;
}

}  // namespace vgx::test
