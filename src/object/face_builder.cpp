// Building faces: pooling incoming coordinates, appending face records with their
// proxies, material slots and edges, and rebuilding a level's faces.
#include <vgx/Vgx.h>
#include <vgx/VgxMaterial.h>

#include <algorithm>
#include <atomic>
#include <unordered_map>
#include <unordered_set>

#include "base/access.h"
#include "base/errors.h"
#include "base/mod_vector.h"
#include "base/retained_mode.h"
#include "base/task_pool.h"
#include "mesh/mod_index.h"
#include "object/object_internal.h"

namespace vgx {
namespace {

constexpr float kCoincident = 0.0001f;
constexpr size_t kFacesPerChunk = tasks::kCoarseGrain;  // faces one worker takes at a time

// Room for `extra` more entries, growing at least geometrically: faces are often
// appended a few at a time, and exact reservations would copy the list every time.
template <class Vector>
void ReserveMore(Vector& list, size_t extra) {
    if (list.size() + extra > list.capacity()) list.reserve(std::max(list.size() + extra, 2 * list.capacity()));
}

// Gives back the room a pool set aside for a face soup that merged into far fewer entries.
template <class Vector>
void ReleaseSpareRoom(Vector& list) {
    if (list.capacity() > 2 * list.size()) list.shrink_to_fit();
}

}  // namespace

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

// Block b's material: materials[b], the last serving all later blocks. An entry
// only its own block takes is moved into the batch: a handle's copy counts
// references atomically, which per face adds up.
std::shared_ptr<VgxMaterial> BlockMaterial(std::vector<std::shared_ptr<VgxMaterial>>& materials, size_t block) {
    const size_t last = materials.size() - 1;
    return block < last ? std::move(materials[block]) : materials[last];
}

// ReadFaceBlocks into an empty batch on the worker threads, each block into its
// own place, when that reads the same: always without optimizeFaces, and with it
// while no face is short of 3 corners and no corner repeats an earlier corner of
// its face. A repeat moves a point, which the faces after it see, so the blocks
// are then read one after another; returns false and leaves the batch as it was.
template <class MapCorner>
bool ReadFaceBlocksApart(const iVgxObject& level, const std::vector<int32_t>& faceData,
                         std::vector<std::shared_ptr<VgxMaterial>>& materials, bool optimizeFaces, int32_t version,
                         MapCorner& mapCorner, FaceBatch& faces) {
    // Block b's corners follow its count, after b counts and offsets[b] corners.
    BlockArray<int32_t> offsets{0};
    const auto end = static_cast<int64_t>(faceData.size()) - 2;
    for (int64_t position = 0; position < end;) {
        const int32_t n = faceData[position];
        if (optimizeFaces && n < 3) return false;
        offsets.push_back(offsets.back() + n);
        position += 1 + 3 * static_cast<int64_t>(n);
    }
    const size_t blocks = offsets.size() - 1;
    BlockArray<iVgxFacePoint> corners;
    GrowForOverwrite(corners, static_cast<size_t>(offsets.back()));
    std::atomic<bool> repeats{false};
    tasks::ParallelFor(blocks, kFacesPerChunk, [&](size_t begin, size_t endBlock) {
        for (size_t b = begin; b < endBlock && !repeats.load(std::memory_order_relaxed); ++b) {
            iVgxFacePoint* out = corners.data() + offsets[b];
            const int32_t* in = faceData.data() + b + 1 + 3 * static_cast<size_t>(offsets[b]);
            const int32_t n = offsets[b + 1] - offsets[b];
            for (int32_t k = 0; k < n; ++k) {
                out[k] = mapCorner(in + 3 * k);
                if (optimizeFaces && k > 0 && RepeatedCorner(level, out, static_cast<size_t>(k), out[k], version)) {
                    repeats.store(true, std::memory_order_relaxed);
                }
            }
        }
    });
    if (repeats.load()) return false;
    // On one thread: copies of one handle on several would fight over its count.
    faces.materials.reserve(blocks);
    for (size_t b = 0; b < blocks; ++b) faces.materials.push_back(BlockMaterial(materials, b));
    faces.corners = std::move(corners);
    faces.offsets = std::move(offsets);
    faces.applicationData.assign(blocks, 0);
    return true;
}

// Reads the face blocks of FaceData into `faces`, mapping each corner's three
// indexes; with optimizeFaces, repeated corners are dropped (their point moved
// onto the corner they repeat) and faces left with fewer than 3 corners go.
// Block b takes BlockMaterial(materials, b).
template <class MapCorner>
void ReadFaceBlocks(iVgxObject& level, const std::vector<int32_t>& faceData,
                    std::vector<std::shared_ptr<VgxMaterial>>& materials, bool optimizeFaces, int32_t version,
                    MapCorner&& mapCorner, FaceBatch& faces) {
    if (ReadFaceBlocksApart(level, faceData, materials, optimizeFaces, version, mapCorner, faces)) return;
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
            faces.Close(0, BlockMaterial(materials, static_cast<size_t>(block)));
        }
    }
}

