// Whole-mesh access: export in the FaceData layout, bulk coordinates, moving and
// scaling, the bounding box and merging another object.
#include <vgx/VgxMaterial.h>
#include <vgx/VgxObject.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/finite.h"
#include "base/task_pool.h"
#include "mesh/triangulation.h"
#include "object/object_internal.h"
#include "platform/mod_file.h"

namespace {

constexpr std::string_view kSource = "VgxObject";

constexpr size_t kItemsPerChunk = vgx::tasks::kGrain;

template <class Out, class Record, class Field>
void ExportPool(const vgx::BlockArray<Record>& list, int32_t count, Field field, std::vector<Out>& out,
                int32_t& outCount) {
    std::vector<Out> values(static_cast<size_t>(count));
    vgx::tasks::ParallelFor(values.size(), kItemsPerChunk, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) values[i] = list[i].*field;
    });
    out = std::move(values);
    outCount = count;
}


void AppendCorner(std::vector<int32_t>& faceData, const vgx::iVgxFacePoint& corner) {
    faceData.push_back(corner.Point);
    faceData.push_back(corner.Normal);
    faceData.push_back(corner.UV);
}

// Every face as it is: a face's entries start where the faces before it end, so
// chunks of faces write their own parts on the worker threads.
void ExportWholeFaces(const vgx::iVgxObject& level, std::vector<int32_t>& faceData, int32_t& faceDataCount,
                      std::vector<std::shared_ptr<VgxMaterial>>* materials) {
    const auto faces = static_cast<size_t>(level.FaceListCount);
    std::vector<int32_t> faceStart(faces);
    const int64_t entries = vgx::tasks::ExclusiveScan(
        faces, kItemsPerChunk, [&](size_t f) { return 1 + 3 * int64_t{level.FaceList[f].PointCount}; },
        faceStart.data());
    std::vector<int32_t> data(static_cast<size_t>(entries) + 1);
    vgx::tasks::ParallelFor(faces, kItemsPerChunk, [&](size_t begin, size_t end) {
        for (size_t f = begin; f < end; ++f) {
            const auto face = static_cast<int32_t>(f);
            const vgx::iVgxFacePoint* corners = level.FaceCorners(face);
            const int32_t n = level.FaceList[f].PointCount;
            int32_t* out = data.data() + faceStart[f];
            *out++ = n;
            for (int32_t k = 0; k < n; ++k) {
                *out++ = corners[k].Point;
                *out++ = corners[k].Normal;
                *out++ = corners[k].UV;
            }
        }
    });
    faceDataCount = static_cast<int32_t>(data.size());
    faceData = std::move(data);
    if (materials) {
        // On one thread: copies of one handle on several would fight over its count.
        std::vector<std::shared_ptr<VgxMaterial>> faceMaterials(faces);
        for (size_t f = 0; f < faces; ++f) faceMaterials[f] = level.FaceMaterial(static_cast<int32_t>(f));
        *materials = std::move(faceMaterials);
    }
}

}  // namespace

void vgx::ExportCoordinates(const iVgxObject& level, std::vector<VgxVector>& points, int32_t& pointCount,
                            std::vector<VgxVector>& normals, int32_t& normalCount, std::vector<VgxUV>& uvs,
                            int32_t& uvCount) {
    ExportPool(level.PointList, level.PointListCount, &VgxPoint::Point, points, pointCount);
    ExportPool(level.NormalList, level.NormalListCount, &iVgxNormal::Vector, normals, normalCount);
    ExportPool(level.UVList, level.UVListCount, &iVgxUVCoordinate::Coordinate, uvs, uvCount);
}

