// Render buffers: one array of 44-byte vertices per block and per sub-object
// index lists, built lazily from the faces and turned into device resources per
// device id.
#include <vgx/Vgx.h>
#include <vgx/VgxMaterial.h>
#include <vgx/VgxObject.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <unordered_map>

#include "base/access.h"
#include "base/errors.h"
#include "base/mod_vector.h"
#include "base/task_pool.h"
#include "mesh/triangulation.h"
#include "object/object_internal.h"
#include "ops/smooth.h"
#include "platform/mod_file.h"
#include "render/render_vertices.h"
#include "state/root_state.h"

namespace vgx {
namespace {

constexpr std::string_view kSource = "VgxObject";
constexpr int32_t kFanAbovePoints = 4000;  // bigger meshes are fanned, not split
constexpr size_t kPointsPerChunk = tasks::kGrain;
constexpr int32_t kLines = VgxFillWireframe | VgxFillOutline;
constexpr int32_t kNonSolid = VgxFillWireframe | VgxFillOutline | VgxFillPoints;

// Runs chunk(0) .. chunk(chunks - 1) on the worker threads.
using ChunkRunner = std::function<void(size_t chunks, const std::function<void(size_t)>& chunk)>;

// The slot of the faces without a material.
int32_t BlankSlot(const iVgxObject& record) {
    for (int32_t s = 0; s < record.MaterialListCount; ++s) {
        if (!record.MaterialList[s].Material) return s;
    }
    return 0;
}

// After points moved without any change of structure: the vertices of the listed
// points take their point's position and their normal again.
void RefreshVertexPositions(const iVgxObject& record, const std::vector<int32_t>& points, RenderBlock& block) {
    for (int32_t point : points) {
        const VgxVector& p = record.PointList[point].Point;
        block.pointVertices.ForEach(point, [&](int32_t v) {
            const VgxVector& n = At(record.NormalList, block.vertexNormal[v]).Vector;
            RenderVertex& vertex = At(block.vertices, v);
            vertex.Position[0] = p.X, vertex.Position[1] = p.Y, vertex.Position[2] = p.Z;
            vertex.Normal[0] = n.X, vertex.Normal[1] = n.Y, vertex.Normal[2] = n.Z;
        });
    }
}

// Appends the triangles of one face as corner triples: a fan, or the planar split.
void AppendFaceTriangles(const iVgxObject& record, int32_t face, bool fanOnly,
                         std::vector<modFace::FaceTriangle>& out) {
    const int32_t n = record.FaceList[face].PointCount;
    if (n < 3) return;
    if (fanOnly || n < 4) {
        for (int32_t i = 0; i + 2 < n; ++i) out.push_back({{0, i + 1, i + 2}});
        return;
    }
    thread_local std::vector<VgxVector> positions;
    positions.resize(static_cast<size_t>(n));
    const iVgxFacePoint* corners = record.FaceCorners(face);
    for (int32_t k = 0; k < n; ++k) positions[k] = record.PointList[corners[k].Point].Point;
    modFace::SplitFace(positions, out);
}

void TriangulateFace(const iVgxObject& record, int32_t face, bool fanOnly, std::vector<modFace::FaceTriangle>& out) {
    out.clear();
    AppendFaceTriangles(record, face, fanOnly, out);
}

// Triangle and line (or point) lists of every face, in face order within each
// sub-object. Each chunk of faces counts what it adds to each list first, so that
// every chunk then writes its own part of each list. `runCounting` runs the chunks
// of the counting pass, and may set `laterRuns` (see BuildRenderVertices), whose
// corners the second pass numbers face by face before reading them.
void BuildIndexLists(const iVgxObject& record, const iVgxObject& slots, RenderBlock& block,
                     std::vector<std::vector<int32_t>>* triangleToFace, int32_t quality, bool fanOnly,
                     const ChunkRunner& runCounting, const CornerKeyRuns* const& laterRuns) {
    constexpr size_t kFacesPerChunk = tasks::kGrain;
    const auto subObjects = static_cast<size_t>(slots.MaterialListCount);
    const auto faces = static_cast<size_t>(record.FaceListCount);
    const size_t chunks = (faces + kFacesPerChunk - 1) / kFacesPerChunk;
    const bool nonSolid = (quality & kNonSolid) != 0;
    const int32_t perCorner = (quality & kLines) ? 2 : 1;
    const int32_t blank = BlankSlot(slots);
    // [chunk * stride + s]: the chunk's triangles (lines or points) in s, then where
    // they start. Rows fill whole cache lines, so chunks on other threads do not
    // keep taking each other's line away.
    const size_t stride = (subObjects + 15) / 16 * 16;
    std::vector<int32_t> triangleAt(chunks * stride, 0), lineAt(chunks * stride, 0);
    block.faces.resize(faces);
    // Split faces are triangulated once: each chunk keeps its triangles for the
    // second pass. Fans are cheaper made again than kept.
    std::vector<std::vector<modFace::FaceTriangle>> kept(fanOnly ? 0 : chunks);
    const auto eachChunk = [&](bool secondPass, auto&& perFace) {
        (secondPass ? tasks::RunChunks : runCounting)(chunks, [&](size_t chunk) {
            const size_t begin = chunk * kFacesPerChunk, end = std::min(faces, begin + kFacesPerChunk);
            thread_local std::vector<modFace::FaceTriangle> fan;
            const size_t row = chunk * stride;
            size_t keptAt = 0;  // the second pass's place in the chunk's kept triangles
            for (size_t f = begin; f < end; ++f) {
                const auto face = static_cast<int32_t>(f);
                const modFace::FaceTriangle* triangles = nullptr;
                size_t count = 0;
                if (fanOnly) {
                    TriangulateFace(record, face, true, fan);
                    triangles = fan.data(), count = fan.size();
                } else if (!secondPass) {
                    const size_t before = kept[chunk].size();
                    AppendFaceTriangles(record, face, false, kept[chunk]);
                    triangles = kept[chunk].data() + before, count = kept[chunk].size() - before;
                } else {
                    count = static_cast<size_t>(block.faces[f].count);
                    triangles = kept[chunk].data() + std::exchange(keptAt, keptAt + count);
                }
                perFace(face, triangles, count, triangleAt.data() + row, lineAt.data() + row);
            }
        });
    };
    eachChunk(false, [&](int32_t f, const modFace::FaceTriangle*, size_t triangles, int32_t* triangleCount,
                         int32_t* lineCount) {
        const std::shared_ptr<VgxMaterial>& material = record.FaceMaterial(f);
        const auto s =
            static_cast<int32_t>(CheckIndex(material ? VgxAccess::MaterialIndex(*material) : blank, subObjects));
        block.faces[f] = {s, 0, static_cast<int32_t>(triangles)};
        triangleCount[s] += static_cast<int32_t>(triangles);
        if (nonSolid) lineCount[s] += perCorner * record.FaceList[f].PointCount;
    });
    block.triangles.resize(subObjects);
    block.edgePoints.resize(subObjects);
    if (triangleToFace) triangleToFace->resize(subObjects);
    for (size_t s = 0; s < subObjects; ++s) {
        int32_t triangles = 0, lines = 0;
        for (size_t k = 0; k < chunks; ++k) {
            triangles += std::exchange(triangleAt[k * stride + s], triangles);
            if (nonSolid) lines += std::exchange(lineAt[k * stride + s], lines);
        }
        block.triangles[s].Indices.resize(3 * static_cast<size_t>(triangles));
        block.triangles[s].Count = 3 * triangles;
        block.edgePoints[s].Indices.resize(static_cast<size_t>(lines));
        block.edgePoints[s].Count = lines;
        if (triangleToFace) (*triangleToFace)[s].resize(static_cast<size_t>(triangles));
    }
    eachChunk(true, [&](int32_t f, const modFace::FaceTriangle* triangles, size_t count, int32_t* triangleAtOf,
                        int32_t* lineAtOf) {
        if (laterRuns) NumberLaterCornersOfFace(*laterRuns, record, block, static_cast<size_t>(f));
        FaceTriangles& place = block.faces[f];
        const int32_t* vertexOf = block.CornerVertices(record.FaceList[f].CornerStart);
        int32_t& first = triangleAtOf[place.subObject];
        place.first = 3 * first;
        int32_t* out = block.triangles[place.subObject].Indices.data() + place.first;
        for (size_t t = 0; t < count; ++t) {
            for (int32_t corner : triangles[t].Corner) *out++ = vertexOf[corner];
        }
        if (triangleToFace) std::fill_n((*triangleToFace)[place.subObject].begin() + first, count, f);
        first += place.count;
        if (!nonSolid) return;
        // Lines around the face (closing side first) or one point per corner.
        const int32_t n = record.FaceList[f].PointCount;
        int32_t* line = block.edgePoints[place.subObject].Indices.data() + lineAtOf[place.subObject];
        for (int32_t j = 0; j < n; ++j) {
            if (quality & kLines) *line++ = vertexOf[j == 0 ? n - 1 : j - 1];
            *line++ = vertexOf[j];
        }
        lineAtOf[place.subObject] += perCorner * n;
    });
}

// Vertices (on a full rebuild) and index lists of one geometry record. A partial
// rebuild keeps the vertices and re-triangulates only `facesToRedo`, in place
// when their triangle count holds.
// Faces are routed to the sub-objects of `slots` (level 0).
void BuildLevelRenderLists(const iVgxObject& record, const iVgxObject& slots, RenderBlock& block,
                           std::vector<std::vector<int32_t>>* triangleToFace, int32_t quality, bool fullRebuild,
                           bool fanOnly, const std::vector<int32_t>& facesToRedo = {}) {
    const int32_t subObjects = slots.MaterialListCount;
    std::vector<modFace::FaceTriangle> triangles;
    if (!fullRebuild && static_cast<int32_t>(block.faces.size()) == record.FaceListCount) {
        bool fits = true;
        for (const int32_t f : facesToRedo) {
            const FaceTriangles& place = block.faces[f];
            TriangulateFace(record, f, fanOnly, triangles);
            if (static_cast<int32_t>(triangles.size()) != place.count || place.subObject < 0) {
                fits = false;
                break;
            }
            const int32_t* vertexOf = block.CornerVertices(record.FaceList[f].CornerStart);
            int32_t* out = block.triangles[place.subObject].Indices.data() + place.first;
            for (const auto& triangle : triangles) {
                for (int32_t corner : triangle.Corner) *out++ = vertexOf[corner];
            }
        }
        if (fits) return;
    }
    // A full build counts the faces' triangles alongside the vertex keying, whose
    // runs take unequal times: the first also fills its vertices. The corners the
    // keying leaves unnumbered are numbered in the lists' second pass.
    CornerKeyRuns runs;
    const CornerKeyRuns* laterRuns = nullptr;
    const ChunkRunner countAlongKeying = [&](size_t chunks, const std::function<void(size_t)>& count) {
        laterRuns = BuildRenderVertices(record, block, runs, chunks, count);
    };
    BuildIndexLists(record, slots, block, triangleToFace, quality, fanOnly,
                    fullRebuild ? countAlongKeying : ChunkRunner(tasks::RunChunks), laterRuns);
    block.solidCounts.assign(static_cast<size_t>(subObjects), 0);
    block.nonSolidCounts.assign(static_cast<size_t>(subObjects), 0);
    for (int32_t s = 0; s < subObjects; ++s) {
        if (block.triangles[s].Count == 0) {
            block.triangles[s] = {};
            block.edgePoints[s] = {};
            continue;
        }
        block.solidCounts[s] = block.triangles[s].Count / 3;
        if (quality & kNonSolid) {
            const int32_t count = block.edgePoints[s].Count;
            block.nonSolidCounts[s] = (quality & VgxFillPoints) ? count : count / 2;
        }
    }
}

}  // namespace

namespace {

int32_t DevicesHandedOut(const vgx::ObjectState& self) {
    return self.root ? vgx::State(*self.root).nextDeviceId : 0;
}

// Empties every device slot, sized to the device ids handed out so far.
void DropDeviceResources(vgx::ObjectState& self) {
    const auto devices = static_cast<size_t>(DevicesHandedOut(self));
    iVgxObject& level = self.Base();
    level.D3DVertexBuffer.assign(devices, nullptr);
    for (iVgxMaterial& slot : level.MaterialList) {
        slot.D3DXMeshesNew.assign(devices, nullptr);
        for (auto* buffers : {&slot.D3DObjectTriangleIndexBuffers, &slot.D3DObjectEdgePointIndexBuffers,
                              &slot.D3DVisualTriangleIndexBuffers, &slot.D3DVisualEdgePointIndexBuffers}) {
            buffers->assign(devices, nullptr);
        }
    }
}

void BuildRenderData(VgxObject& object) {
    vgx::ObjectState& self = vgx::State(object);
    if (self.changes.RenderCurrent()) return;
    iVgxObject& level = self.Base();
    if (level.FaceListCount == 0) {
        level.MaterialList.clear();
        level.MaterialListCount = 0;
        // The index width stays fixed for the object's life.
        const IndexWidth width = self.render.indexWidth;
        self.render = RenderData{};
        self.render.indexWidth = width;
        self.visual = nullptr;
        self.changes.RenderBuilt();
        return;
    }
    if (level.UVListCount == 0) {
        object.AddOptimizedUV({0, 0});
        modFile::WriteLogLine("Recovered from missing UV for object: " + self.name);
    }
    if (level.NormalListCount == 0) {
        object.AddOptimizedNormal({0, 0, 0});
        modFile::WriteLogLine("Recovered from missing Normal for object: " + self.name);
    }
    bool partial = self.changes.RenderPositionsOnly();
    if (partial && !self.changes.EdgesCurrent()) {
        // Rebuilt faces have lost their render vertex lists: build everything.
        RebuildFaces(object, level, 1);
        modFile::WriteLogLine("Adjacency information not correct for partial vertex buffer rebuild");
        partial = false;
        self.changes.RenderStartsOver();
    }
    EnsureAdjacency(object);
    std::vector<int32_t> visualChanged;
    const bool visualMovedOnly = BuildVisualLevels(object, visualChanged);
    if (partial) {
        // Only positions moved, so the faces' materials and the slots made of them
        // stand; a shared material may have been renumbered by another object's
        // build since, so each is told its slot again.
        for (int32_t s = 0; s < level.MaterialListCount; ++s) {
            if (const auto& material = level.MaterialList[s].Material) VgxAccess::SetMaterialIndex(*material, s);
        }
    } else {
        RebuildSubObjects(level);
    }
    DropDeviceResources(self);
    std::vector<int32_t>& facesToRedo = self.render.facesToRedo;
    BlockArray<VgxVector>& drawn = self.render.drawnPoints;
    if (!partial) {
        facesToRedo.clear();
        GrowForOverwrite(drawn, static_cast<size_t>(level.PointListCount));
        tasks::ParallelFor(static_cast<size_t>(level.PointListCount), kPointsPerChunk, [&](size_t begin, size_t end) {
            for (size_t p = begin; p < end; ++p) drawn[p] = level.PointList[p].Point;
        });
    } else {
        // A fan joins a face's corners whatever their positions, so fanned faces keep
        // their triangles.
        const bool splitFaces = level.PointListCount <= kFanAbovePoints;
        for (const int32_t p : self.changes.MovedPointCandidates(level.PointListCount)) {
            const VgxPoint& point = level.PointList[p];
            VgxVector& drawnAt = At(drawn, p);
            if (modVector::VectorsEqual(point.Point, drawnAt)) continue;
            if (splitFaces) level.Adjacency.ForEach(point.FaceList, [&](int32_t f) { facesToRedo.push_back(f); });
            self.render.object.pointVertices.ForEach(p, [&](int32_t v) {
                RenderVertex& vertex = At(self.render.object.vertices, v);
                vertex.Position[0] = point.Point.X;
                vertex.Position[1] = point.Point.Y;
                vertex.Position[2] = point.Point.Z;
            });
            drawnAt = point.Point;
        }
    }
    const VgxAttributes& a = self.attributes;
    const bool visual = a.SmoothingLevel != 0 || a.MirrorAxis != VgxAxisNone;
    if (visual && visualMovedOnly && partial) {
        RefreshVertexPositions(*self.visual, visualChanged, self.render.visual);
    } else if (visual) {
        BuildLevelRenderLists(*self.visual, level, self.render.visual, nullptr, self.quality, true, true);
    } else {
        // Nothing is shown through the visual block now: its counts go with it, so
        // they always describe what the vertex buffer holds.
        self.render.visual = RenderBlock{};
    }
    const bool fanOnly = level.PointListCount > kFanAbovePoints;
    const int32_t quality = a.SmoothingLevel != 0 ? int32_t{VgxFillWireframe} : self.quality;
    // A face met through several of its moved points is redone once.
    std::sort(facesToRedo.begin(), facesToRedo.end());
    facesToRedo.erase(std::unique(facesToRedo.begin(), facesToRedo.end()), facesToRedo.end());
    BuildLevelRenderLists(level, level, self.render.object, &self.render.triangleToFace, quality, !partial, fanOnly,
                          facesToRedo);
    facesToRedo.clear();
    self.changes.RenderBuilt();
}

// Builds; a failure is answered once by rebuilding the faces and trying again.
void BuildWithRecovery(VgxObject& object) {
    // Bad attributes are the host's to fix: rebuilding the faces would not help.
    ValidateSmoothingAttributes(object);
    try {
        BuildRenderData(object);
    } catch (const VgxError&) {
        RebuildFaces(object, vgx::State(object).Base(), 1);
        vgx::State(object).changes.StructureChanged(vgx::Changed::kPoolValues);
        BuildRenderData(object);
    }
}

// Device ids are those the object's root handed out; 9 for any other.
void EnsureDeviceSlots(vgx::ObjectState& self, int32_t deviceId) {
    CheckIndex(deviceId, static_cast<size_t>(DevicesHandedOut(self)));
    iVgxObject& level = self.Base();
    const auto needed = static_cast<size_t>(deviceId) + 1;
    bool grown = level.D3DVertexBuffer.size() < needed;
    if (grown) level.D3DVertexBuffer.resize(needed);
    for (iVgxMaterial& slot : level.MaterialList) {
        for (auto* buffers : {&slot.D3DObjectTriangleIndexBuffers, &slot.D3DObjectEdgePointIndexBuffers,
                              &slot.D3DVisualTriangleIndexBuffers, &slot.D3DVisualEdgePointIndexBuffers}) {
            if (buffers->size() < needed) buffers->resize(needed), grown = true;
        }
        if (slot.D3DXMeshesNew.size() < needed) slot.D3DXMeshesNew.resize(needed), grown = true;
    }
    if (grown) self.changes.StructureChanged(vgx::Changed::kPoolValues);
}

// A list's indices as the device takes them: the list itself at 32 bits, a
// narrowed copy at 16. 16-bit indices are signed, so a vertex beyond 32767
// overflows.
class IndexBytes {
public:
    IndexBytes(const IndexList& list, IndexWidth width) {
        const auto count = static_cast<size_t>(list.Count);
        if (width == IndexWidth::Bits32) {
            data_ = list.Indices.data();
            size_ = count * 4;
            return;
        }
        narrowed_.resize(count);
        for (size_t i = 0; i < count; ++i) {
            if (list.Indices[i] > std::numeric_limits<int16_t>::max()) Raise(VgxErrOverflow);
            narrowed_[i] = static_cast<int16_t>(list.Indices[i]);
        }
        data_ = narrowed_.data();
        size_ = count * 2;
    }
    const void* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    std::vector<int16_t> narrowed_;
    const void* data_ = nullptr;
    size_t size_ = 0;
};

std::shared_ptr<VgxIndexBuffer> MakeIndexBuffer(VgxDevice& device, const IndexBytes& bytes, IndexWidth width,
                                                int32_t usage) {
    auto buffer = device.CreateIndexBuffer(
        bytes.Size(), usage, width == IndexWidth::Bits32 ? VgxFormatIndex32 : VgxFormatIndex16, VgxPoolManaged);
    buffer->Write(0, bytes.Data(), bytes.Size());
    return buffer;
}

std::shared_ptr<VgxIndexBuffer> MakeIndexBuffer(VgxDevice& device, const IndexList& list, IndexWidth width,
                                                int32_t usage) {
    return MakeIndexBuffer(device, IndexBytes(list, width), width, usage);
}

void CreateDeviceBuffers(vgx::ObjectState& self, int32_t deviceId, VgxDevice& device) {
    iVgxObject& level = self.Base();
    RenderData& render = self.render;
    // The first device an object's buffers are made for fixes its index width for good.
    if (render.indexWidth == IndexWidth::Undecided) {
        render.indexWidth = device.GetDeviceCaps().MaxVertexIndex < 65536 ? IndexWidth::Bits16 : IndexWidth::Bits32;
    }
    const int32_t usage =
        VgxUsageWriteOnly | (device.GetRenderState(VgxRenderStateSoftwareVertexProcessing) ? VgxUsageSoftwareProcessing : 0);
    const size_t objectBytes = render.object.vertices.size() * sizeof(RenderVertex);
    const bool visualBlock = self.attributes.SmoothingLevel != 0 || self.attributes.MirrorAxis != VgxAxisNone;
    const size_t visualBytes = visualBlock ? render.visual.vertices.size() * sizeof(RenderVertex) : 0;
    // Everything is made before anything is stored, so a failure leaves no
    // half-made set behind.
    std::shared_ptr<VgxVertexBuffer> vertexBuffer;
    if (objectBytes > 0) {
        vertexBuffer =
            device.CreateVertexBuffer(objectBytes + visualBytes, usage, VgxVertexFormat44, VgxPoolManaged);
        vertexBuffer->Write(0, render.object.vertices.data(), objectBytes);
        if (visualBytes > 0) vertexBuffer->Write(objectBytes, render.visual.vertices.data(), visualBytes);
    }
    const bool nonSolid = (self.quality & kNonSolid) != 0 || self.attributes.SmoothingLevel != 0;
    struct SlotBuffers {
        std::shared_ptr<VgxIndexBuffer> triangles, edgePoints, visualTriangles, visualEdgePoints;
        std::shared_ptr<VgxDeviceMesh> mesh;
    };
    std::vector<SlotBuffers> slots(static_cast<size_t>(level.MaterialListCount));
    for (int32_t s = 0; s < level.MaterialListCount; ++s) {
        SlotBuffers& out = slots[s];
        const IndexList& triangles = render.object.triangles[s];
        if (triangles.Count > 0) {
            const IndexBytes bytes(triangles, render.indexWidth);
            out.triangles = MakeIndexBuffer(device, bytes, render.indexWidth, usage);
            const int32_t options = VgxMeshManaged | (render.indexWidth == IndexWidth::Bits32 ? VgxMeshIndex32 : 0);
            const int32_t faces = render.object.solidCounts[s], vertices = render.object.VertexCount();
            out.mesh = device.CreateMeshOver(faces, vertices, options, VgxVertexFormat44, vertexBuffer, out.triangles);
            if (!out.mesh) {
                out.mesh = device.CreateMesh(faces, vertices, options, VgxVertexFormat44);
                out.mesh->GetVertexBuffer()->Write(0, render.object.vertices.data(), objectBytes);
                out.mesh->GetIndexBuffer()->Write(0, bytes.Data(), bytes.Size());
            }
        }
        if (nonSolid && render.object.edgePoints[s].Count > 0) {
            out.edgePoints = MakeIndexBuffer(device, render.object.edgePoints[s], render.indexWidth, usage);
        }
        if (visualBlock && s < static_cast<int32_t>(render.visual.triangles.size())) {
            if (render.visual.triangles[s].Count > 0) {
                out.visualTriangles = MakeIndexBuffer(device, render.visual.triangles[s], render.indexWidth, usage);
            }
            if (nonSolid && render.visual.edgePoints[s].Count > 0) {
                out.visualEdgePoints = MakeIndexBuffer(device, render.visual.edgePoints[s], render.indexWidth, usage);
            }
        }
    }
    level.D3DVertexBuffer[deviceId] = vertexBuffer;
    for (int32_t s = 0; s < level.MaterialListCount; ++s) {
        iVgxMaterial& slot = level.MaterialList[s];
        slot.D3DObjectTriangleIndexBuffers[deviceId] = slots[s].triangles;
        slot.D3DObjectEdgePointIndexBuffers[deviceId] = slots[s].edgePoints;
        slot.D3DVisualTriangleIndexBuffers[deviceId] = slots[s].visualTriangles;
        slot.D3DVisualEdgePointIndexBuffers[deviceId] = slots[s].visualEdgePoints;
        slot.D3DXMeshesNew[deviceId] = slots[s].mesh;
    }
}

VgxDevice& RequireDevice(const std::shared_ptr<VgxDevice>& device) {
    if (!device) Raise(VgxErrObjectNotSet);
    return *device;
}

// Visual arrays are sized by the build; before that a getter gets nothing.
std::shared_ptr<VgxIndexBuffer> VisualSlot(const std::vector<std::shared_ptr<VgxIndexBuffer>>& buffers, int32_t deviceId) {
    if (buffers.empty()) return nullptr;
    return At(buffers, deviceId);
}

}  // namespace
}  // namespace vgx

