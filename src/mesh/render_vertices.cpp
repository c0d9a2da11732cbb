// Render vertex keying. The faces are cut into a few runs, one per thread; each run
// keys its corners among the keys its own corners met before, in face order. A
// key a run meets for the first time may have been met by an earlier run: it then
// takes that run's vertex, and every key new to all runs before it gets the next
// vertex in run order. A run's new keys come in face order, so the numbering is
// the one a single walk over all faces gives, whatever the number of runs. Every
// key of the first run is new, so its keys are its vertices.
#include "mesh/render_vertices.h"

#include <vgx/VgxMaterial.h>

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "root/errors.h"
#include "root/task_pool.h"

namespace vgx {
namespace {

constexpr size_t kMinFacesPerRun = 16384;
constexpr size_t kPointsPerChunk = 16384;

// A point as one run sees it: its first key in the run (index + 1, 0 for none),
// and its corners in the run, which become where the run's next corner of the
// point goes in the point's vertex list.
struct RunPoint {
    int32_t head;
    int32_t corners;
};

struct Run {
    size_t firstFace = 0, endFace = 0;
    std::vector<RunPoint> points;  // grows only: a mesh rebuilt often reuses the pages
    std::vector<FacePoint> keys;   // in order of first use; NextFacePoint chains a point's keys
    // Per key of a later run: the run that met it first, and there its index
    // (until vertices are numbered) or its vertex.
    std::vector<int32_t> owner, vertex;
};

// A slice of a later run's keys, looked up and numbered apart from the rest of
// the run so that every thread shares every run's work.
struct KeySlice {
    size_t run = 0, begin = 0, end = 0;
    int32_t newKeys = 0, firstVertex = 0;
};

int32_t FaceColor(const iVgxObject& record, size_t face) {
    const std::shared_ptr<VgxMaterial>& material = record.FaceMaterial(static_cast<int32_t>(face));
    return material ? material->GetColor() : 0;
}

void CheckCorner(const iVgxObject& record, const iVgxFacePoint& corner) {
    CheckIndex(corner.Point, static_cast<size_t>(record.PointListCount));
    CheckIndex(corner.Normal, record.NormalList.size());
    CheckIndex(corner.UV, record.UVList.size());
}

bool SameKey(const FacePoint& a, const FacePoint& b) {
    return a.Normal == b.Normal && a.UV == b.UV && a.Color == b.Color;
}

// The key's index among the keys chained from `head`, or -1.
int32_t FindKey(const FacePoint& key, const std::vector<FacePoint>& keys, int32_t head) {
    for (int32_t link = head; link != 0; link = keys[link - 1].NextFacePoint) {
        if (SameKey(keys[link - 1], key)) return link - 1;
    }
    return -1;
}

// The key's index in the run, appended to its point's chain when new.
int32_t FindOrAddKey(const FacePoint& key, Run& run) {
    int32_t& head = run.points[key.Point].head;
    int32_t last = 0;
    for (int32_t link = head; link != 0; link = run.keys[link - 1].NextFacePoint) {
        if (SameKey(run.keys[link - 1], key)) return link - 1;
        last = link;
    }
    run.keys.push_back(key);
    run.keys.back().NextFacePoint = 0;
    const auto index = static_cast<int32_t>(run.keys.size());
    (last == 0 ? head : run.keys[last - 1].NextFacePoint) = index;
    return index - 1;
}

void FillVertex(const iVgxObject& record, const FacePoint& key, RenderBlock& block, size_t vertex) {
    const VgxVector& p = record.PointList[key.Point].Point;
    const VgxVector& normal = record.NormalList[key.Normal].Vector;
    const VgxUV& uv = record.UVList[key.UV].Coordinate;
    block.vertexNormal[vertex] = key.Normal;
    block.vertices[vertex] = {{p.X, p.Y, p.Z}, {normal.X, normal.Y, normal.Z}, key.Color, {uv.U, uv.V}, {uv.U, uv.V}};
}

// Each corner's index among its run's keys, and each point's corners in the run.
// The first run's keys are vertices: `fill` then gets each as soon as it is
// met, while its point is still in cache.
void KeyRun(iVgxObject& record, Run& run, RenderBlock* fill) {
    const auto points = static_cast<size_t>(record.PointListCount);
    if (run.points.size() < points) run.points.resize(points);
    std::fill_n(run.points.begin(), points, RunPoint{0, 0});
    run.keys.clear();
    for (size_t f = run.firstFace; f < run.endFace; ++f) {
        const int32_t color = FaceColor(record, f);
        iVgxFacePoint* corner = record.FaceCorners(static_cast<int32_t>(f));
        for (int32_t k = 0; k < record.FaceList[f].PointCount; ++k) {
            CheckCorner(record, corner[k]);
            const FacePoint key{corner[k].Point, corner[k].Normal, corner[k].UV, color, 0};
            const int32_t index = FindOrAddKey(key, run);
            if (fill && static_cast<size_t>(index) == fill->vertices.size()) {
                fill->vertices.emplace_back();
                fill->vertexNormal.emplace_back();
                FillVertex(record, key, *fill, static_cast<size_t>(index));
            }
            corner[k].D3DVertex = index;
            ++run.points[key.Point].corners;
        }
    }
}

// For each key of the slice, the earliest run that met it, if an earlier one did.
// A key of the first run has its vertex already.
void FindEarlierKeys(std::span<Run> runs, KeySlice& slice) {
    Run& run = runs[slice.run];
    const auto self = static_cast<int32_t>(slice.run);
    slice.newKeys = 0;
    for (size_t i = slice.begin; i < slice.end; ++i) {
        const FacePoint& key = run.keys[i];
        int32_t owner = self, at = static_cast<int32_t>(i);
        for (int32_t earlier = 0; earlier < self && owner == self; ++earlier) {
            const Run& other = runs[earlier];
            const int32_t found = FindKey(key, other.keys, other.points[key.Point].head);
            if (found >= 0) owner = earlier, at = found;
        }
        run.owner[i] = owner;
        run.vertex[i] = at;
        if (owner == self) ++slice.newKeys;
    }
}

// The slice's new keys get their vertices.
void NumberNewKeys(const iVgxObject& record, Run& run, const KeySlice& slice, RenderBlock& block) {
    const auto self = static_cast<int32_t>(slice.run);
    int32_t next = slice.firstVertex;
    for (size_t i = slice.begin; i < slice.end; ++i) {
        if (run.owner[i] != self) continue;
        FillVertex(record, run.keys[i], block, static_cast<size_t>(next));
        run.vertex[i] = next++;
    }
}

// The keys of the runs after the first: which of them an earlier run met, and
// vertices after the first run's for the others, in run and key order.
void NumberLaterRuns(const iVgxObject& record, std::span<Run> runs, RenderBlock& block) {
    constexpr size_t kKeysPerSlice = 16384;
    std::vector<KeySlice> slices;
    for (size_t r = 1; r < runs.size(); ++r) {
        Run& run = runs[r];
        run.owner.resize(run.keys.size());
        run.vertex.resize(run.keys.size());
        for (size_t begin = 0; begin < run.keys.size(); begin += kKeysPerSlice) {
            slices.push_back({r, begin, std::min(begin + kKeysPerSlice, run.keys.size())});
        }
    }
    const auto eachSlice = [&](auto&& body) {
        tasks::ParallelFor(slices.size(), 1, [&](size_t k, size_t) { body(slices[k]); });
    };
    eachSlice([&](KeySlice& slice) { FindEarlierKeys(runs, slice); });
    auto vertices = static_cast<int32_t>(block.vertices.size());
    for (KeySlice& slice : slices) {
        slice.firstVertex = vertices;
        vertices += slice.newKeys;
    }
    GrowForOverwrite(block.vertices, static_cast<size_t>(vertices));
    GrowForOverwrite(block.vertexNormal, static_cast<size_t>(vertices));
    eachSlice([&](const KeySlice& slice) { NumberNewKeys(record, runs[slice.run], slice, block); });
}

// Where each point's vertex list starts, and where each run's corners of the point
// go in it, run after run.
void PlacePointLists(std::span<Run> runs, size_t points, PointVertexLists& lists) {
    const size_t chunks = (points + kPointsPerChunk - 1) / kPointsPerChunk;
    std::vector<int64_t> chunkFirst(chunks + 1, 0);
    tasks::ParallelFor(points, kPointsPerChunk, [&](size_t begin, size_t end) {
        int64_t sum = 0;
        for (size_t p = begin; p < end; ++p) {
            for (const Run& run : runs) sum += run.points[p].corners;
        }
        chunkFirst[begin / kPointsPerChunk + 1] = sum;
    });
    for (size_t k = 0; k < chunks; ++k) chunkFirst[k + 1] += chunkFirst[k];
    std::vector<int32_t>& first = lists.first;
    first.resize(points + 1);
    tasks::ParallelFor(points, kPointsPerChunk, [&](size_t begin, size_t end) {
        auto at = static_cast<int32_t>(chunkFirst[begin / kPointsPerChunk]);
        for (size_t p = begin; p < end; ++p) {
            first[p] = at;
            for (Run& run : runs) at += std::exchange(run.points[p].corners, at);
        }
    });
    first[points] = static_cast<int32_t>(chunkFirst[chunks]);
    lists.vertices.resize(static_cast<size_t>(first[points]));
}

// Keys met first by a later run than the first but an earlier one than this take
// its vertex; then each corner of the run gets its vertex (the first run's keys
// already are), which also goes into its point's list.
void WriteRunVertices(std::span<Run> runs, size_t r, iVgxObject& record, int32_t* bucket) {
    Run& run = runs[r];
    const bool renumber = r > 0;
    if (renumber) {
        for (size_t i = 0; i < run.keys.size(); ++i) {
            const int32_t owner = run.owner[i];
            if (owner != 0 && owner != static_cast<int32_t>(r)) run.vertex[i] = runs[owner].vertex[run.vertex[i]];
        }
    }
    for (size_t f = run.firstFace; f < run.endFace; ++f) {
        iVgxFacePoint* corner = record.FaceCorners(static_cast<int32_t>(f));
        for (int32_t k = 0; k < record.FaceList[f].PointCount; ++k) {
            if (renumber) corner[k].D3DVertex = run.vertex[corner[k].D3DVertex];
            bucket[run.points[corner[k].Point].corners++] = corner[k].D3DVertex;
        }
    }
}

// Keys every corner and lays out each point's vertex list.
void KeyCorners(iVgxObject& record, RenderBlock& block, PointVertexLists& lists) {
    // Kept by each building thread: a large mesh rebuilt again and again would
    // otherwise pay for fresh pages every time.
    thread_local std::vector<Run> kept;
    const auto faces = static_cast<size_t>(record.FaceListCount);
    const size_t runCount = tasks::RunCount(faces, kMinFacesPerRun);
    if (kept.size() < runCount) kept.resize(runCount);
    const std::span<Run> runs(kept.data(), runCount);
    for (size_t r = 0; r < runCount; ++r) {
        runs[r].firstFace = faces * r / runCount;
        runs[r].endFace = faces * (r + 1) / runCount;
    }
    const auto eachRun = [&](auto&& body) { tasks::ParallelFor(runCount, 1, [&](size_t r, size_t) { body(r); }); };
    block.vertices.clear();
    block.vertexNormal.clear();
    eachRun([&](size_t r) { KeyRun(record, runs[r], r == 0 ? &block : nullptr); });
    if (runCount > 1) NumberLaterRuns(record, runs, block);
    PlacePointLists(runs, static_cast<size_t>(record.PointListCount), lists);
    eachRun([&](size_t r) { WriteRunVertices(runs, r, record, lists.vertices.data()); });
}

}  // namespace

void BuildRenderVertices(iVgxObject& record, RenderBlock& block) {
    try {
        KeyCorners(record, block, record.PointVertices);
    } catch (...) {
        record.PointVertices.Clear();
        throw;
    }
}

}  // namespace vgx
