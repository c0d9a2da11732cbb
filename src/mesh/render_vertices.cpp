// Render vertex keying. One walk over the faces in order looks each corner up among
// the keys of its point. From four threads, the corners are instead sorted by point
// in two stable passes without atomics: into ranges of points, chunk of faces by
// chunk, then within each range by point. Each point's corners thus come in face
// order, so the first use of every key, and with it every vertex number, is what
// the walk gives; the sort costs more work in all, so it only pays on many threads.
#include "mesh/render_vertices.h"

#include <vgx/VgxMaterial.h>

#include <algorithm>
#include <vector>

#include "root/errors.h"
#include "root/task_pool.h"

namespace vgx {
namespace {

constexpr size_t kFacesPerChunk = 16384;
constexpr size_t kCornersPerChunk = 65536;
constexpr size_t kPointsPerChunk = 16384;
// The sort does about twice the walk's work (70 against 34 ms on 1M triangles, one
// thread) and ran 1.6 times faster on two threads than on one: it pays from four.
constexpr int32_t kSortFromThreads = 4;

// A corner with its key; corners of one point share a vertex when normal, UV and
// colour match.
struct KeyedCorner {
    int32_t point, corner, normal, uv, color;
    bool SameKey(const KeyedCorner& other) const {
        return normal == other.normal && uv == other.uv && color == other.color;
    }
};

// Arrays that only grow, kept by each building thread: a large mesh rebuilt again
// and again would otherwise pay for fresh pages every time.
struct Scratch {
    std::vector<int32_t> faceFirst, cursors, rangeFirst, pointStart, firstOf, vertexAt, heads;
    std::vector<KeyedCorner> byRange;
    std::vector<FacePoint> keys;
};

template <class T>
T* Room(std::vector<T>& values, size_t count) {
    if (values.size() < count) values.resize(count);
    return values.data();
}

// Ranges of 2^shift points: at least 4096 points each, at most 256 ranges (a shift,
// since a division per corner would cost more than the sort).
int RangeShift(size_t points) {
    int shift = 12;
    while ((points >> shift) > 255) ++shift;
    return shift;
}

int32_t FaceColor(const iVgxObject& record, size_t face) {
    const std::shared_ptr<VgxMaterial>& material = record.FaceMaterial(static_cast<int32_t>(face));
    return material ? material->GetColor() : 0;
}

void FillVertex(const iVgxObject& record, const iVgxFacePoint& corner, int32_t color, RenderBlock& block,
                size_t vertex) {
    const VgxVector& p = record.PointList[corner.Point].Point;
    const VgxVector& normal = record.NormalList[corner.Normal].Vector;
    const VgxUV& uv = record.UVList[corner.UV].Coordinate;
    block.vertexNormal[vertex] = corner.Normal;
    block.vertices[vertex] = {{p.X, p.Y, p.Z}, {normal.X, normal.Y, normal.Z}, color, {uv.U, uv.V}, {uv.U, uv.V}};
}

void CheckCorner(const iVgxObject& record, const iVgxFacePoint& corner) {
    CheckIndex(corner.Point, static_cast<size_t>(record.PointListCount));
    CheckIndex(corner.Normal, record.NormalList.size());
    CheckIndex(corner.UV, record.UVList.size());
}

// Returns the vertex of a corner's key among its point's chain of keys, appending
// the key (the next vertex) when new.
int32_t FindOrAddRenderVertex(const FacePoint& key, std::vector<FacePoint>& keys, int32_t* pointHeads) {
    int32_t& head = pointHeads[key.Point];
    int32_t last = 0;
    for (int32_t link = head; link != 0; link = keys[link - 1].NextFacePoint) {
        const FacePoint& k = keys[link - 1];
        if (k.Normal == key.Normal && k.UV == key.UV && k.Color == key.Color) return link - 1;
        last = link;
    }
    keys.push_back(key);
    keys.back().NextFacePoint = 0;
    const auto index = static_cast<int32_t>(keys.size());
    (last == 0 ? head : keys[last - 1].NextFacePoint) = index;
    return index - 1;
}

// The walk in face order; `bucket` gets each point's corners' vertices from
// pointStart[point] on.
void KeyInOneWalk(iVgxObject& record, RenderBlock& block, Scratch& s, BlockArray<int32_t>& bucket) {
    const auto points = static_cast<size_t>(record.PointListCount);
    int32_t* heads = Room(s.heads, points);
    int32_t* pointStart = Room(s.pointStart, points + 1);
    std::fill(heads, heads + points, 0);
    std::fill(pointStart, pointStart + points + 1, 0);
    s.keys.clear();
    block.vertices.clear();
    block.vertexNormal.clear();
    for (int32_t f = 0; f < record.FaceListCount; ++f) {
        const int32_t color = FaceColor(record, f);
        iVgxFacePoint* corner = record.FaceCorners(f);
        for (int32_t k = 0; k < record.FaceList[f].PointCount; ++k) {
            CheckCorner(record, corner[k]);
            const int32_t vertex =
                FindOrAddRenderVertex({corner[k].Point, corner[k].Normal, corner[k].UV, color, 0}, s.keys, heads);
            if (static_cast<size_t>(vertex) == block.vertices.size()) {
                block.vertices.emplace_back();
                block.vertexNormal.emplace_back();
                FillVertex(record, corner[k], color, block, static_cast<size_t>(vertex));
            }
            corner[k].D3DVertex = vertex;
            ++pointStart[corner[k].Point + 1];
        }
    }
    for (size_t p = 0; p < points; ++p) pointStart[p + 1] += pointStart[p];
    bucket.resize(static_cast<size_t>(pointStart[points]));
    std::copy(pointStart, pointStart + points, heads);  // now each point's next place
    for (int32_t f = 0; f < record.FaceListCount; ++f) {
        const iVgxFacePoint* corner = record.FaceCorners(f);
        for (int32_t k = 0; k < record.FaceList[f].PointCount; ++k)
            bucket[heads[corner[k].Point]++] = corner[k].D3DVertex;
    }
}

void KeyInParallel(iVgxObject& record, RenderBlock& block, Scratch& s, BlockArray<int32_t>& bucket) {
    const auto faces = static_cast<size_t>(record.FaceListCount);
    const auto points = static_cast<size_t>(record.PointListCount);
    const int rangeShift = RangeShift(points);
    const size_t rangeSize = size_t{1} << rangeShift;
    const size_t ranges = (points + rangeSize - 1) / rangeSize;
    const size_t chunks = (faces + kFacesPerChunk - 1) / kFacesPerChunk;

    int32_t* faceFirst = Room(s.faceFirst, faces);
    const auto corners = static_cast<size_t>(tasks::ExclusiveScan(
        faces, kFacesPerChunk, [&](size_t f) { return record.FaceList[f].PointCount; }, faceFirst));
    // cursors[chunk * stride + range]: the chunk's corners in the range, then where
    // they go. Rows fill whole cache lines, so chunks do not share one.
    const size_t stride = (ranges + 15) / 16 * 16;
    int32_t* cursors = Room(s.cursors, chunks * stride);

    // perFace(face, its corners, corner count, its first corner, the chunk's cursors).
    const auto eachChunkOfFaces = [&](auto&& perFace) {
        tasks::ParallelFor(faces, kFacesPerChunk, [&](size_t begin, size_t end) {
            int32_t* cursor = cursors + begin / kFacesPerChunk * stride;
            for (size_t f = begin; f < end; ++f) {
                perFace(f, record.FaceCorners(static_cast<int32_t>(f)), record.FaceList[f].PointCount,
                        static_cast<size_t>(faceFirst[f]), cursor);
            }
        });
    };
    std::fill(cursors, cursors + chunks * stride, 0);
    // Every index is checked here, before anything is written.
    eachChunkOfFaces([&](size_t, const iVgxFacePoint* corner, int32_t n, size_t, int32_t* cursor) {
        for (int32_t k = 0; k < n; ++k) {
            CheckCorner(record, corner[k]);
            ++cursor[static_cast<size_t>(corner[k].Point) >> rangeShift];
        }
    });
    // Range by range, chunk by chunk within each: where each chunk's corners of a range go.
    int32_t* rangeFirst = Room(s.rangeFirst, ranges + 1);
    int32_t at = 0;
    for (size_t r = 0; r < ranges; ++r) {
        rangeFirst[r] = at;
        for (size_t k = 0; k < chunks; ++k) {
            const int32_t count = cursors[k * stride + r];
            cursors[k * stride + r] = at;
            at += count;
        }
    }
    rangeFirst[ranges] = at;
    KeyedCorner* byRange = Room(s.byRange, corners);
    eachChunkOfFaces([&](size_t f, const iVgxFacePoint* corner, int32_t n, size_t c, int32_t* cursor) {
        const int32_t color = FaceColor(record, f);
        for (int32_t k = 0; k < n; ++k) {
            const int32_t point = corner[k].Point;
            byRange[cursor[static_cast<size_t>(point) >> rangeShift]++] = {point, static_cast<int32_t>(c + k),
                                                                           corner[k].Normal, corner[k].UV, color};
        }
    });

    // Within each range: corners by point, then each corner's first corner with its key.
    bucket.resize(corners);
    int32_t* pointStart = Room(s.pointStart, points + 1);
    int32_t* firstOf = Room(s.firstOf, corners);
    const auto eachRange = [&](auto&& perRange) {
        tasks::ParallelFor(ranges, 1, [&](size_t r, size_t) {
            perRange(r * rangeSize, std::min(points, (r + 1) * rangeSize), static_cast<size_t>(rangeFirst[r]),
                     static_cast<size_t>(rangeFirst[r + 1]));
        });
    };
    eachRange([&](size_t firstPoint, size_t endPoint, size_t begin, size_t end) {
        thread_local std::vector<int32_t> cursor;
        thread_local std::vector<KeyedCorner> sorted, seen;
        cursor.assign(endPoint - firstPoint, 0);
        for (size_t i = begin; i < end; ++i) ++cursor[byRange[i].point - firstPoint];
        auto place = static_cast<int32_t>(begin);
        for (size_t p = firstPoint; p < endPoint; ++p) {
            pointStart[p] = place;
            place += std::exchange(cursor[p - firstPoint], place);
        }
        sorted.resize(end - begin);
        for (size_t i = begin; i < end; ++i) sorted[cursor[byRange[i].point - firstPoint]++ - begin] = byRange[i];
        for (size_t p = firstPoint; p < endPoint; ++p) {
            seen.clear();
            for (auto i = static_cast<size_t>(pointStart[p]); i < static_cast<size_t>(cursor[p - firstPoint]); ++i) {
                const KeyedCorner& corner = sorted[i - begin];
                bucket[i] = corner.corner;
                const auto match = std::find_if(seen.begin(), seen.end(),
                                                [&](const KeyedCorner& first) { return first.SameKey(corner); });
                firstOf[corner.corner] = match == seen.end() ? corner.corner : match->corner;
                if (match == seen.end()) seen.push_back(corner);
            }
        }
    });
    pointStart[points] = static_cast<int32_t>(corners);

    // Vertices are numbered by their first corner.
    int32_t* vertexAt = Room(s.vertexAt, corners);
    const auto vertices = static_cast<size_t>(tasks::ExclusiveScan(
        corners, kCornersPerChunk, [&](size_t c) { return firstOf[c] == static_cast<int32_t>(c) ? 1 : 0; }, vertexAt));
    // In face order: each corner's vertex, and each vertex filled from its first
    // corner. vertexAt[c] becomes the vertex of every corner; the entries of first
    // corners, which other chunks read, are never written.
    block.vertices.resize(vertices);
    block.vertexNormal.resize(vertices);
    eachChunkOfFaces([&](size_t f, iVgxFacePoint* corner, int32_t n, size_t c, int32_t*) {
        const int32_t color = FaceColor(record, f);
        for (int32_t k = 0; k < n; ++k, ++c) {
            const auto first = static_cast<size_t>(firstOf[c]);
            const int32_t vertex = vertexAt[first];
            corner[k].D3DVertex = vertex;
            if (first != c) {
                vertexAt[c] = vertex;
            } else {
                FillVertex(record, corner[k], color, block, static_cast<size_t>(vertex));
            }
        }
    });
    // Each point's list: its corners' vertices.
    tasks::ParallelFor(corners, kCornersPerChunk, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) bucket[i] = vertexAt[bucket[i]];
    });
}

}  // namespace

void BuildRenderVertices(iVgxObject& record, RenderBlock& block) {
    thread_local Scratch s;
    BlockArray<int32_t> bucket = record.RenderAdjacency.TakePacked();
    try {
        const bool manyChunks = static_cast<size_t>(record.FaceListCount) > kFacesPerChunk;
        (manyChunks && tasks::ThreadCount() >= kSortFromThreads ? KeyInParallel : KeyInOneWalk)(record, block, s,
                                                                                                bucket);
        const int32_t* pointStart = s.pointStart.data();
        tasks::ParallelFor(static_cast<size_t>(record.PointListCount), kPointsPerChunk, [&](size_t begin, size_t end) {
            for (size_t p = begin; p < end; ++p) {
                const int32_t head = pointStart[p], count = pointStart[p + 1] - head;
                record.PointList[p].D3DVertexList = count > 0 ? ListArena::Packed(head, count) : ListArena::List{};
            }
        });
        record.RenderAdjacency.AdoptPacked(std::move(bucket));
    } catch (...) {
        // The lists pointed into the store taken above: none may outlive it.
        for (int32_t p = 0; p < record.PointListCount; ++p) record.PointList[p].D3DVertexList = {};
        throw;
    }
}

}  // namespace vgx
