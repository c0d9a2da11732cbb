#pragma once
// Shapes and consistency checks the modelling-operation tests share.
#include <vgx/VgxObject.h>

#include <memory>
#include <string>
#include <vector>

namespace vgx::test {

// A mesh as GetGeometry or GetVisual hands it out.
struct ExportedMesh {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    std::vector<std::shared_ptr<VgxMaterial>> materials;
    int32_t pointCount = -1, normalCount = -1, uvCount = -1, faceDataCount = -1, materialCount = -1;

    int32_t FaceCount() const;
    // The position of a face's corner.
    VgxVector Corner(int32_t face, int32_t corner) const;
};
ExportedMesh ExportGeometry(const VgxObject& object);
ExportedMesh ExportVisual(VgxObject& object);

// The unit cube [0,1]^3 as six outward quads; each face has its own normal and
// the UVs (0,0) (1,0) (1,1) (0,1).
void AddCube(VgxObject& cube);

// Empty when level 0 is consistent: every face has 3 or more corners and no two
// neighbouring corners on one point, every side's edge joins the side's points and
// lists the face, and every face an edge lists has that edge as a side. Otherwise
// the first fault found.
std::string MeshFault(const VgxObject& object);

// Empty when every point of level 0 lists exactly the render vertices its corners
// took, in ascending order, each once; otherwise the first point that does not.
std::string PointVertexListFault(const VgxObject& object);

// How many edges of level 0 have exactly `faces` faces, its edges brought up to date first.
int32_t EdgesWithFaceCount(VgxObject& object, int32_t faces);

}  // namespace vgx::test
