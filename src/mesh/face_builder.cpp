// Building faces: pooling incoming coordinates, appending face records with their
// proxies, material slots and edges, and rebuilding a level's faces.
#include <vgx/Vgx.h>
#include <vgx/VgxMaterial.h>

#include <unordered_map>

#include "mesh/face_access.h"
#include "mesh/mod_index.h"
#include "mesh/object_internal.h"
#include "root/errors.h"
#include "root/mod_vector.h"
#include "root/retained_mode.h"

namespace vgx {
namespace {

constexpr float kCoincident = 0.0001f;

// Room for `extra` more entries, growing at least geometrically: faces are often
// appended a few at a time, and exact reservations would copy the list every time.
template <class Vector>
void ReserveMore(Vector& list, size_t extra) {
    if (list.size() + extra > list.capacity()) list.reserve(std::max(list.size() + extra, 2 * list.capacity()));
}

}  // namespace

void AddFaceSide(iVgxObject& level, int32_t face, int32_t side, EdgeMode mode) {
    iVgxFacePoint* corners = level.FaceCorners(face);
    const int32_t count = level.FaceList[face].PointCount;
    const int32_t a = corners[side].Point;
    const int32_t b = corners[(side + 1) % count].Point;
    iVgxEdge edge;
    int32_t index;
    if (mode == EdgeMode::Undirected) {
        edge.Point[0] = std::min(a, b);
        edge.Point[1] = std::max(a, b);
        index = modIndex::AddPooledEdge(level.EdgeList, level.EdgeListCount, level.EdgeIndex, edge, false);
    } else {
        // A side shared by two consistently oriented faces is created reversed by
        // the first and found as it stands by the second.
        edge.Point[0] = a;
        edge.Point[1] = b;
        index = modIndex::AddPooledEdge(level.EdgeList, level.EdgeListCount, level.EdgeIndex, edge, true);
        if (index < 0) {
            std::swap(edge.Point[0], edge.Point[1]);
            index = modIndex::AddPooledEdge(level.EdgeList, level.EdgeListCount, level.EdgeIndex, edge, false);
        }
    }
    corners[side].Edge = index;
    VgxPoint& point = At(level.PointList, a);
    level.Adjacency.Append(point.EdgeList, index);
    level.Adjacency.Append(point.FaceList, face);
    level.Adjacency.Append(level.EdgeList[index].FaceList, face);
}

void CheckCorners(const iVgxObject& level) {
    const auto points = static_cast<size_t>(level.PointListCount);
    const auto normals = static_cast<size_t>(level.NormalListCount);
    const auto uvs = static_cast<size_t>(level.UVListCount);
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
            CheckIndex(corners[k].Point, points);
            CheckIndex(corners[k].Normal, normals);
            CheckIndex(corners[k].UV, uvs);
        }
    }
}

void EnsureAdjacency(VgxObject& object) {
    VgxObject::Internals& self = object.GetInternals();
    if (self.edgesValid) return;
    RebuildAdjacency(self.Base());
    self.edgesValid = true;
}

void RebuildAdjacency(iVgxObject& level) {
    level.EdgeList.clear();
    level.EdgeListCount = 0;
    level.EdgeIndex.Clear();
    level.Adjacency.Clear();
    for (int32_t p = 0; p < level.PointListCount; ++p) {
        level.PointList[p].FaceList = {};
        level.PointList[p].EdgeList = {};
    }
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) AddFaceSide(level, f, k, EdgeMode::Undirected);
    }
}

void ValidateFaceData(const std::vector<int32_t>& faceData, size_t points, size_t normals, size_t uvs) {
    const auto end = static_cast<int64_t>(faceData.size()) - 2;
    for (int64_t position = 0; position < end;) {
        const int32_t n = faceData[position];
        if (n < 0 || position + 1 + 3 * static_cast<int64_t>(n) > static_cast<int64_t>(faceData.size())) {
            Raise(VgxErrSubscript);
        }
        for (int32_t k = 0; k < n; ++k) {
            const int32_t* corner = &faceData[position + 1 + 3 * k];
            CheckIndex(corner[0], points);
            if (normals) CheckIndex(corner[1], normals);
            if (uvs) CheckIndex(corner[2], uvs);
        }
        position += 1 + 3 * static_cast<int64_t>(n);
    }
}