int32_t VgxObject::GetSubObjectCount() {
    return vgx::Trap(vgx::kSource, [&] {
        vgx::BuildWithRecovery(*this);
        return internals_->Base().MaterialListCount;
    });
}

std::shared_ptr<VgxVertexBuffer> VgxObject::GetVertexBuffer(int32_t DeviceID,
                                                            const std::shared_ptr<VgxDevice>& ddDevice) {
    return vgx::Trap(vgx::kSource, [&] {
        VgxDevice& device = vgx::RequireDevice(ddDevice);
        vgx::ObjectState& self = *internals_;
        vgx::EnsureDeviceSlots(self, DeviceID);
        vgx::BuildWithRecovery(*this);
        auto& slot = self.Base().D3DVertexBuffer[DeviceID];
        if (!slot) vgx::CreateDeviceBuffers(self, DeviceID, device);
        return slot;
    });
}

std::shared_ptr<VgxIndexBuffer> VgxObject::GetSubObjectSolidIndexBuffer(int32_t DeviceID, int32_t SubObject) const {
    return vgx::Trap(vgx::kSource, [&] {
        return vgx::At(vgx::At(internals_->Base().MaterialList, SubObject).D3DObjectTriangleIndexBuffers, DeviceID);
    });
}

std::shared_ptr<VgxIndexBuffer> VgxObject::GetSubObjectNonSolidIndexBuffer(int32_t DeviceID, int32_t SubObject) const {
    return vgx::Trap(vgx::kSource, [&] {
        return vgx::At(vgx::At(internals_->Base().MaterialList, SubObject).D3DObjectEdgePointIndexBuffers, DeviceID);
    });
}

