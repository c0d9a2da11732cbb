#pragma once
// One Catmull-Clark step over mesh records: the topology of the next level and
// the moving of its points. The next level's points are the source points in
// order, then one face point per face of 3 or more corners, then one edge point
// per edge such faces use; each face becomes one quad per corner.
#include <vgx/VgxEnums.h>
#include <vgx/VgxTypes.h>

#include <cstdint>
#include <vector>

#include "base/large_blocks.h"
#include "mesh/level_links.h"

namespace vgx {

struct iVgxObject;
struct iVgxMaterial;

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