namespace {

// Whether a corner repeats a kept corner of its face: the same point, or a
// position within 0.0001. Version 300 on compares with every kept corner, older
// callers with the previous one only.
const iVgxFacePoint* RepeatedCorner(const iVgxObject& level, const iVgxFacePoint* kept, size_t keptCount,
                                    const iVgxFacePoint& corner, int32_t version) {
    const size_t first = version < 300 ? keptCount - 1 : 0;
    const VgxVector& position = level.PointList[corner.Point].Point;
    for (size_t i = first; i < keptCount; ++i) {
        if (kept[i].Point == corner.Point ||
            modVector::VectorsEqualWithin(level.PointList[kept[i].Point].Point, position, kCoincident)) {
            return &kept[i];
        }
    }
    return nullptr;
}

// Reads the face blocks of FaceData into `faces`, mapping each corner's three
// indexes; with optimizeFaces, repeated corners are dropped (their point moved
// onto the corner they repeat) and faces left with fewer than 3 corners go.
// Block b takes materials[b], the last material serving all later blocks.
template <class MapCorner>
void ReadFaceBlocks(iVgxObject& level, const std::vector<int32_t>& faceData,
                    const std::vector<std::shared_ptr<VgxMaterial>>& materials, bool optimizeFaces, int32_t version,
                    MapCorner&& mapCorner, FaceBatch& faces) {
    const auto end = static_cast<int64_t>(faceData.size()) - 2;
    for (int64_t position = 0, block = 0; position < end; ++block) {
        const int32_t n = faceData[position++];
        for (int32_t k = 0; k < n; ++k, position += 3) {
            const iVgxFacePoint corner = mapCorner(&faceData[position]);
            const size_t kept = faces.corners.size() - static_cast<size_t>(faces.offsets.back());
            if (optimizeFaces && kept > 0) {
                const iVgxFacePoint* keptCorners = faces.corners.data() + faces.offsets.back();
                if (const iVgxFacePoint* repeated = RepeatedCorner(level, keptCorners, kept, corner, version)) {
                    level.PointList[corner.Point].Point = level.PointList[repeated->Point].Point;
                    continue;
                }
            }
            faces.corners.push_back(corner);
        }
        const size_t kept = faces.corners.size() - static_cast<size_t>(faces.offsets.back());
        if (optimizeFaces && kept < 3) {
            faces.Discard();
        } else {
            faces.Close(0, materials[std::min<size_t>(static_cast<size_t>(block), materials.size() - 1)]);
        }
    }
}

// Keeps only the points, normals and UVs some corner uses, in their old order,
// renumbers the corners and refiles the kept coordinates in fresh hash tables.
void CompactCoordinates(iVgxObject& level) {
    std::vector<int32_t> pointMap(static_cast<size_t>(level.PointListCount), -1);
    std::vector<int32_t> normalMap(static_cast<size_t>(level.NormalListCount), -1);
    std::vector<int32_t> uvMap(static_cast<size_t>(level.UVListCount), -1);
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
            pointMap[corners[k].Point] = 0;
            normalMap[corners[k].Normal] = 0;
            uvMap[corners[k].UV] = 0;
        }
    }
    const auto keep = [](auto& list, int32_t& count, std::vector<int32_t>& map, HashTable& table, auto&& pool) {
        auto old = std::move(list);
        const int32_t oldCount = count;
        list.clear();
        count = 0;
        table.Reset(table.type);
        for (int32_t i = 0; i < oldCount; ++i) {
            if (map[i] == 0) map[i] = pool(old[i]);
        }
    };
    keep(level.PointList, level.PointListCount, pointMap, level.PointHashTable, [&](const VgxPoint& p) {
        VgxPoint fresh;
        fresh.Point = p.Point;
        fresh.Weight = p.Weight;
        return modIndex::AddPooledPoint(level.PointList, level.PointListCount, level.PointHashTable, fresh, false,
                                        false);
    });
    keep(level.NormalList, level.NormalListCount, normalMap, level.NormalHashTable, [&](const iVgxNormal& n) {
        return modIndex::AddPooledNormal(level.NormalList, level.NormalListCount, level.NormalHashTable, n.Vector,
                                         false);
    });
    keep(level.UVList, level.UVListCount, uvMap, level.UVHashTable, [&](const iVgxUVCoordinate& t) {
        return modIndex::AddPooledUV(level.UVList, level.UVListCount, level.UVHashTable, t.Coordinate, false);
    });
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
            corners[k].Point = pointMap[corners[k].Point];
            corners[k].Normal = normalMap[corners[k].Normal];
            corners[k].UV = uvMap[corners[k].UV];
        }
    }
}

}  // namespace

