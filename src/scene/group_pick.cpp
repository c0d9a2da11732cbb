// Picking: the group walk carries each group's matrix down from its parent, turns
// the pick ray into each group's own coordinates and intersects the render meshes
// of its pickable objects.
#include <vgx/Vgx.h>
#include <vgx/VgxGroup.h>
#include <vgx/VgxObject.h>
#include <vgx/VgxPickArray.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "base/access.h"
#include "base/errors.h"
#include "base/finite.h"
#include "base/frame_math.h"
#include "base/retained_mode.h"
#include "object/object_internal.h"
#include "platform/mesh_intersect.h"
#include "platform/mod_file.h"
#include "scene/group_internal.h"
#include "state/library_state.h"

namespace {

constexpr std::string_view kSource = "VgxGroup";
constexpr float kStepPastHit = 0.001f;

using Matrix4 = std::array<double, 16>;

Matrix4 Widen(const VgxMatrix& m) {
    Matrix4 out;
    for (int i = 0; i < 16; ++i) out[i] = m.m[i];
    return out;
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 out{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[4 * r + k] * b[4 * k + c];
            out[4 * r + c] = sum;
        }
    }
    return out;
}

// General inverse (projections are not affine) by Gauss-Jordan with partial
// pivoting; false when the matrix is singular or not finite.
bool Invert(const Matrix4& m, Matrix4& inverse) {
    double a[4][8];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = m[4 * r + c];
            a[r][c + 4] = r == c ? 1 : 0;
        }
    }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r) {
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        }
        if (!(std::fabs(a[pivot][c]) > 1e-300)) return false;
        if (pivot != c) std::swap(a[pivot], a[c]);
        const double scale = 1 / a[c][c];
        for (double& x : a[c]) x *= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == c || a[r][c] == 0) continue;
            const double f = a[r][c];
            for (int k = 0; k < 8; ++k) a[r][k] -= f * a[c][k];
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) inverse[4 * r + c] = a[r][c + 4];
    }
    return std::all_of(inverse.begin(), inverse.end(), [](double x) { return std::isfinite(x); });
}

