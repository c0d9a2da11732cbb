#pragma once
// One Catmull-Clark step over mesh records: the topology of the next level and
// the moving of its points. The next level's points are the source points in
// order, then one face point per face of 3 or more corners, then one edge point
// per edge such faces use; each face becomes one quad per corner.
#include <vgx/VgxEnums.h>
#include <vgx/VgxTypes.h>

#include <cstdint>
#include <vector>

#include "platform/large_blocks.h"

namespace vgx {

struct iVgxObject;
struct iVgxMaterial;

// The corners around each point of a record, as (face, corner) pairs: those of point
// p are entries start[p] .. start[p + 1] - 1.
struct PointCorners {
    struct Corner {
        int32_t face, corner;
    };
    BlockArray<int32_t> start;
    BlockArray<Corner> corners;

    void Build(const iVgxObject& record);
    bool Built() const { return !start.empty(); }
};

// Marks that tell whether an element was met in the current round, so a partial
// update visits each element once without clearing anything between updates.
class VisitMarks {
public:
    void BeginRound(size_t elements);
    // True the first time `element` is met in this round.
    bool First(int32_t element) {
        if (marks_[element] == round_) return false;
        marks_[element] = round_;
        return true;
    }

private:
    std::vector<uint32_t> marks_;
    uint32_t round_ = 0;
};

// The displayed mesh's face normals and what updating them after a move needs.
struct DisplayedNormals {
    std::vector<VgxVector> faceNormals;
    PointCorners corners;  // built when first needed
    VisitMarks faces, points;
};

// Where the points of a level come from in the level below, and what a partial
// update needs to find the points a move affects.
struct SubdivisionLinks {
    BlockArray<int32_t> facePoint;   // per source face: its face point, -1 below 3 corners
    BlockArray<int32_t> edgePoint;   // per source edge: its edge point, -1 when no face uses it
    PointCorners sourceCorners;      // built when first needed
    VisitMarks faces, points, edges;
};

namespace smoothing {

// How the next level's edges are numbered: each used source edge's two halves
// (the one at its Point(0) first) in source edge order, then one inner edge per
// quad in quad order; or in order of first use by the quads' corners, as pooling
// them quad by quad numbers them, which asks that no source face has two sides
// on one edge or a side from a point to itself.
enum class EdgeOrder { Split, FirstUse };

// Builds `next` from `source` (whose corners must name their edges): positions
// at the face averages and edge midpoints, UVs averaged and pooled, one material
// slot per face, and the edges of the new quads.
void Subdivide(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links, EdgeOrder order = EdgeOrder::Split);
// Moves the vertex and edge points by the Catmull-Clark rules, blended with
// their unmoved positions by `tension` and restricted to points whose sharpness
// passes the condition at `angle` degrees.
void PositionSmoothedPoints(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links,
                            VgxCondition condition, float angle, float tension);
// After the source points in `moved` changed position: places and moves again only
// the points of `next` they affect (the face and edge points of the faces around
// them and the corners of those faces), through the stored links, and lists them
// in `affected`. The topology stays.
void UpdateSmoothedPositions(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links,
                             VgxCondition condition, float angle, float tension, const std::vector<int32_t>& moved,
                             std::vector<int32_t>& affected);
// Gives every side of every face an undirected edge, numbered in order of first use.
void IndexEdges(iVgxObject& record);
// The material of each face of `record` as a slot of `table`, slots in order of first use.
void MaterialSlots(const iVgxObject& record, std::vector<iVgxMaterial>& table, std::vector<int32_t>& slots);

}  // namespace smoothing
}  // namespace vgx
