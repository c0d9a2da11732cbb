// VgxObject::GetShadowVolumeVertices: the outline of the faces turned towards the
// light, extruded along it.
#include <vgx/VgxObject.h>

#include <cstring>
#include <unordered_map>

#include "base/errors.h"
#include "base/finite.h"
#include "object/object_internal.h"

namespace {

struct Edge {
    VgxVector a, b;
};

// An undirected edge by the exact values of its ends (-0 counted as 0, as the
// comparison of values does), so (A, B) and (B, A) meet in one entry.
struct EdgeKey {
    float ends[6];
    bool operator==(const EdgeKey& other) const { return std::memcmp(ends, other.ends, sizeof(ends)) == 0; }
};

struct EdgeKeyHash {
    size_t operator()(const EdgeKey& key) const {
        uint32_t bits[6];
        std::memcpy(bits, key.ends, sizeof(bits));
        size_t hash = 0;
        for (uint32_t b : bits) hash = hash * 1000003u ^ b;
        return hash;
    }
};

bool Less(const VgxVector& p, const VgxVector& q) {
    if (p.X != q.X) return p.X < q.X;
    if (p.Y != q.Y) return p.Y < q.Y;
    return p.Z < q.Z;
}

EdgeKey KeyOf(const VgxVector& a, const VgxVector& b) {
    const VgxVector& first = Less(b, a) ? b : a;
    const VgxVector& second = Less(b, a) ? a : b;
    // Adding 0 turns -0 into +0.
    return {{first.X + 0.0f, first.Y + 0.0f, first.Z + 0.0f, second.X + 0.0f, second.Y + 0.0f, second.Z + 0.0f}};
}

// The outline kept as a list in which a removed edge's place goes to the last edge,
// with an index of where each edge stands, so a toggle costs one lookup.
class Outline {
public:
    void Toggle(const VgxVector& a, const VgxVector& b) {
        // Ends that are not numbers equal nothing, not even themselves.
        if (!vgx::IsFinite(a) || !vgx::IsFinite(b)) {
            edges_.push_back({a, b});
            return;
        }
        const auto [entry, added] = where_.try_emplace(KeyOf(a, b), edges_.size());
        if (added) {
            edges_.push_back({a, b});
            return;
        }
        const size_t slot = entry->second;
        where_.erase(entry);
        if (slot + 1 != edges_.size()) {
            edges_[slot] = edges_.back();
            const Edge& moved = edges_[slot];
            if (vgx::IsFinite(moved.a) && vgx::IsFinite(moved.b)) where_[KeyOf(moved.a, moved.b)] = slot;
        }
        edges_.pop_back();
    }
    void Reserve(size_t more) {
        edges_.reserve(edges_.size() + more);
        where_.reserve(where_.size() + more);
    }
    const std::vector<Edge>& Edges() const { return edges_; }

private:
    std::vector<Edge> edges_;
    std::unordered_map<EdgeKey, size_t, EdgeKeyHash> where_;
};

}  // namespace

void VgxObject::GetShadowVolumeVertices(int32_t /*DeviceID*/, std::vector<VgxVector>& ShadowVolumePointList,
                                        int32_t& ShadowVolumePointListCount, const VgxVector& LightDirection) {
    vgx::Trap("VgxObject", [&] {
        vgx::RequireFinite("VgxObject", LightDirection);
        const int32_t subObjects = GetSubObjectCount();
        const vgx::ObjectState& self = *internals_;
        const bool visual = self.attributes.SmoothingLevel != 0 || self.attributes.MirrorAxis != VgxAxisNone;
        const vgx::RenderBlock& block = visual ? self.render.visual : self.render.object;
        const VgxVector& l = LightDirection;
        Outline outline;
        for (int32_t s = 0; s < subObjects && s < static_cast<int32_t>(block.triangles.size()); ++s) {
            const vgx::IndexList& list = block.triangles[s];
            outline.Reserve(static_cast<size_t>(list.Count / 3) * 3);
            for (int32_t j = 0; j + 2 < list.Count; j += 3) {
                VgxVector p[3];
                for (int k = 0; k < 3; ++k) {
                    const float* position = vgx::At(block.vertices, list.Indices[j + k]).Position;
                    p[k] = {position[0], position[1], position[2]};
                }
                const VgxVector u{p[2].X - p[1].X, p[2].Y - p[1].Y, p[2].Z - p[1].Z};
                const VgxVector v{p[1].X - p[0].X, p[1].Y - p[0].Y, p[1].Z - p[0].Z};
                const VgxVector n{u.Y * v.Z - u.Z * v.Y, u.Z * v.X - u.X * v.Z, u.X * v.Y - u.Y * v.X};
                if (n.X * l.X + n.Y * l.Y + n.Z * l.Z > 0) {
                    outline.Toggle(p[0], p[1]);
                    outline.Toggle(p[1], p[2]);
                    outline.Toggle(p[2], p[0]);
                }
            }
        }
        const std::vector<Edge>& edges = outline.Edges();
        std::vector<VgxVector> points;
        points.reserve(edges.size() * 6);
        const VgxVector extrusion{10 * l.X, 10 * l.Y, 10 * l.Z};
        for (const Edge& edge : edges) {
            const VgxVector a2{edge.a.X + extrusion.X, edge.a.Y + extrusion.Y, edge.a.Z + extrusion.Z};
            const VgxVector b2{edge.b.X + extrusion.X, edge.b.Y + extrusion.Y, edge.b.Z + extrusion.Z};
            points.insert(points.end(), {edge.a, edge.b, a2, edge.b, b2, a2});
        }
        ShadowVolumePointListCount = static_cast<int32_t>(points.size());
        ShadowVolumePointList = std::move(points);
    });
}