void AddFaceRecords(VgxObject& object, iVgxObject& level, const FaceBatch& faces, bool buildEdges, EdgeMode mode) {
    VgxObject::Internals& self = object.GetInternals();
    const int32_t count = faces.Count();
    if (count < 1) {
        self.StructureChanged();
        return;
    }
    const bool edges = buildEdges && (level.FaceListCount == 0 || self.edgesValid);
    if (edges) {
        ReserveMore(level.EdgeList, 2 * static_cast<size_t>(count));
        // A side is usually shared by two faces: about one new edge per two corners.
        level.EdgeIndex.Reserve(static_cast<size_t>(level.EdgeListCount) + faces.corners.size() / 2);
        level.Adjacency.Reserve(faces.corners.size());
    }
    ReserveMore(level.FaceList, static_cast<size_t>(count));
    ReserveMore(level.FaceListObjects, static_cast<size_t>(count));
    ReserveMore(level.Corners, faces.corners.size());

    std::unordered_map<const VgxMaterial*, int32_t> slots;
    for (int32_t s = 0; s < level.MaterialListCount; ++s) slots.emplace(level.MaterialList[s].Material.get(), s);
    const std::shared_ptr<VgxObject> owner = object.shared_from_this();

    for (int32_t i = 0; i < count; ++i) {
        const std::shared_ptr<VgxMaterial>& material = faces.materials[i];
        const int32_t n = faces.offsets[i + 1] - faces.offsets[i];
        const int32_t f = level.AppendFace(n);
        level.FaceListObjects.push_back(VgxFaceAccess::Make(self.root, owner, material, f));
        level.FaceList[f].ApplicationData = faces.applicationData[i];
        if (!slots.count(material.get()) && slots.emplace(material.get(), level.MaterialListCount).second) {
            level.MaterialList.push_back(iVgxMaterial{material, {}, {}, {}, {}, {}});
            if (material) material->SetMaterialIndex(level.MaterialListCount);
            ++level.MaterialListCount;
        }
        iVgxFacePoint* corners = level.FaceCorners(f);
        std::copy_n(faces.corners.begin() + faces.offsets[i], n, corners);
        level.FaceList[f].PointCount = n;
        if (edges) {
            for (int32_t k = 0; k < n; ++k) AddFaceSide(level, f, k, mode);
        }
    }
    level.FaceListCount += count;
    level.EdgeList.resize(static_cast<size_t>(level.EdgeListCount));
    self.edgesValid = edges;
    self.StructureChanged();
}

void BuildFacesFromArrays(VgxObject& object, const std::vector<VgxVector>& points,
                          const std::vector<VgxVector>& normals, const std::vector<VgxUV>& uvs,
                          const std::vector<int32_t>& faceData, const std::vector<std::shared_ptr<VgxMaterial>>& materials,
                          bool optimizeFaces, bool optimizeCoordinates, int32_t version) {
    VgxObject::Internals& self = object.GetInternals();
    iVgxObject& level = self.Base();

    if (level.FaceListCount == 0 && level.PointListCount == 0) {
        level.PointHashTable.Reset(HashTable::TypeFor(points.size()));
        level.NormalHashTable.Reset(HashTable::TypeFor(normals.size()));
        level.UVHashTable.Reset(0);
        level.PointList.resize(points.size());
        level.NormalList.resize(std::max<size_t>(normals.size(), 1));
        level.UVList.resize(1);
    } else {
        level.PointList.resize(level.PointList.size() + points.size());
        level.NormalList.resize(level.NormalList.size() + normals.size());
    }

    // A patch keeps every incoming coordinate as its own entry.
    const bool search = optimizeCoordinates && self.attributes.ObjectType != VgxPatch;
    std::vector<int32_t> pointMap, normalMap, uvMap;
    modIndex::AddPooledPoints(level.PointList, level.PointListCount, level.PointHashTable, points, search, pointMap);
    const std::vector<VgxVector> defaultNormal{{0, 0, 1}};
    const std::vector<VgxUV> defaultUV{{0, 0}};
    modIndex::AddPooledNormals(level.NormalList, level.NormalListCount, level.NormalHashTable,
                               normals.empty() ? defaultNormal : normals, search, normalMap);
    modIndex::AddPooledUVs(level.UVList, level.UVListCount, level.UVHashTable, uvs.empty() ? defaultUV : uvs, search,
                           uvMap);

    FaceBatch faces;
    faces.corners.reserve(faceData.size() / 3);
    const bool ownNormals = !normals.empty(), ownUVs = !uvs.empty();
    ReadFaceBlocks(level, faceData, materials, optimizeFaces, version,
                   [&](const int32_t* triple) {
                       iVgxFacePoint corner;
                       corner.Point = pointMap[triple[0]];
                       corner.Normal = normalMap[ownNormals ? triple[1] : 0];
                       corner.UV = uvMap[ownUVs ? triple[2] : 0];
                       return corner;
                   },
                   faces);
    AddFaceRecords(object, level, faces, true, EdgeMode::Undirected);
    if (optimizeFaces) {
        CompactCoordinates(level);
        self.edgesValid = false;
    }
}

