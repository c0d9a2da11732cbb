#pragma once
// What an object's derived data is out of date with: its dirty flags, and the
// moved points as the dirty region of a partial render build. Every edit reports here
// through one of two entry points, a structure change or points moved; the data
// that follows from the mesh (edges and point and edge lists, the bounding box,
// the pool searches, the render buffers and the visual block) asks here whether
// it is current and says when it has been brought up to date. Nothing else keeps
// a "stale" flag.
#include <cstdint>
#include <span>
#include <vector>

#include "mesh/mod_index.h"

namespace vgx {

// What a structure change touched besides the faces; combine with |.
struct Changed {
    enum : uint32_t {
        kFaces = 0,            // faces, corners or materials: the render build starts over
        kPoolValues = 1 << 0,  // a pooled value was rewritten or removed: the pool searches drop
        kPoints = 1 << 1,      // points were added or moved: the bounding box is recomputed
        kEdges = 1 << 2,       // the edges and the point and edge lists no longer match the faces
    };
};

class ChangeState {
public:
    // Every base point may have moved.
    struct EveryPoint {};

    // The faces changed, and whatever else `changed` names.
    void StructureChanged(uint32_t changed);
    // Positions moved and the structure stands. `boxMovedAlong` when the caller
    // moved the bounding box with the points.
    void PointsMoved(EveryPoint, bool boxMovedAlong = false);
    void PointsMoved(std::span<const int32_t> points, int32_t pointCount);

    // The render build and the visual block: current, only positions to re-send,
    // or to be built from scratch.
    bool RenderCurrent() const { return render_ == Render::Current; }
    bool RenderPositionsOnly() const { return render_ == Render::PositionsOnly; }
    // The render data was built: every point is where it is drawn.
    void RenderBuilt();
    // A partial build found it cannot serve: the next one starts over.
    void RenderStartsOver() { render_ = Render::Rebuild; }
    // The base points a partial build looks at, ascending: the listed ones, or every point.
    const std::vector<int32_t>& MovedPointCandidates(int32_t pointCount);

    bool EdgesCurrent() const { return edgesCurrent_; }
    void EdgesBuilt() { edgesCurrent_ = true; }

    bool BoxCurrent() const { return boxCurrent_; }
    void BoxComputed() { boxCurrent_ = true; }

    // The indexes that single searching adds keep of the base pools.
    modIndex::PoolSearchCache& PoolSearches() { return poolSearches_; }

private:
    enum class Render { Rebuild, Current, PositionsOnly };

    // Only positions need re-sending, and the pool searches filed old positions.
    void PositionsStale();

    Render render_ = Render::Rebuild;
    bool edgesCurrent_ = false;
    bool boxCurrent_ = false;
    // Base points written since the render data was last built, in the order
    // written, while few enough to list; once too many were, any point may have moved.
    std::vector<int32_t> movedPoints_;
    bool movedPointsListed_ = true;
    modIndex::PoolSearchCache poolSearches_;
};

}  // namespace vgx