// Keeps only the points, normals and UVs some corner uses, in their old order,
// renumbers the corners and refiles the kept coordinates in fresh hash tables.
// Moves the entries of a pool that `used` marks down in order, each remade by
// `fresh`, and files them again: what pooling them one by one without searching
// gives. used[i] becomes entry i's new index (-1 when dropped).
template <class Record, class Fresh, class Refile>
void KeepUsed(BlockArray<Record>& list, int32_t& count, BlockArray<int32_t>& used, HashTable& table, Fresh&& fresh,
              Refile&& refile) {
    constexpr size_t kEntriesPerChunk = tasks::kCoarseGrain;
    const auto entries = static_cast<size_t>(count);
    BlockArray<int32_t> newIndex(entries);
    const auto kept = static_cast<int32_t>(tasks::ExclusiveScan(
        entries, kEntriesPerChunk, [&](size_t i) { return used[i]; }, newIndex.data()));
    BlockArray<Record> keptList(static_cast<size_t>(kept));
    tasks::ParallelFor(entries, kEntriesPerChunk, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            if (used[i] != 0) keptList[newIndex[i]] = fresh(list[i]);
            used[i] = used[i] != 0 ? newIndex[i] : -1;
        }
    });
    list = std::move(keptList);
    count = kept;
    table.Reset(table.type);
    refile(list, count, table);
}

void CompactCoordinates(iVgxObject& level) {
    BlockArray<int32_t> pointMap(static_cast<size_t>(level.PointListCount), 0);
    BlockArray<int32_t> normalMap(static_cast<size_t>(level.NormalListCount), 0);
    BlockArray<int32_t> uvMap(static_cast<size_t>(level.UVListCount), 0);
    // Corners of faces on different threads may share a coordinate: each marks it alike.
    const auto mark = [](int32_t& used) { std::atomic_ref<int32_t>(used).store(1, std::memory_order_relaxed); };
    tasks::ParallelFor(static_cast<size_t>(level.FaceListCount), kFacesPerChunk, [&](size_t begin, size_t end) {
        for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
            const iVgxFacePoint* corners = level.FaceCorners(f);
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
                mark(pointMap[corners[k].Point]);
                mark(normalMap[corners[k].Normal]);
                mark(uvMap[corners[k].UV]);
            }
        }
    });
    KeepUsed(
        level.PointList, level.PointListCount, pointMap, level.PointHashTable,
        [](const VgxPoint& p) {
            VgxPoint fresh;
            fresh.Point = p.Point;
            return fresh;
        },
        modIndex::RefilePoints);
    KeepUsed(
        level.NormalList, level.NormalListCount, normalMap, level.NormalHashTable,
        [](const iVgxNormal& n) {
            return iVgxNormal{n.Vector, 0};
        },
        modIndex::RefileNormals);
    KeepUsed(
        level.UVList, level.UVListCount, uvMap, level.UVHashTable,
        [](const iVgxUVCoordinate& t) {
            return iVgxUVCoordinate{t.Coordinate, 0};
        },
        modIndex::RefileUVs);
    tasks::ParallelFor(static_cast<size_t>(level.FaceListCount), kFacesPerChunk, [&](size_t begin, size_t end) {
        for (auto f = static_cast<int32_t>(begin); f < static_cast<int32_t>(end); ++f) {
            iVgxFacePoint* corners = level.FaceCorners(f);
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
                corners[k].Point = pointMap[corners[k].Point];
                corners[k].Normal = normalMap[corners[k].Normal];
                corners[k].UV = uvMap[corners[k].UV];
            }
        }
    });
}