VgxVector Subtract(const VgxVector& a, const VgxVector& b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
VgxVector AddScaled(const VgxVector& a, const VgxVector& d, float k) {
    return {a.X + d.X * k, a.Y + d.Y * k, a.Z + d.Z * k};
}

// v x m without the translation.
VgxVector TransformDirection(const VgxVector& v, const VgxMatrix& m) {
    const float* a = m.m;
    return {static_cast<float>(double{v.X} * a[0] + double{v.Y} * a[4] + double{v.Z} * a[8]),
            static_cast<float>(double{v.X} * a[1] + double{v.Y} * a[5] + double{v.Z} * a[9]),
            static_cast<float>(double{v.X} * a[2] + double{v.Y} * a[6] + double{v.Z} * a[10])};
}

// The screen side of unprojection: viewport and transforms read once per pick.
struct Screen {
    VgxViewport viewport;
    Matrix4 viewProjection;
};

// The screen point (x, y, z) back through viewport, projection, view and world:
// the point in the world matrix's own coordinates. False when the chain cannot be
// inverted there.
bool Unproject(const Screen& screen, const VgxMatrix& world, float x, float y, float z, VgxVector& out) {
    Matrix4 inverse;
    if (!Invert(Multiply(Widen(world), screen.viewProjection), inverse)) return false;
    const VgxViewport& vp = screen.viewport;
    const double p[4] = {(double{x} - vp.X) * 2 / vp.Width - 1, 1 - (double{y} - vp.Y) * 2 / vp.Height,
                         (double{z} - vp.MinZ) / (double{vp.MaxZ} - vp.MinZ), 1};
    double r[4] = {0, 0, 0, 0};
    for (int c = 0; c < 4; ++c) {
        for (int k = 0; k < 4; ++k) r[c] += p[k] * inverse[4 * k + c];
    }
    if (r[3] == 0) return false;
    out = {static_cast<float>(r[0] / r[3]), static_cast<float>(r[1] / r[3]), static_cast<float>(r[2] / r[3])};
    return vgx::IsFinite(out);
}

// P0 + U (P1 - P0) + V (P2 - P0) of render triangle `t` of sub-object `s`.
VgxVector RenderHitPoint(const VgxObject& object, int32_t s, int32_t t, float u, float v) {
    const vgx::RenderBlock& block = vgx::State(object).render.object;
    const vgx::IndexList& list = vgx::At(block.triangles, s);
    if (t < 0 || 3 * static_cast<int64_t>(t) + 2 >= list.Count) vgx::Raise(VgxErrSubscript);
    const auto corner = [&](int k) {
        const vgx::RenderVertex& r = vgx::At(block.vertices, list.Indices[3 * static_cast<size_t>(t) + k]);
        return VgxVector{r.Position[0], r.Position[1], r.Position[2]};
    };
    const VgxVector p0 = corner(0), p1 = corner(1), p2 = corner(2);
    return {p0.X + u * (p1.X - p0.X) + v * (p2.X - p0.X), p0.Y + u * (p1.Y - p0.Y) + v * (p2.Y - p0.Y),
            p0.Z + u * (p1.Z - p0.Z) + v * (p2.Z - p0.Z)};
}

int32_t RenderFaceId(const VgxObject& object, int32_t s, int32_t t) {
    return vgx::At(vgx::At(vgx::State(object).render.triangleToFace, s), t);
}

std::vector<int32_t> SortedPoints(const vgx::iVgxObject& level, int32_t face) {
    const vgx::iVgxFacePoint* corners = level.FaceCorners(face);
    std::vector<int32_t> points(static_cast<size_t>(level.FaceList[face].PointCount));
    for (size_t k = 0; k < points.size(); ++k) points[k] = corners[k].Point;
    std::sort(points.begin(), points.end());
    return points;
}

// The last face, among those reached through the edges around the face's points,
// made of the same set of points; -1 when none is.
int32_t TwinFace(VgxObject& object, int32_t face) {
    vgx::EnsureAdjacency(object);
    const vgx::iVgxObject& level = vgx::State(object).Base();
    if (face < 0 || face >= level.FaceListCount) return -1;
    const std::vector<int32_t> key = SortedPoints(level, face);
    int32_t twin = -1;
    const vgx::iVgxFacePoint* corners = level.FaceCorners(face);
    for (int32_t k = 0; k < level.FaceList[face].PointCount; ++k) {
        vgx::CheckIndex(corners[k].Point, level.PointList.size());
        level.ForEachEdgeLeaving(corners[k].Point, [&](int32_t edge) {
            level.Adjacency.ForEach(vgx::At(level.EdgeList, edge).FaceList, [&](int32_t other) {
                if (other != face && level.FaceList[other].PointCount == static_cast<int32_t>(key.size()) &&
                    SortedPoints(level, other) == key) {
                    twin = other;
                }
            });
        });
    }
    return twin;
}

std::shared_ptr<VgxPickArray> NewPickArray() {
    auto picks = VgxAccess::Make<VgxPickArray>();
    vgx::Registered().pickArrays.push_back(picks);
    return picks;
}

void CollectGarbage(const VgxGroup& group) {
    if (auto root = group.csVgx()) root->CollectGarbage();
}

// Runs the walk from `top` with the identity: visit(group, W) for every group of
// the subtree, parents before children, children in list order.
template <class Visit>
void Walk(const std::shared_ptr<VgxGroup>& group, const VgxMatrix& caller, Visit& visit) {
    if (!group) return;
    const vgx::GroupState& self = vgx::State(*group);
    // The top of a hierarchy contributes nothing: its frame is the one picks are
    // expressed in.
    const VgxMatrix world =
        self.parent ? vgx::rm::MatrixMultiply(self.local, caller) : caller;
    visit(group, world);
    if (!self.children) return;
    const std::vector<std::shared_ptr<VgxGroup>> children = *self.children;
    for (const auto& child : children) Walk(child, world, visit);
}

std::vector<std::shared_ptr<VgxObject>> Objects(const VgxGroup& group) {
    const auto& list = vgx::State(group).objects;
    return list ? *list : std::vector<std::shared_ptr<VgxObject>>{};
}

bool Pickable(const VgxObject& object) { return (object.GetEnable() & VgxObjectPickEnable) != 0; }

// One group's allowance of recovery within a viewport pick: the first failing step
// gets its object's render buffers rebuilt and runs again; any further failure is
// raised.
class Recovery {
public:
    template <class Step>
    decltype(auto) Attempt(VgxObject& object, Step&& step) {
        for (;;) {
            try {
                return step();
            } catch (...) {
                const std::string who = object.GetName() + " - " + std::to_string(object.GetAppData());
                if (used_) {
                    vgx::modFile::WriteLogLine("Recovery failed for Object: " + who);
                    vgx::Reraise(kSource);
                }
                used_ = true;
                vgx::modFile::WriteLogLine("Recovery tried for Object: " + who);
                vgx::State(object).changes.RenderStartsOver();
            }
        }
    }

private:
    bool used_ = false;
};

// Every surface along the ray from `origin`, stepping past each hit; with a
// reference length the distance is measured back from the far end.
void TestObjectsAlong(const std::shared_ptr<VgxGroup>& group, int32_t deviceId,
                      const std::shared_ptr<VgxDevice>& device, const VgxVector& origin, const VgxVector& dir,
                      float reference, Recovery& recovery, VgxPickArray& picks) {
    for (const auto& object : Objects(*group)) {
        if (!object || !Pickable(*object)) continue;
        const int32_t subObjects = recovery.Attempt(*object, [&] { return object->GetSubObjectCount(); });
        for (int32_t s = 0; s < subObjects; ++s) {
            const auto mesh =
                recovery.Attempt(*object, [&] { return object->GetSubObjectD3DXMesh(deviceId, s, device); });
            if (!mesh) continue;
            VgxVector current = origin;
            float travelled = 0;
            // A line meets a triangle's plane once, so no ray crosses more surfaces
            // than the mesh has triangles; the bound only guards against a step
            // lost to rounding far from the origin.
            for (int32_t guard = mesh->GetNumFaces(); guard >= 0; --guard) {
                const auto hit =
                    recovery.Attempt(*object, [&] { return vgx::platform::IntersectMesh(mesh, current, dir); });
                if (!hit.hit) break;
                VgxPickDesc desc{};
                recovery.Attempt(*object, [&] {
                    desc.Position = RenderHitPoint(*object, s, hit.triangle, hit.U, hit.V);
                    desc.FaceID = RenderFaceId(*object, s, hit.triangle);
                });
                desc.hit = 1;
                desc.U = hit.U;
                desc.V = hit.V;
                desc.dist = travelled + hit.t;
                if (reference != 0) desc.dist = reference - desc.dist;
                VgxAccess::AddPick(picks, group, object, desc);
                const VgxVector next = AddScaled(desc.Position, dir, kStepPastHit);
                const float nextTravelled = vgx::rm::VectorModulus(Subtract(next, origin));
                if (!(nextTravelled > travelled)) break;
                current = next;
                travelled = nextTravelled;
            }
        }
    }
}

}  // namespace

