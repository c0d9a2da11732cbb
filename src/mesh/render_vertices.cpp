// Render vertex keying. The faces are cut into a few runs, one per thread; each run
// keys its corners among the keys its own corners met before, in face order. A
// key a run meets for the first time may have been met by an earlier run: it then
// takes that run's vertex, and every key new to all runs before it gets the next
// vertex in run order. A run's new keys come in face order, so the numbering is
// the one a single walk over all faces gives, whatever the number of runs. Every
// key of the first run is new, so its keys are its vertices.
// A point's vertex list is its keys, run after run, less those an earlier run met:
// its vertices in ascending order, each once.
#include "mesh/render_vertices.h"

#include <vgx/VgxMaterial.h>

#include <algorithm>
#include <atomic>
#include <span>
#include <vector>

#include "root/errors.h"
#include "root/task_pool.h"

namespace vgx {
namespace {

constexpr size_t kMinFacesPerRun = 16384;
constexpr size_t kPointsPerChunk = 16384;
constexpr size_t kFacesPerChunk = 16384;

// A point as one run sees it: its first key in the run (index + 1, 0 for none),
// and its keys in the run, less those an earlier run met once that is known.
struct RunPoint {
    int32_t head;
    int32_t newKeys;
};

// A key of a later run: the run that met it first and its index there, which for
// a key new to its own run becomes its vertex once the runs' new keys are numbered.
struct KeyOwner {
    int32_t run, vertex;
};

struct Run {
    size_t firstFace = 0, endFace = 0;
    std::vector<RunPoint> points;  // grows only: a mesh rebuilt often reuses the pages
    std::vector<FacePoint> keys;   // in order of first use; NextFacePoint chains a point's keys
    std::vector<KeyOwner> owners;  // per key, in the runs after the first
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
    ++run.points[key.Point].newKeys;
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

// Each corner's index among its run's keys. The first run's keys are vertices:
// `fill` then gets each as soon as it is met, while its point is still in cache.
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
        }
    }
}

// For each key of the slice, the earliest run that met it, if an earlier one did:
// the key is then not new to its point. A key of the first run has its vertex already.
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
        run.owners[i] = {owner, at};
        if (owner == self) {
            ++slice.newKeys;
        } else {
            // Slices of one run may share a point.
            std::atomic_ref<int32_t>(run.points[key.Point].newKeys).fetch_sub(1, std::memory_order_relaxed);
        }
    }
}

// The slice's new keys get their vertices.
void NumberNewKeys(const iVgxObject& record, Run& run, const KeySlice& slice, RenderBlock& block) {
    const auto self = static_cast<int32_t>(slice.run);
    int32_t next = slice.firstVertex;
    for (size_t i = slice.begin; i < slice.end; ++i) {
        if (run.owners[i].run != self) continue;
        FillVertex(record, run.keys[i], block, static_cast<size_t>(next));
        run.owners[i].vertex = next++;
    }
}

// The keys of the runs after the first: which of them an earlier run met, and
// vertices after the first run's for the others, in run and key order.
void NumberLaterRuns(const iVgxObject& record, std::span<Run> runs, RenderBlock& block) {
    constexpr size_t kKeysPerSlice = 16384;
    std::vector<KeySlice> slices;
    for (size_t r = 1; r < runs.size(); ++r) {
        Run& run = runs[r];
        run.owners.resize(run.keys.size());
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

// The vertex of key `i` of run `r`, once every run's new keys have theirs.
int32_t KeyVertex(std::span<const Run> runs, size_t r, int32_t i) {
    if (r == 0) return i;
    const KeyOwner& owner = runs[r].owners[static_cast<size_t>(i)];
    const bool numbered = owner.run == 0 || static_cast<size_t>(owner.run) == r;
    return numbered ? owner.vertex
                    : runs[static_cast<size_t>(owner.run)].owners[static_cast<size_t>(owner.vertex)].vertex;
}

// The corners of the runs after the first take their key's vertex.
void RenumberLaterCorners(std::span<const Run> runs, iVgxObject& record) {
    tasks::ForEachItemOfLaterRuns(
        runs.size(), kFacesPerChunk, [&](size_t r) { return runs[r].endFace; },
        [&](size_t r, size_t f) {
            iVgxFacePoint* corner = record.FaceCorners(static_cast<int32_t>(f));
            for (int32_t k = 0; k < record.FaceList[f].PointCount; ++k) {
                corner[k].D3DVertex = KeyVertex(runs, r, corner[k].D3DVertex);
            }
        });
}

// Each point's vertex list: its new keys in each run, run after run.
void ListPointVertices(std::span<const Run> runs, size_t points, PointVertexLists& lists) {
    const size_t chunks = (points + kPointsPerChunk - 1) / kPointsPerChunk;
    std::vector<int64_t> chunkFirst(chunks + 1, 0);
    tasks::ParallelFor(points, kPointsPerChunk, [&](size_t begin, size_t end) {
        int64_t sum = 0;
        for (size_t p = begin; p < end; ++p) {
            for (const Run& run : runs) sum += run.points[p].newKeys;
        }
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
            for (size_t r = 0; r < runs.size(); ++r) {
                const Run& run = runs[r];
                for (int32_t link = run.points[p].head; link != 0; link = run.keys[link - 1].NextFacePoint) {
                    const int32_t i = link - 1;
                    if (r == 0) {
                        listed[at++] = i;
                    } else if (static_cast<size_t>(run.owners[i].run) == r) {
                        listed[at++] = run.owners[i].vertex;
                    }
                }
            }
        }
    });
}

// Keys every corner and lays out each point's vertex list.
void KeyCorners(iVgxObject& record, RenderBlock& block, PointVertexLists& lists, size_t alongsideChunks,
                const std::function<void(size_t)>& alongside) {
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
    block.vertices.clear();
    block.vertexNormal.clear();
    if (runCount == 1) {
        KeyRun(record, runs[0], &block);
        tasks::RunChunks(alongsideChunks, alongside);
    } else {
        // The first run fills its vertices too: threads done with the other runs
        // go on with the work alongside.
        tasks::RunChunks(runCount + alongsideChunks, [&](size_t k) {
            if (k < runCount) {
                KeyRun(record, runs[k], k == 0 ? &block : nullptr);
            } else {
                alongside(k - runCount);
            }
        });
        NumberLaterRuns(record, runs, block);
        RenumberLaterCorners(runs, record);
    }
    ListPointVertices(runs, static_cast<size_t>(record.PointListCount), lists);
}

}  // namespace

void BuildRenderVertices(iVgxObject& record, RenderBlock& block, size_t alongsideChunks,
                         const std::function<void(size_t)>& alongside) {
    try {
        KeyCorners(record, block, record.PointVertices, alongsideChunks, alongside);
    } catch (...) {
        record.PointVertices.Clear();
        throw;
    }
}

}  // namespace vgx