using SlotsByMaterial = std::unordered_map<const VgxMaterial*, int32_t>;

// The slot of a material in the level's list, appended (and the material told
// its slot) when it has none yet.
int32_t SlotOf(iVgxObject& level, SlotsByMaterial& slots, const std::shared_ptr<VgxMaterial>& material) {
    const auto [found, added] = slots.emplace(material.get(), level.MaterialListCount);
    if (added) {
        level.MaterialList.push_back(iVgxMaterial{material, {}, {}, {}, {}, {}});
        if (material) VgxAccess::SetMaterialIndex(*material, level.MaterialListCount);
        ++level.MaterialListCount;
    }
    return found->second;
}

// For a level whose faces name slots: the slots renumbered in order of first use
// over the faces (found per chunk of faces, merged in chunk order), slots of one
// material made one.
void RenumberMaterialSlots(iVgxObject& level) {
    const auto faces = static_cast<size_t>(level.FaceListCount);
    const std::vector<iVgxMaterial> old = std::move(level.MaterialList);
    std::vector<std::vector<int32_t>> firstUses((faces + kFacesPerChunk - 1) / kFacesPerChunk);
    tasks::ParallelFor(faces, kFacesPerChunk, [&](size_t begin, size_t end) {
        std::vector<char> seen(old.size(), 0);
        for (size_t f = begin; f < end; ++f) {
            const int32_t slot = level.FaceMaterialSlot[f];
            if (!seen[slot]) firstUses[begin / kFacesPerChunk].push_back(slot);
            seen[slot] = 1;
        }
    });
    level.MaterialList.clear();
    level.MaterialListCount = 0;
    SlotsByMaterial slots;
    std::vector<int32_t> renumbered(old.size(), -1);
    for (const std::vector<int32_t>& uses : firstUses) {
        for (const int32_t slot : uses) {
            if (renumbered[slot] < 0) renumbered[slot] = SlotOf(level, slots, old[slot].Material);
        }
    }
    tasks::ParallelFor(faces, kFacesPerChunk, [&](size_t begin, size_t end) {
        for (size_t f = begin; f < end; ++f) level.FaceMaterialSlot[f] = renumbered[level.FaceMaterialSlot[f]];
    });
}

}  // namespace

void RebuildSubObjects(iVgxObject& level) {
    if (!level.FaceMaterialSlot.empty()) return RenumberMaterialSlots(level);
    level.MaterialList.clear();
    level.MaterialListCount = 0;
    AddMaterialSlots(level, 0);
}

void AddMaterialSlots(iVgxObject& level, int32_t firstFace) {
    // Each chunk of faces lists its materials in order of first use; the chunks'
    // lists, in chunk order, give the slots in the order one walk would.
    const auto faces = static_cast<size_t>(level.FaceListCount - firstFace);
    std::vector<std::vector<const std::shared_ptr<VgxMaterial>*>> firstUses((faces + kFacesPerChunk - 1) /
                                                                            kFacesPerChunk);
    tasks::ParallelFor(faces, kFacesPerChunk, [&](size_t begin, size_t end) {
        std::vector<const std::shared_ptr<VgxMaterial>*>& uses = firstUses[begin / kFacesPerChunk];
        std::unordered_set<const VgxMaterial*> seen;
        const VgxMaterial* previous = nullptr;
        for (size_t i = begin; i < end; ++i) {
            const std::shared_ptr<VgxMaterial>& material = level.FaceMaterial(firstFace + static_cast<int32_t>(i));
            // Neighbouring faces mostly share a material: skip the lookup for a repeat.
            if (i > begin && material.get() == previous) continue;
            previous = material.get();
            if (seen.insert(previous).second) uses.push_back(&material);
        }
    });
    SlotsByMaterial slots;
    for (int32_t s = 0; s < level.MaterialListCount; ++s) slots.emplace(level.MaterialList[s].Material.get(), s);
    for (const auto& uses : firstUses) {
        for (const std::shared_ptr<VgxMaterial>* use : uses) SlotOf(level, slots, *use);
    }
}