std::shared_ptr<VgxPickArray> VgxGroup::ViewportPick(float X, float Y, int32_t DeviceID,
                                                     const std::shared_ptr<VgxDevice>& Device) {
    return vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, X, Y);
        if (!Device) vgx::Raise(VgxErrObjectNotSet);
        Screen screen{Device->GetViewport(), {}};
        const VgxViewport& vp = screen.viewport;
        const Matrix4 view = Widen(Device->GetTransform(VgxTransformView));
        const Matrix4 projection = Widen(Device->GetTransform(VgxTransformProjection));
        screen.viewProjection = Multiply(view, projection);
        Matrix4 unused;
        if (vp.Width <= 0 || vp.Height <= 0 || !std::isfinite(vp.MinZ) || !std::isfinite(vp.MaxZ) ||
            vp.MinZ == vp.MaxZ || !Invert(screen.viewProjection, unused)) {
            vgx::Raise(VgxErrInvalidCall);
        }
        auto picks = NewPickArray();
        auto visit = [&](const std::shared_ptr<VgxGroup>& group, const VgxMatrix& world) {
            VgxVector nearPoint, farPoint;
            if (!Unproject(screen, world, X, Y, 0, nearPoint) || !Unproject(screen, world, X, Y, 1, farPoint)) {
                return;  // a frame squashed flat: no ray in it
            }
            VgxVector dir;
            vgx::rm::VectorNormalize(dir, Subtract(farPoint, nearPoint));
            Recovery recovery;
            TestObjectsAlong(group, DeviceID, Device, nearPoint, dir, 0, recovery, *picks);
            const float length = vgx::rm::VectorModulus(Subtract(farPoint, nearPoint));
            const VgxVector back{-dir.X, -dir.Y, -dir.Z};
            TestObjectsAlong(group, DeviceID, Device, farPoint, back, length, recovery, *picks);
        };
        Walk(shared_from_this(), vgx::rm::MatrixIdentity(), visit);

        const int32_t found = picks->GetSize();
        for (int32_t i = 0; i < found; ++i) {
            std::shared_ptr<VgxObject> object;
            std::shared_ptr<VgxGroup> group;
            VgxPickDesc desc{};
            picks->GetPick(i, object, group, desc);
            const int32_t twin = TwinFace(*object, desc.FaceID);
            if (twin < 0) continue;
            desc.FaceID = twin;
            VgxAccess::AddPick(*picks, group, object, desc);
        }
        CollectGarbage(*this);
        return picks;
    });
}

