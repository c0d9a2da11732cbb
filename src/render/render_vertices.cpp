// Render vertex keying, the deduplication that turns corners into an indexed
// vertex buffer (a vertex remap): a corner's key is its point, normal, UV and its
// face's colour, and each distinct key one render vertex, numbered in order of first
// use over the faces. The faces are keyed in runs on the worker threads; the first run
// fills its vertices as it meets them, the later runs' once they are numbered.
// A point's vertex list is its keys' vertices, in ascending order, each once.
#include "render/render_vertices.h"

#include <vgx/VgxMaterial.h>

#include <vector>

#include "base/errors.h"
#include "base/task_pool.h"

namespace vgx {
namespace {

constexpr size_t kPointsPerChunk = tasks::kGrain;

int32_t FaceColor(const iVgxObject& record, size_t face) {
    const std::shared_ptr<VgxMaterial>& material = record.FaceMaterial(static_cast<int32_t>(face));
    return material ? material->GetColor() : 0;
}

// Raises 9 for a corner the build cannot key. Its point indexes the key runs, sized
// by the point count; its normal and UV are only read, so their arrays bound them
// (a level's spare entries past its counts are readable values).
void CheckCorner(const iVgxObject& record, const iVgxFacePoint& corner) {
    CheckIndex(corner.Point, static_cast<size_t>(record.PointListCount));
    CheckIndex(corner.Normal, record.NormalList.size());
    CheckIndex(corner.UV, record.UVList.size());
}

void FillVertex(const iVgxObject& record, const FacePoint& key, RenderBlock& block, size_t vertex) {
    const VgxVector& p = record.PointList[key.Point].Point;
    const VgxVector& normal = record.NormalList[key.Normal].Vector;
    const VgxUV& uv = record.UVList[key.UV].Coordinate;
    block.vertexNormal[vertex] = key.Normal;
    block.vertices[vertex] = {{p.X, p.Y, p.Z}, {normal.X, normal.Y, normal.Z}, key.Color, {uv.U, uv.V}, {uv.U, uv.V}};
}

// Each corner's index among its run's keys. The first run's keys are vertices:
// `fill` then gets each as soon as it is met, while its point is still in cache.
void KeyRun(const iVgxObject& record, CornerKeyRuns& runs, size_t r, RenderBlock& block, bool fill) {
    for (size_t f = runs.FirstFace(r); f < runs.EndFace(r); ++f) {
        const int32_t color = FaceColor(record, f);
        const iVgxFacePoint* corner = record.FaceCorners(static_cast<int32_t>(f));
        int32_t* vertexOf = block.CornerVertices(record.FaceList[f].CornerStart);
        for (int32_t k = 0; k < record.FaceList[f].PointCount; ++k) {
            CheckCorner(record, corner[k]);
            const FacePoint key{corner[k].Point, corner[k].Normal, corner[k].UV, color, 0};
            const int32_t index = runs.FindOrAdd(r, key);
            if (fill && static_cast<size_t>(index) == block.vertices.size()) {
                block.vertices.emplace_back();
                block.vertexNormal.emplace_back();
                FillVertex(record, key, block, static_cast<size_t>(index));
            }
            vertexOf[k] = index;
        }
    }
}

// Each point's vertex list: its keys' vertices, in ascending order.
void ListPointVertices(const CornerKeyRuns& runs, size_t points, PointVertexLists& lists) {
    const size_t chunks = (points + kPointsPerChunk - 1) / kPointsPerChunk;
    std::vector<int64_t> chunkFirst(chunks + 1, 0);
    tasks::ParallelFor(points, kPointsPerChunk, [&](size_t begin, size_t end) {
        int64_t sum = 0;
        for (size_t p = begin; p < end; ++p) sum += runs.KeysOf(p);
        chunkFirst[begin / kPointsPerChunk + 1] = sum;
    });
    for (size_t k = 0; k < chunks; ++k) chunkFirst[k + 1] += chunkFirst[k];
    std::vector<int32_t>& first = lists.first;
    first.resize(points + 1);
    first[points] = static_cast<int32_t>(chunkFirst[chunks]);
    GrowForOverwrite(lists.vertices, static_cast<size_t>(first[points]));
    int32_t* const listed = lists.vertices.data();
    tasks::ParallelFor(points, kPointsPerChunk, [&](size_t begin, size_t end) {
        auto at = static_cast<int32_t>(chunkFirst[begin / kPointsPerChunk]);
        for (size_t p = begin; p < end; ++p) {
            first[p] = at;
            runs.ForEachNumberOf(p, [&](int32_t vertex) { listed[at++] = vertex; });
        }
    });
}

// Keys every corner and lays out each point's vertex list.
const CornerKeyRuns* KeyCorners(const iVgxObject& record, RenderBlock& block, CornerKeyRuns& runs,
                                size_t alongsideChunks, const std::function<void(size_t)>& alongside) {
    runs.Start(static_cast<size_t>(record.FaceListCount), static_cast<size_t>(record.PointListCount));
    block.vertices.clear();
    block.vertexNormal.clear();
    GrowForOverwrite(block.cornerVertex, record.Corners.size());
    // The first run fills its vertices too: threads done with the other runs go
    // on with the work alongside.
    runs.WalkRuns([&](size_t r) { KeyRun(record, runs, r, block, r == 0); }, alongsideChunks, alongside);
    if (runs.RunCount() > 1) {
        runs.NumberLaterRuns(
            [&](size_t vertices) {
                GrowForOverwrite(block.vertices, vertices);
                GrowForOverwrite(block.vertexNormal, vertices);
            },
            [&](int32_t vertex, const FacePoint& key) { FillVertex(record, key, block, static_cast<size_t>(vertex)); });
    }
    ListPointVertices(runs, static_cast<size_t>(record.PointListCount), block.pointVertices);
    return runs.RunCount() > 1 ? &runs : nullptr;
}

}  // namespace

void NumberLaterCornersOfFace(const CornerKeyRuns& runs, const iVgxObject& record, RenderBlock& block, size_t face) {
    runs.NumberLaterCornersOf(record, face, [&](size_t c) -> int32_t& { return block.cornerVertex[c]; });
}

const CornerKeyRuns* BuildRenderVertices(const iVgxObject& record, RenderBlock& block, CornerKeyRuns& runs,
                                         size_t alongsideChunks, const std::function<void(size_t)>& alongside) {
    try {
        return KeyCorners(record, block, runs, alongsideChunks, alongside);
    } catch (...) {
        block.pointVertices.Clear();
        throw;
    }
}

}  // namespace vgx