void AddFaceRecords(VgxObject& object, iVgxObject& level, FaceBatch&& faces, bool buildEdges) {
    vgx::ObjectState& self = vgx::State(object);
    level.GiveFacesOwnMaterials();
    const int32_t count = faces.Count();
    if (count < 1) {
        self.changes.StructureChanged(vgx::Changed::kPoolValues);
        return;
    }
    // A level without faces gets its edges in one bulk pass; edges still valid are
    // extended side by side.
    const bool bulk = buildEdges && level.FaceListCount == 0 && level.EdgeListCount == 0;
    const bool edges = buildEdges && (level.FaceListCount == 0 || self.changes.EdgesCurrent());
    ReserveMore(level.FaceList, static_cast<size_t>(count));
    ReserveMore(level.FaceMaterials, static_cast<size_t>(count));
    const int32_t first = level.FaceListCount;
    // The batch's corners are already laid out face after face: a level without
    // faces takes them as its corner store.
    const bool takeCorners = level.FaceList.empty();
    if (takeCorners) {
        level.Corners = std::move(faces.corners);
    } else {
        ReserveMore(level.Corners, faces.corners.size());
    }
    for (int32_t i = 0; i < count; ++i) {
        const int32_t n = faces.offsets[i + 1] - faces.offsets[i];
        iVgxFace face;
        face.PointCount = face.CornerCapacity = n;
        face.ApplicationData = faces.applicationData[i];
        if (takeCorners) {
            face.CornerStart = faces.offsets[i];
        } else {
            face.CornerStart = static_cast<int32_t>(level.Corners.size());
            level.Corners.insert(level.Corners.end(), faces.corners.begin() + faces.offsets[i],
                                 faces.corners.begin() + faces.offsets[i + 1]);
        }
        level.FaceList.push_back(face);
        level.FaceMaterials.push_back(faces.materials[i]);
    }
    level.FaceListCount += count;
    AddMaterialSlots(level, first);
    if (bulk) {
        RebuildAdjacency(level);
    } else if (edges) {
        AddFaceSides(level, first);
    }
    self.changes.StructureChanged(vgx::Changed::kPoolValues | vgx::Changed::kEdges);
    if (edges) self.changes.EdgesBuilt();
}