void vgx::ExportFaces(const iVgxObject& level, bool triangulate, std::vector<int32_t>& faceData,
                      int32_t& faceDataCount, std::vector<std::shared_ptr<VgxMaterial>>* materials,
                      std::vector<int32_t>* sourceFaces) {
    if (!triangulate && !sourceFaces) return ExportWholeFaces(level, faceData, faceDataCount, materials);
    std::vector<int32_t> data;
    data.reserve(level.Corners.size() * 3 + level.FaceList.size() + 1);
    std::vector<std::shared_ptr<VgxMaterial>> faceMaterials;
    std::vector<VgxVector> positions;
    std::vector<vgx::modFace::FaceTriangle> triangles;
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const vgx::iVgxFacePoint* corners = level.FaceCorners(f);
        const int32_t n = level.FaceList[f].PointCount;
        const auto& material = level.FaceMaterial(f);
        if (!triangulate || n == 3) {
            data.push_back(n);
            for (int32_t k = 0; k < n; ++k) AppendCorner(data, corners[k]);
            if (materials) faceMaterials.push_back(material);
            if (sourceFaces) sourceFaces->push_back(f);
            continue;
        }
        if (n < 3) continue;
        positions.resize(static_cast<size_t>(n));
        for (int32_t k = 0; k < n; ++k) positions[k] = vgx::At(level.PointList, corners[k].Point).Point;
        triangles.clear();
        vgx::modFace::SplitFace(positions, triangles);
        for (const auto& triangle : triangles) {
            data.push_back(3);
            for (int32_t corner : triangle.Corner) AppendCorner(data, corners[corner]);
            if (materials) faceMaterials.push_back(material);
            if (sourceFaces) sourceFaces->push_back(f);
        }
    }
    data.push_back(0);
    faceDataCount = static_cast<int32_t>(data.size());
    faceData = std::move(data);
    if (materials) *materials = std::move(faceMaterials);
}

void VgxObject::GetGeometry(std::vector<VgxVector>& PointList, int32_t& PointListCount,
                            std::vector<VgxVector>& NormalList, int32_t& NormalListCount, std::vector<VgxUV>& UVList,
                            int32_t& UVListCount, std::vector<int32_t>& FaceData, int32_t& FaceDataCount) const {
    vgx::Trap(kSource, [&] {
        const vgx::iVgxObject& level = internals_->Base();
        vgx::ExportFaces(level, false, FaceData, FaceDataCount, nullptr);
        vgx::ExportCoordinates(level, PointList, PointListCount, NormalList, NormalListCount, UVList, UVListCount);
    });
}

void VgxObject::GetGeometryPointUV(std::vector<VgxVectorUV>& PointUVList, int32_t& PointUVListCount,
                                   std::vector<VgxVector>& NormalList, int32_t& NormalListCount,
                                   std::vector<int32_t>& FaceData, int32_t& FaceDataCount) const {
    vgx::Trap(kSource, [&] {
        const vgx::iVgxObject& level = internals_->Base();
        // Each distinct (point, UV) pair in order of first use; the pairs of one
        // point are chained from that point, so the lookup stays linear.
        std::vector<vgx::VgxPointUV> pairs;
        std::vector<int32_t> firstPairOfPoint(static_cast<size_t>(level.PointListCount), 0);
        std::vector<int32_t> data;
        data.reserve(level.Corners.size() * 2 + level.FaceList.size() + 1);
        for (int32_t f = 0; f < level.FaceListCount; ++f) {
            const vgx::iVgxFacePoint* corners = level.FaceCorners(f);
            const int32_t n = level.FaceList[f].PointCount;
            data.push_back(n);
            for (int32_t k = 0; k < n; ++k) {
                int32_t& head = firstPairOfPoint[vgx::CheckIndex(corners[k].Point, firstPairOfPoint.size())];
                int32_t link = head, last = 0;
                for (; link != 0 && pairs[link - 1].UV != corners[k].UV; link = pairs[link - 1].NextPointUV) {
                    last = link;
                }
                if (link == 0) {
                    pairs.push_back({corners[k].Point, corners[k].UV, 0});
                    link = static_cast<int32_t>(pairs.size());
                    (last == 0 ? head : pairs[last - 1].NextPointUV) = link;
                }
                data.push_back(link - 1);
                data.push_back(corners[k].Normal);
            }
        }
        data.push_back(0);
        std::vector<VgxVectorUV> pointUVs(pairs.size());
        for (size_t i = 0; i < pairs.size(); ++i) {
            pointUVs[i] = {vgx::At(level.PointList, pairs[i].Point).Point, vgx::At(level.UVList, pairs[i].UV).Coordinate};
        }
        ExportPool(level.NormalList, level.NormalListCount, &vgx::iVgxNormal::Vector, NormalList, NormalListCount);
        PointUVListCount = static_cast<int32_t>(pointUVs.size());
        PointUVList = std::move(pointUVs);
        FaceDataCount = static_cast<int32_t>(data.size());
        FaceData = std::move(data);
    });
}