std::shared_ptr<VgxPickArray> VgxGroup::RayPick(int32_t DeviceID, const std::shared_ptr<VgxDevice>& Device,
                                                const VgxVector& RayOrigin, const VgxVector& RayDirection) {
    return vgx::Trap(kSource, [&] {
        vgx::RequireFinite(kSource, RayOrigin, RayDirection);
        if (!Device) vgx::Raise(VgxErrObjectNotSet);
        if (RayDirection.X == 0 && RayDirection.Y == 0 && RayDirection.Z == 0) vgx::Raise(VgxErrInvalidCall);
        auto picks = NewPickArray();
        auto visit = [&](const std::shared_ptr<VgxGroup>& group, const VgxMatrix& world) {
            const VgxMatrix inverse = vgx::rm::MatrixInverseAffine(world);
            const VgxVector origin = vgx::rm::TransformPoint(RayOrigin, inverse);
            VgxVector dir = TransformDirection(RayDirection, inverse);
            vgx::rm::VectorScale(dir, dir, 1000);
            for (const auto& object : Objects(*group)) {
                if (!object || !Pickable(*object)) continue;
                const int32_t subObjects = object->GetSubObjectCount();
                for (int32_t s = 0; s < subObjects; ++s) {
                    const auto mesh = object->GetSubObjectD3DXMesh(DeviceID, s, Device);
                    if (!mesh) continue;
                    const auto hit = vgx::platform::IntersectMesh(mesh, origin, dir);
                    if (!hit.hit) continue;
                    VgxPickDesc desc{};
                    desc.hit = 1;
                    desc.FaceID = RenderFaceId(*object, s, hit.triangle);
                    desc.U = hit.U;
                    desc.V = hit.V;
                    desc.dist = hit.t;
                    desc.Position = RenderHitPoint(*object, s, hit.triangle, hit.U, hit.V);
                    VgxAccess::AddPick(*picks, group, object, desc);
                }
            }
        };
        Walk(shared_from_this(), vgx::rm::MatrixIdentity(), visit);
        CollectGarbage(*this);
        return picks;
    });
}
