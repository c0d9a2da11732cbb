#pragma once
// One Catmull-Clark step over mesh records: the topology of the next level and
// the moving of its points. The next level's points are the source points in
// order, then one face point per face of 3 or more corners, then one edge point
// per edge such faces use; each face becomes one quad per corner.
#include <cstdint>
#include <vector>

#include <vgx/VgxEnums.h>

namespace vgx {

struct iVgxObject;
struct iVgxMaterial;

// Where the points of a level come from in the level below.
struct SubdivisionLinks {
    std::vector<int32_t> facePoint;  // per source face: its face point, -1 below 3 corners
    std::vector<int32_t> edgePoint;  // per source edge: its edge point, -1 when no face uses it
};

namespace smoothing {

// Builds `next` from `source` (whose corners must name their edges): positions
// at the face averages and edge midpoints, UVs averaged and pooled, one material
// slot per face, and the edges of the new quads.
void Subdivide(const iVgxObject& source, iVgxObject& next, SubdivisionLinks& links);
// Puts the points of a level built by Subdivide back where Subdivide placed them,
// after the source points moved; the topology stays.
void UpdateSmoothedPositions(const iVgxObject& source, iVgxObject& next, const SubdivisionLinks& links);
// Moves the vertex and edge points by the Catmull-Clark rules, blended with
// their unmoved positions by `tension` and restricted to points whose sharpness
// passes the condition at `angle` degrees.
void PositionSmoothedPoints(const iVgxObject& source, iVgxObject& next, const SubdivisionLinks& links,
                            VgxCondition condition, float angle, float tension);
// Gives every side of every face an undirected edge, numbered in order of first use.
void IndexEdges(iVgxObject& record);
// The material of each face of `record` as a slot of `table`, slots in order of first use.
void MaterialSlots(const iVgxObject& record, std::vector<iVgxMaterial>& table, std::vector<int32_t>& slots);

}  // namespace smoothing
}  // namespace vgx