void VgxObject::GetPoints(std::vector<VgxVector>& PointList, int32_t& PointListCount) const {
    vgx::Trap(kSource, [&] {
        const vgx::iVgxObject& level = internals_->Base();
        ExportPool(level.PointList, level.PointListCount, &vgx::VgxPoint::Point, PointList, PointListCount);
    });
}

void VgxObject::GetNormals(std::vector<VgxVector>& NormalList, int32_t& NormalListCount) const {
    vgx::Trap(kSource, [&] {
        const vgx::iVgxObject& level = internals_->Base();
        ExportPool(level.NormalList, level.NormalListCount, &vgx::iVgxNormal::Vector, NormalList, NormalListCount);
    });
}

void VgxObject::GetUVs(std::vector<VgxUV>& UVList, int32_t& UVListCount) const {
    vgx::Trap(kSource, [&] {
        const vgx::iVgxObject& level = internals_->Base();
        ExportPool(level.UVList, level.UVListCount, &vgx::iVgxUVCoordinate::Coordinate, UVList, UVListCount);
    });
}

namespace {

// Overwrites entries 0.. of a pool's array; 9 before anything changes when the
// values run past the array.
template <class Record, class Value, class Field>
void OverwritePool(vgx::BlockArray<Record>& list, const std::vector<Value>& values, Field field) {
    if (values.size() > list.size()) vgx::Raise(VgxErrSubscript);
    for (size_t i = 0; i < values.size(); ++i) list[i].*field = values[i];
}

}  // namespace

void VgxObject::SetPoints(const std::vector<VgxVector>& PointList) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, PointList);
        OverwritePool(internals_->Base().PointList, PointList, &vgx::VgxPoint::Point);
        internals_->changes.PointsMoved(vgx::ChangeState::EveryPoint{});
    });
}

void VgxObject::SetNormals(const std::vector<VgxVector>& NormalList) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, NormalList);
        OverwritePool(internals_->Base().NormalList, NormalList, &vgx::iVgxNormal::Vector);
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}

void VgxObject::SetUVs(const std::vector<VgxUV>& UVList) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, UVList);
        OverwritePool(internals_->Base().UVList, UVList, &vgx::iVgxUVCoordinate::Coordinate);
        internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
    });
}

void VgxObject::Resize(const VgxVector& Factor) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Factor);
        vgx::iVgxObject& level = internals_->Base();
        for (int32_t i = 0; i < level.PointListCount; ++i) {
            VgxVector& p = level.PointList[i].Point;
            p = {p.X * Factor.X, p.Y * Factor.Y, p.Z * Factor.Z};
        }
        internals_->changes.PointsMoved(vgx::ChangeState::EveryPoint{});
    });
}

void VgxObject::Translate(const VgxVector& Translation) {
    vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, Translation);
        vgx::ObjectState& self = *internals_;
        vgx::iVgxObject& level = self.Base();
        const auto shift = [&](VgxVector& p) { p = {p.X + Translation.X, p.Y + Translation.Y, p.Z + Translation.Z}; };
        for (int32_t i = 0; i < level.PointListCount; ++i) shift(level.PointList[i].Point);
        // The box moves with the points and stays as valid as it was.
        shift(self.boundingBox.Min);
        shift(self.boundingBox.Max);
        self.changes.PointsMoved(vgx::ChangeState::EveryPoint{}, true);
    });
}

