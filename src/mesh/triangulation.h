#pragma once
// Splitting faces of any number of corners, folded or concave, into triangles: the
// one rule shared by the triangulated geometry export and the render lists.
#include <cstdint>
#include <vector>

#include <vgx/VgxTypes.h>

namespace vgx::modFace {

// One output triangle: three corners of the face, named by their position in the face (0-based).
struct FaceTriangle {
    int32_t Corner[3];
};

// Splits a face of 4 or more corners (their positions, in corner order) into triangles appended to `triangles`
// (even faces fanned from corner 0, uneven quads fanned from their most folded corner, uneven faces of 5+
// corners rotated onto (0,0,-1) and cut into ears).
// A face is even when every corner normal equals corner 0's within 0.0001. A triangle gives itself,
// (0, 1, 2); fewer than three corners give nothing. On an error (source "modFace", for instance 5 for a
// face of five or more corners whose positions are not finite numbers) `triangles` is left as it was.
void SplitFace(const std::vector<VgxVector>& cornerPositions, std::vector<FaceTriangle>& triangles);

// Ear cutting of corner positions already rotated so that the face normal is (0, 0, -1); appends to `triangles`.
// Only X and Y count. Corners coincident with the previous kept corner, running straight on, or doubling
// back onto it are dropped first and appear in no triangle; fewer than three corners left give nothing.
// Ears are cut at the inside-test tolerances 0.1, 0.01, 0.001 and 0.0001 in turn, and whatever no
// tolerance can cut (a self-intersecting outline) is fanned from its first remaining corner.
// On an error (source "modFace") `triangles` is left as it was.
void TriangulatePolygon(const std::vector<VgxVector>& rotatedPositions, std::vector<FaceTriangle>& triangles);

}  // namespace vgx::modFace