void BuildFacesFromArrays(VgxObject& object, const std::vector<VgxVector>& points,
                          const std::vector<VgxVector>& normals, const std::vector<VgxUV>& uvs,
                          const std::vector<int32_t>& faceData, std::vector<std::shared_ptr<VgxMaterial>> materials,
                          bool optimizeFaces, bool optimizeCoordinates, int32_t version) {
    vgx::ObjectState& self = vgx::State(object);
    iVgxObject& level = self.Base();

    if (level.FaceListCount == 0 && level.PointListCount == 0) {
        level.PointHashTable.Reset(HashTable::TypeFor(points.size()));
        level.NormalHashTable.Reset(HashTable::TypeFor(normals.size()));
        level.UVHashTable.Reset(0);
        // An empty pool's first entry resets its list to that one entry, so only
        // room is set aside here: a face soup lists each point several times.
        level.PointList.clear();
        level.PointList.reserve(points.size());
        if (level.NormalListCount == 0) {
            level.NormalList.clear();
            level.NormalList.reserve(normals.size());
        } else {
            level.NormalList.resize(std::max<size_t>(normals.size(), 1));
        }
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
    ReleaseSpareRoom(level.PointList);
    ReleaseSpareRoom(level.NormalList);

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
    // Compacting renumbers the points, so edges built now would be out of date at once.
    AddFaceRecords(object, level, std::move(faces), !optimizeFaces);
    if (optimizeFaces) {
        CompactCoordinates(level);
        self.changes.StructureChanged(vgx::Changed::kEdges);
    }
}

namespace {

// Whether every face stays where it is: kept, with exactly the room it uses,
// its corners right after the face before it's. A smoothed mesh's faces do.
bool FacesStayInPlace(const iVgxObject& level, int32_t minimumCorners) {
    const auto rangeHolds = [&](size_t begin, size_t end) {
        for (size_t f = begin; f < end; ++f) {
            const iVgxFace& face = level.FaceList[f];
            const int32_t after = f == 0 ? 0 : level.FaceList[f - 1].CornerStart + level.FaceList[f - 1].PointCount;
            if (face.PointCount < minimumCorners || face.CornerCapacity != face.PointCount || face.CornerStart != after) {
                return false;
            }
        }
        return true;
    };
    return tasks::AllRangesHold(static_cast<size_t>(level.FaceListCount), kFacesPerChunk, rangeHolds);
}

// Faces that stay in place keep their corners; the store drops its spare room.
// Returns the faces kept.
int32_t KeepFacesInPlace(iVgxObject& level) {
    const iVgxFace* last = level.FaceListCount > 0 ? &level.FaceList[level.FaceListCount - 1] : nullptr;
    level.Corners.resize(last ? static_cast<size_t>(last->CornerStart + last->PointCount) : 0);
    return level.FaceListCount;
}

// The kept faces move down in place, their corners packed in face order, each
// with exactly the room it uses. Corners stored in face order pack within the
// store itself; a face moved to the end by a growing corner list needs a fresh one.
// Returns the faces kept.
int32_t PackKeptFaces(iVgxObject& level, int32_t minimumCorners, bool slotted) {
    size_t keptCorners = 0;
    bool inFaceOrder = true;
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFace& face = level.FaceList[f];
        if (face.PointCount >= minimumCorners) keptCorners += static_cast<size_t>(face.PointCount);
        if (f > 0 && face.CornerStart < level.FaceList[f - 1].CornerStart + level.FaceList[f - 1].CornerCapacity) {
            inFaceOrder = false;
        }
    }
    BlockArray<iVgxFacePoint> fresh(inFaceOrder ? 0 : keptCorners);
    BlockArray<iVgxFacePoint>& corners = inFaceOrder ? level.Corners : fresh;
    int32_t kept = 0, start = 0;
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFace face = level.FaceList[f];
        if (face.PointCount < minimumCorners) continue;
        // Packing moves corners only towards the front: a forward copy is safe.
        if (!inFaceOrder || start != face.CornerStart) {
            std::copy_n(level.Corners.begin() + face.CornerStart, face.PointCount, corners.begin() + start);
        }
        iVgxFace& moved = level.FaceList[kept];
        moved = iVgxFace{};
        moved.CornerStart = start;
        moved.PointCount = moved.CornerCapacity = face.PointCount;
        moved.ApplicationData = face.ApplicationData;
        if (kept != f && slotted) {
            level.FaceMaterialSlot[kept] = level.FaceMaterialSlot[f];
        } else if (kept != f) {
            level.FaceMaterials.Copy(static_cast<size_t>(kept), static_cast<size_t>(f));
        }
        start += face.PointCount;
        ++kept;
    }
    if (inFaceOrder) {
        level.Corners.resize(keptCorners);
    } else {
        level.Corners = std::move(fresh);
    }
    return kept;
}

}  // namespace

void RebuildFaces(VgxObject& object, iVgxObject& level, int32_t minimumCorners, EdgeIds edgeIds) {
    vgx::ObjectState& self = vgx::State(object);
    // A smoothed mesh's faces keep naming material slots.
    const bool slotted = !level.FaceMaterialSlot.empty();
    const int32_t kept = FacesStayInPlace(level, minimumCorners) ? KeepFacesInPlace(level)
                                                                  : PackKeptFaces(level, minimumCorners, slotted);
    level.FaceList.resize(static_cast<size_t>(kept));
    if (slotted) {
        level.FaceMaterialSlot.resize(static_cast<size_t>(kept));
    } else {
        level.FaceMaterials.Truncate(static_cast<size_t>(kept));
    }
    level.FaceListCount = kept;
    level.DropFaceProxies();
    RebuildSubObjects(level);
    RebuildAdjacency(level, edgeIds);
    self.changes.EdgesBuilt();
    self.changes.StructureChanged(vgx::Changed::kPoolValues);
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
    iVgxObject& level = vgx::State(object).Base();
    // Normal and UV indexes are taken on trust; points must exist for the edges.
    ValidateFaceData(faceData, static_cast<size_t>(level.PointListCount), 0, 0);
    FaceBatch faces;
    faces.corners.reserve(faceData.size() / 3);
    std::vector<std::shared_ptr<VgxMaterial>> materials{EnsureDefaultMaterial(object)};
    ReadFaceBlocks(level, faceData, materials, optimizeFaces, 100,
                   [](const int32_t* triple) {
                       iVgxFacePoint corner;
                       corner.Point = triple[0];
                       corner.Normal = triple[1];
                       corner.UV = triple[2];
                       return corner;
                   },
                   faces);
    AddFaceRecords(object, level, std::move(faces), true);
}

}  // namespace vgx