std::shared_ptr<VgxIndexBuffer> VgxObject::GetSubVisualSolidIndexBuffer(int32_t DeviceID, int32_t SubObject) const {
    return vgx::Trap(vgx::kSource, [&] {
        return vgx::VisualSlot(vgx::At(internals_->Base().MaterialList, SubObject).D3DVisualTriangleIndexBuffers,
                               DeviceID);
    });
}

std::shared_ptr<VgxIndexBuffer> VgxObject::GetSubVisualNonSolidIndexBuffer(int32_t DeviceID, int32_t SubObject) const {
    return vgx::Trap(vgx::kSource, [&] {
        return vgx::VisualSlot(vgx::At(internals_->Base().MaterialList, SubObject).D3DVisualEdgePointIndexBuffers,
                               DeviceID);
    });
}

std::shared_ptr<VgxDeviceMesh> VgxObject::GetSubObjectD3DXMesh(int32_t DeviceID, int32_t SubObject,
                                                               const std::shared_ptr<VgxDevice>& ddDevice) {
    return vgx::Trap(vgx::kSource, [&]() -> std::shared_ptr<VgxDeviceMesh> {
        VgxDevice& device = vgx::RequireDevice(ddDevice);
        vgx::ObjectState& self = *internals_;
        vgx::EnsureDeviceSlots(self, DeviceID);
        vgx::BuildRenderData(*this);
        if (vgx::At(self.render.object.solidCounts, SubObject) == 0) return nullptr;
        auto& mesh = self.Base().MaterialList[SubObject].D3DXMeshesNew[DeviceID];
        if (!mesh) vgx::CreateDeviceBuffers(self, DeviceID, device);
        return mesh;
    });
}

