#pragma once
// The state of one mesh object and the helpers its operations share.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <vgx/VgxFace.h>
#include <vgx/VgxObject.h>

#include "base/access.h"
#include "mesh/level_links.h"
#include "mesh/mesh_records.h"
#include "mesh/mod_index.h"
#include "mesh/render_data.h"
#include "object/change_state.h"

struct vgx::ObjectState {
    // Level 0 is the editable mesh; 1 to 4 belong to the smoothing build.
    std::array<vgx::iVgxObject, 5> levels;
    // How each smoothing level derives from the one below (entry 0 unused).
    std::array<vgx::SubdivisionLinks, 5> links;
    // The base mesh plus its mirror image: base point p is working point p, and its
    // image is working point workingMirrorOf[p]; the plane it was mirrored through.
    vgx::iVgxObject working;
    std::vector<int32_t> workingMirrorOf;
    float workingPlane = 0;
    vgx::DisplayedNormals displayedNormals;
    // What is displayed when smoothing or mirroring is on: a level or the working mesh.
    vgx::iVgxObject* visual = nullptr;
    VgxAttributes attributes{VgxMesh, VgxBezier, 0, 0, 70.0f, 0, 0, VgxGreaterThan, 0, VgxAxisNone, false, {}, {}, {}};
    std::array<std::string, 6> customFields;
    std::shared_ptr<Vgx> root;
    int32_t quality = int32_t{VgxShadeGouraud} | int32_t{VgxLightON} | int32_t{VgxFillSolid};
    int32_t enableFlags = VgxObjectRenderEnable | VgxObjectPickEnable;
    VgxOperationControlType operationControl = VgxOperationControlNone;
    bool operationControlDirectional = false;
    VgxVector operationControlPosition{}, operationControlDir{}, operationControlUp{}, operationControlSize{};
    bool renderShadow = false;
    std::string name;
    int32_t appData = 0;
    int32_t objectId = 0;
    std::shared_ptr<VgxMaterial> defaultMaterial;
    VgxBox boundingBox{};
    vgx::RenderData render;
    vgx::ChangeState changes;

    vgx::iVgxObject& Base() { return levels[0]; }
    const vgx::iVgxObject& Base() const { return levels[0]; }
};

namespace vgx {

// Faces waiting to be appended: their corners back to back, one material each.
struct FaceBatch {
    BlockArray<iVgxFacePoint> corners;
    BlockArray<int32_t> offsets{0};
    BlockArray<int32_t> applicationData;
    BlockArray<std::shared_ptr<VgxMaterial>> materials;

    int32_t Count() const { return static_cast<int32_t>(applicationData.size()); }
    void Close(int32_t appData, std::shared_ptr<VgxMaterial> material) {
        offsets.push_back(static_cast<int32_t>(corners.size()));
        applicationData.push_back(appData);
        materials.push_back(std::move(material));
    }
    // Drops the corners read since the last closed face.
    void Discard() { corners.resize(static_cast<size_t>(offsets.back())); }
};


// Releases the render buffers and empties every geometry level.
void ClearObject(VgxObject& object);
// The object's default material, created through its root the first time.
const std::shared_ptr<VgxMaterial>& EnsureDefaultMaterial(VgxObject& object);
// A new material of this colour, with ambient 0.6 and emissive 0.2 times it.
std::shared_ptr<VgxMaterial> ColoredMaterial(VgxObject& object, int32_t color);
// The edge step of side k of a face: pool the undirected edge, record it on the
// corner, and list it and the face on the corner's point and the face on the edge.
void AddFaceSide(iVgxObject& level, int32_t face, int32_t side);
// AddFaceSide for every side of the faces from `firstFace` on, after checking that
// each of their corners names a point.
void AddFaceSides(iVgxObject& level, int32_t firstFace);
// Raises 9 unless every corner of the level names an entry of each of its pools, so
// an operation that reads them all refuses a bad mesh before it changes anything.
void CheckCorners(const iVgxObject& level);
// What a rebuild may take from the corners' edge fields: nothing (the edges are
// pooled), or the edges as they are, already numbered as pooling would number
// them and listed with their points.
enum class EdgeIds { Pool, InFirstUseOrder };
// Builds the edges and the point and edge lists of every face again, undirected,
// with the numbering and orders AddFaceSide gives face by face, in bulk passes
// (counting sorts into packed lists).
void RebuildAdjacency(iVgxObject& level, EdgeIds edgeIds = EdgeIds::Pool);
// Rebuilds level 0's adjacency when it is out of date; faces keep their ids and proxies.
void EnsureAdjacency(VgxObject& object);
// Appends finished faces to a level with their materials and material slots; builds
// their edges when asked and the level allows it.
void AddFaceRecords(VgxObject& object, iVgxObject& level, FaceBatch&& faces, bool buildEdges);
// Raises 9 unless every face block of FaceData lies inside the array and every
// corner index inside its list (a list of size 0 is not indexed).
void ValidateFaceData(const std::vector<int32_t>& faceData, size_t points, size_t normals, size_t uvs);
// Pools the coordinates and appends the faces of FaceData (indexing the given
// arrays, FaceData already validated). Face block b gets materials[b]; the last
// material serves the rest.
void BuildFacesFromArrays(VgxObject& object, const std::vector<VgxVector>& points,
                          const std::vector<VgxVector>& normals, const std::vector<VgxUV>& uvs,
                          const std::vector<int32_t>& faceData, std::vector<std::shared_ptr<VgxMaterial>> materials,
                          bool optimizeFaces, bool optimizeCoordinates, int32_t version);
// Appends the faces of FaceData whose corners index the object's own pools.
void BuildFacesIndexed(VgxObject& object, const std::vector<int32_t>& faceData, bool optimizeFaces);
// Keeps the faces of at least `minimumCorners` corners, renumbered, with material
// slots and undirected edges made anew; the face proxies handed out are dropped.
void RebuildFaces(VgxObject& object, iVgxObject& level, int32_t minimumCorners, EdgeIds edgeIds = EdgeIds::Pool);
// Sub-objects: one slot per distinct material object, in order of first use.
void RebuildSubObjects(iVgxObject& level);
// Appends a slot for each material the faces from `firstFace` on use that has none
// yet, in order of first use, telling each material its slot.
void AddMaterialSlots(iVgxObject& level, int32_t firstFace);
// The proxy of a face of the editable mesh, made the first time it is asked for.
const std::shared_ptr<VgxFace>& FaceProxy(VgxObject& object, int32_t face);
// The unit normal (p1 - p0) x (p2 - p1) of a face; zero below 3 corners.
VgxVector FaceNormal(const iVgxObject& level, int32_t face);
// The level's three coordinate pools, each copied out at its length.
void ExportCoordinates(const iVgxObject& level, std::vector<VgxVector>& points, int32_t& pointCount,
                       std::vector<VgxVector>& normals, int32_t& normalCount, std::vector<VgxUV>& uvs,
                       int32_t& uvCount);
// FaceData of a level's faces in face order, with the material of each block and, when
// asked, the face it comes from. With `triangulate`, faces of 4 or more corners become
// their triangles (modFace::SplitFace) and faces of fewer than 3 corners are left out.
void ExportFaces(const iVgxObject& level, bool triangulate, std::vector<int32_t>& faceData, int32_t& faceDataCount,
                 std::vector<std::shared_ptr<VgxMaterial>>* materials, std::vector<int32_t>* sourceFaces = nullptr);

}  // namespace vgx
