#pragma once
// The records of one mesh: pooled points, normals and texture coordinates, the
// edge pool, the faces and their material slots. Chain links (Next*) and hash
// buckets hold index + 1, 0 meaning none.
#include <vgx/VgxDevice.h>
#include <vgx/VgxForward.h>
#include <vgx/VgxTypes.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/large_blocks.h"
#include "mesh/face_materials.h"
#include "mesh/flat_index_map.h"
#include "mesh/list_arena.h"

namespace vgx {

struct VgxPoint {
    VgxVector Point{};
    // Faces using the point, once per corner: a face's corners at the point are
    // listed together, in corner order (ForEachEdgeLeaving relies on it).
    ListArena::List FaceList;
    int32_t NextPoint = 0;
};

struct iVgxNormal {
    VgxVector Vector{};
    int32_t NextNormal = 0;
};

struct iVgxUVCoordinate {
    VgxUV Coordinate{};
    int32_t NextUV = 0;
};

struct iVgxEdge {
    int32_t Point[2] = {0, 0};
    ListArena::List FaceList;
};

// One corner of a face, with the edge of the side that leaves it (-1 when the
// face's edges were not built).
struct iVgxFacePoint {
    int32_t Point = 0;
    int32_t Normal = 0;
    int32_t UV = 0;
    int32_t Edge = -1;
};

// A face's corners live in the level's corner store: PointCount of them from
// CornerStart, with room for CornerCapacity before the face must move.
struct iVgxFace {
    int32_t CornerStart = 0;
    int32_t PointCount = 0;
    int32_t CornerCapacity = 0;
    int32_t ApplicationData = 0;
};

struct iVgxMaterial {
    std::shared_ptr<VgxMaterial> Material;
    std::vector<std::shared_ptr<VgxDeviceMesh>> D3DXMeshesNew;
    std::vector<std::shared_ptr<VgxIndexBuffer>> D3DObjectTriangleIndexBuffers;
    std::vector<std::shared_ptr<VgxIndexBuffer>> D3DObjectEdgePointIndexBuffers;
    std::vector<std::shared_ptr<VgxIndexBuffer>> D3DVisualTriangleIndexBuffers;
    std::vector<std::shared_ptr<VgxIndexBuffer>> D3DVisualEdgePointIndexBuffers;
};

struct VgxPointUV {
    int32_t Point = 0;
    int32_t UV = 0;
    int32_t NextPointUV = 0;
};

// The coordinate pools' hash tables: bucket heads, plus the tail of each chain so an
// append without a search does not walk the chain.
struct HashTable {
    std::vector<int32_t> heads;
    std::vector<int32_t> tails;
    int32_t type = 0;  // 0: 256 buckets, 1: 65536 buckets

    // The table type for a pool of this many entries: above 4000, 65536 buckets.
    static int32_t TypeFor(size_t entries) { return entries > 4000 ? 1 : 0; }

    void Reset(int32_t tableType) {
        type = tableType;
        const size_t buckets = tableType == 1 ? 65536 : 256;
        heads.assign(buckets, 0);
        tails.assign(buckets, 0);
    }
};

struct iVgxObject {
    // Arrays may be longer than their counts; entries past the count are spare.
    BlockArray<VgxPoint> PointList;
    BlockArray<iVgxNormal> NormalList;
    BlockArray<iVgxUVCoordinate> UVList;
    std::vector<iVgxMaterial> MaterialList;
    BlockArray<iVgxEdge> EdgeList;
    BlockArray<iVgxFace> FaceList;
    // Each face's material: its own entry, or its slot in MaterialList. Derived levels
    // (smoothing, mirror) name slots, and so does a smoothed mesh until one face's
    // material is set; FaceMaterials is empty while the faces name slots.
    FaceMaterialTable FaceMaterials;
    BlockArray<int32_t> FaceMaterialSlot;
    // The face proxies handed to the host, made on first request: empty, or one
    // entry per face (null where none was asked for). A rebuild drops them all.
    std::vector<std::shared_ptr<VgxFace>> FaceListObjects;
    int32_t FaceProxyCount = 0;
    std::vector<int32_t> ActiveFaceList;
    int32_t PointListCount = 0;
    int32_t NormalListCount = 0;
    int32_t UVListCount = 0;
    int32_t MaterialListCount = 0;
    int32_t EdgeListCount = 0;
    int32_t FaceListCount = 0;
    int32_t ActiveFaceListCount = 0;
    HashTable PointHashTable;
    HashTable NormalHashTable;
    HashTable UVHashTable;
    FlatIndexMap EdgeIndex;  // edges match exactly: one flat lookup by (Point(0), Point(1))
    std::vector<std::shared_ptr<VgxVertexBuffer>> D3DVertexBuffer;

    BlockArray<iVgxFacePoint> Corners;  // the corner store of every face
    ListArena Adjacency;                // the point and edge lists

    iVgxObject() { ResetHashTables(); }

    // Empties every list and gives each hash table 256 empty buckets.
    void ClearGeometry() {
        *this = iVgxObject();
    }
    // Empties every list but keeps its storage, for a record that is rebuilt often.
    void EmptyKeepingStorage();
    void ResetHashTables() {
        PointHashTable.Reset(0);
        NormalHashTable.Reset(0);
        UVHashTable.Reset(0);
    }

    iVgxFacePoint* FaceCorners(int32_t face) { return Corners.data() + FaceList[face].CornerStart; }
    const iVgxFacePoint* FaceCorners(int32_t face) const { return Corners.data() + FaceList[face].CornerStart; }
    // The material a face is drawn with, from its own entry or its slot.
    const std::shared_ptr<VgxMaterial>& FaceMaterial(int32_t face) const {
        return FaceMaterialSlot.empty() ? FaceMaterials[face] : MaterialList[FaceMaterialSlot[face]].Material;
    }
    // Gives a face of the editable mesh a material, and its proxy too if it has one.
    void SetFaceMaterial(int32_t face, const std::shared_ptr<VgxMaterial>& material);
    // Turns faces that name slots into faces with their own material entry, so
    // that one face's can change or faces can be appended.
    void GiveFacesOwnMaterials();
    // The face's proxy if one was handed out, else null.
    VgxFace* MadeProxy(int32_t face) const {
        return static_cast<size_t>(face) < FaceListObjects.size() ? FaceListObjects[face].get() : nullptr;
    }
    // Forgets every proxy handed out; those the host still holds keep their material.
    void DropFaceProxies() {
        FaceListObjects.clear();
        FaceProxyCount = 0;
    }
    // Appends a face with room for `corners` corners and returns its index.
    int32_t AppendFace(int32_t corners);
    // Appends one corner to a face, moving its corners to the end of the store when full.
    void AppendCorner(int32_t face, const iVgxFacePoint& corner);

    // visit(edge) for the side leaving each of point p's corners, in the order of
    // its face list. The edge is read off the corner rather than kept in a list of
    // its own: the n-th entry of a face in the list is its n-th corner at p.
    template <class Visit>
    void ForEachEdgeLeaving(int32_t p, Visit&& visit) const {
        int32_t previous = -1, occurrence = 0;
        Adjacency.ForEach(PointList[p].FaceList, [&](int32_t face) {
            occurrence = face == previous ? occurrence + 1 : 0;
            previous = face;
            const iVgxFacePoint* corners = FaceCorners(face);
            for (int32_t k = 0, seen = 0; k < FaceList[face].PointCount; ++k) {
                if (corners[k].Point == p && seen++ == occurrence) return visit(corners[k].Edge);
            }
        });
    }
};

}  // namespace vgx