std::shared_ptr<VgxMaterial> VgxObject::GetSubObjectMaterial(int32_t SubObject) const {
    return vgx::Trap(vgx::kSource, [&] { return vgx::At(internals_->Base().MaterialList, SubObject).Material; });
}

int32_t VgxObject::GetVertexBufferObjectVertexCount() {
    return vgx::Trap(vgx::kSource, [&] {
        vgx::BuildRenderData(*this);
        return internals_->render.object.VertexCount();
    });
}

int32_t VgxObject::GetVertexBufferVisualVertexCount() {
    return vgx::Trap(vgx::kSource, [&] {
        vgx::BuildRenderData(*this);
        return internals_->render.visual.VertexCount();
    });
}

int32_t VgxObject::GetSubObjectSolidPrimitiveCount(int32_t SubObject) {
    return vgx::Trap(vgx::kSource, [&] {
        vgx::BuildRenderData(*this);
        return vgx::At(internals_->render.object.solidCounts, SubObject);
    });
}

int32_t VgxObject::GetSubObjectNonSolidPrimitiveCount(int32_t SubObject) {
    return vgx::Trap(vgx::kSource, [&] {
        vgx::BuildRenderData(*this);
        return vgx::At(internals_->render.object.nonSolidCounts, SubObject);
    });
}

namespace {
// A visual block that was never built has no counts: 0 for every sub-object.
int32_t VisualCount(const std::vector<int32_t>& counts, int32_t subObject) {
    return counts.empty() ? 0 : vgx::At(counts, subObject);
}
}  // namespace

int32_t VgxObject::GetSubVisualSolidPrimitiveCount(int32_t SubObject) const {
    return vgx::Trap(vgx::kSource, [&] { return VisualCount(internals_->render.visual.solidCounts, SubObject); });
}

int32_t VgxObject::GetSubVisualNonSolidPrimitiveCount(int32_t SubObject) const {
    return vgx::Trap(vgx::kSource, [&] { return VisualCount(internals_->render.visual.nonSolidCounts, SubObject); });
}