void RebuildFaces(VgxObject& object, iVgxObject& level, int32_t minimumCorners) {
    VgxObject::Internals& self = object.GetInternals();
    FaceBatch kept;
    kept.corners.reserve(level.Corners.size());
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFace& face = level.FaceList[f];
        if (face.PointCount < minimumCorners) continue;
        const iVgxFacePoint* corners = level.FaceCorners(f);
        kept.corners.insert(kept.corners.end(), corners, corners + face.PointCount);
        kept.Close(face.ApplicationData, level.FaceMaterial(f));
    }
    iVgxObject rebuilt;
    rebuilt.PointList = std::move(level.PointList);
    rebuilt.NormalList = std::move(level.NormalList);
    rebuilt.UVList = std::move(level.UVList);
    rebuilt.PointListCount = level.PointListCount;
    rebuilt.NormalListCount = level.NormalListCount;
    rebuilt.UVListCount = level.UVListCount;
    rebuilt.PointHashTable = std::move(level.PointHashTable);
    rebuilt.NormalHashTable = std::move(level.NormalHashTable);
    rebuilt.UVHashTable = std::move(level.UVHashTable);
    rebuilt.D3DVertexBuffer = std::move(level.D3DVertexBuffer);
    rebuilt.ActiveFaceList = std::move(level.ActiveFaceList);
    rebuilt.ActiveFaceListCount = level.ActiveFaceListCount;
    // The point adjacency is rebuilt with the edges.
    for (int32_t p = 0; p < rebuilt.PointListCount; ++p) {
        rebuilt.PointList[p].FaceList = {};
        rebuilt.PointList[p].EdgeList = {};
        rebuilt.PointList[p].D3DVertexList = {};
    }
    level = std::move(rebuilt);
    self.edgesValid = true;
    AddFaceRecords(object, level, kept, true, EdgeMode::Undirected);
    self.edgesValid = true;
}

VgxVector FaceNormal(const iVgxObject& level, int32_t face) {
    const iVgxFace& record = At(level.FaceList, face);
    if (record.PointCount <= 2) return {0, 0, 0};
    const iVgxFacePoint* corners = level.FaceCorners(face);
    const VgxVector& p0 = At(level.PointList, corners[0].Point).Point;
    const VgxVector& p1 = At(level.PointList, corners[1].Point).Point;
    const VgxVector& p2 = At(level.PointList, corners[2].Point).Point;
    VgxVector normal;
    rm::VectorCrossProduct(normal, {p1.X - p0.X, p1.Y - p0.Y, p1.Z - p0.Z}, {p2.X - p1.X, p2.Y - p1.Y, p2.Z - p1.Z});
    if (normal.X == 0 && normal.Y == 0 && normal.Z == 0) return normal;
    rm::VectorNormalize(normal, normal);
    return normal;
}

}  // namespace vgx

namespace vgx {

void BuildFacesIndexed(VgxObject& object, const std::vector<int32_t>& faceData, bool optimizeFaces) {
    iVgxObject& level = object.GetInternals().Base();
    // Normal and UV indexes are taken on trust; points must exist for the edges.
    ValidateFaceData(faceData, static_cast<size_t>(level.PointListCount), 0, 0);
    FaceBatch faces;
    faces.corners.reserve(faceData.size() / 3);
    const std::vector<std::shared_ptr<VgxMaterial>> materials{EnsureDefaultMaterial(object)};
    ReadFaceBlocks(level, faceData, materials, optimizeFaces, 100,
                   [](const int32_t* triple) {
                       iVgxFacePoint corner;
                       corner.Point = triple[0];
                       corner.Normal = triple[1];
                       corner.UV = triple[2];
                       return corner;
                   },
                   faces);
    AddFaceRecords(object, level, faces, true, EdgeMode::Undirected);
}

}  // namespace vgx