VgxBox VgxObject::GetBoundingBox() {
    return vgx::Trap(kSource, [&] {
        vgx::ObjectState& self = *internals_;
        if (self.changes.BoxCurrent()) return self.boundingBox;
        const vgx::iVgxObject& level = self.Base();
        if (level.PointListCount == 0) return VgxBox{};
        constexpr VgxBox kEmpty{{1e14f, 1e14f, 1e14f}, {-1e14f, -1e14f, -1e14f}};
        const auto grow = [](VgxBox& box, const VgxVector& low, const VgxVector& high) {
            box.Min = {std::min(box.Min.X, low.X), std::min(box.Min.Y, low.Y), std::min(box.Min.Z, low.Z)};
            box.Max = {std::max(box.Max.X, high.X), std::max(box.Max.Y, high.Y), std::max(box.Max.Z, high.Z)};
        };
        // Chunk boxes merged in chunk order keep, among equal extremes (0 and -0),
        // the first one met, as one pass would.
        constexpr size_t kPointsPerChunk = vgx::tasks::kCoarseGrain;
        const auto points = static_cast<size_t>(level.PointListCount);
        std::vector<VgxBox> chunks((points + kPointsPerChunk - 1) / kPointsPerChunk, kEmpty);
        vgx::tasks::ParallelFor(points, kPointsPerChunk, [&](size_t begin, size_t end) {
            VgxBox& box = chunks[begin / kPointsPerChunk];
            for (size_t i = begin; i < end; ++i) grow(box, level.PointList[i].Point, level.PointList[i].Point);
        });
        VgxBox box = kEmpty;
        for (const VgxBox& chunk : chunks) grow(box, chunk.Min, chunk.Max);
        self.boundingBox = box;
        self.changes.BoxComputed();
        return box;
    });
}

void VgxObject::AddObject(const std::shared_ptr<VgxObject>& Object) {
    int32_t step = 0;
    try {
        if (!Object) vgx::Raise(VgxErrObjectNotSet);
        const int32_t sourceFaces = Object->GetFaceCount();
        if (sourceFaces == 0) return;
        step = 1;
        std::vector<VgxVector> points, normals;
        std::vector<VgxUV> uvs;
        std::vector<int32_t> faceData;
        int32_t pointCount, normalCount, uvCount, faceDataCount;
        Object->GetGeometry(points, pointCount, normals, normalCount, uvs, uvCount, faceData, faceDataCount);
        if (normals.empty()) normals.push_back({0, 0, 0});
        if (uvs.empty()) uvs.push_back({0, 0});
        step = 2;
        const int32_t firstFace = GetFaceCount();
        AddFaces(points, normals, uvs, faceData, false, false);
        const vgx::iVgxObject& source = vgx::State(*Object).Base();
        vgx::iVgxObject& target = internals_->Base();
        for (int32_t i = 0; i < sourceFaces; ++i) {
            step = 10;
            vgx::CheckIndex(firstFace + i, target.FaceListCount);
            step = 11;
            target.SetFaceMaterial(firstFace + i, source.FaceMaterial(i));
            internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
            step = 12;
            target.FaceList[firstFace + i].ApplicationData = source.FaceList[i].ApplicationData;
            step = 14;
        }
        internals_->customFields = vgx::State(*Object).customFields;
        const VgxAttributes& from = vgx::State(*Object).attributes;
        VgxAttributes& to = internals_->attributes;
        to.CloneNumber = from.CloneNumber;
        to.CloneOffset = from.CloneOffset;
        to.CloneRotate = from.CloneRotate;
    } catch (...) {
        try {
            vgx::modFile::WriteLogLine("AddObject Error Location: " + std::to_string(step));
        } catch (const VgxError&) {
            // The error being reported matters more than its log line.
        }
        vgx::Reraise(kSource);
    }
}
