#pragma once
// What the tests of the modelling operations share: comparisons, a refusal check
// that proves nothing changed, and a fixture with compact mesh builders.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <set>
#include <tuple>

#include "state/library_state.h"
#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

// Exact comparison and printing, so lists of coordinates compare and report in one assertion.
inline bool operator==(const VgxVector& a, const VgxVector& b) { return a.X == b.X && a.Y == b.Y && a.Z == b.Z; }
inline bool operator==(const VgxUV& a, const VgxUV& b) { return a.U == b.U && a.V == b.V; }
inline std::ostream& operator<<(std::ostream& out, const VgxVector& v) {
    return out << "(" << v.X << ", " << v.Y << ", " << v.Z << ")";
}

namespace vgx::test {

using Ints = std::vector<int32_t>;
using Points = std::vector<VgxVector>;
using Object = std::shared_ptr<VgxObject>;
using Position = std::tuple<float, float, float>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();

// Asserts that `call` raises the object's error `number` with that number's description.
inline void ExpectError(const std::function<void()>& call, int32_t number) {
    ExpectVgxError(call, number, "VgxObject",
                   number == 5 ? "Invalid procedure call or argument"
                               : (number == 9 ? "Subscript out of range" : (number == 11 ? "Division by zero" : "?")));
}

inline ::testing::AssertionResult Near(const VgxVector& a, const VgxVector& b, float tolerance = 1e-6f) {
    if (std::fabs(a.X - b.X) <= tolerance && std::fabs(a.Y - b.Y) <= tolerance && std::fabs(a.Z - b.Z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " is not " << b;
}
inline ::testing::AssertionResult Near(const Points& a, const Points& b, float tolerance = 1e-6f) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << a.size() << " points, not " << b.size();
    for (size_t k = 0; k < a.size(); ++k)
        if (!Near(a[k], b[k], tolerance)) return Near(a[k], b[k], tolerance) << " at " << k;
    return ::testing::AssertionSuccess();
}
// Every wanted point is among the points, within 1e-5.
inline ::testing::AssertionResult Contains(const Points& points, const Points& wanted) {
    for (const VgxVector& p : wanted)
        if (std::none_of(points.begin(), points.end(), [&](const VgxVector& q) { return Near(p, q, 1e-5f); }))
            return ::testing::AssertionFailure() << "no point " << p;
    return ::testing::AssertionSuccess();
}

// One value per face, face by face.
template <class Get>
inline auto PerFace(const VgxObject& object, Get get) {
    std::vector<std::decay_t<decltype(std::invoke(get, *object.GetFace(0)))>> values;
    for (int32_t f = 0; f < object.GetFaceCount(); ++f) values.push_back(std::invoke(get, *object.GetFace(f)));
    return values;
}
inline Ints CornerCounts(const VgxObject& o) { return PerFace(o, &VgxFace::GetPointCount); }
inline Ints AppData(const VgxObject& o) { return PerFace(o, &VgxFace::GetAppData); }
// Faces, then points.
inline Ints Counts(const VgxObject& o) { return {o.GetFaceCount(), o.GetPointCount()}; }
// The face count, then the mesh's first fault if it has one.
inline std::string Shape(const VgxObject& o) {
    const std::string fault = MeshFault(o);
    return std::to_string(o.GetFaceCount()) + " faces" + (fault.empty() ? "" : ", " + fault);
}

inline Ints PointIDs(const VgxObject& o, int32_t face) {
    Ints ids;
    for (int32_t k = 0; k < o.GetFace(face)->GetPointCount(); ++k) ids.push_back(o.GetFace(face)->GetPointID(k));
    return ids;
}
inline Points Corners(const VgxObject& object, int32_t face) {
    Points points;
    for (int32_t p : PointIDs(object, face)) points.push_back(object.GetPoint(p));
    return points;
}
inline std::vector<Points> Faces(const VgxObject& o) {
    std::vector<Points> faces;
    for (int32_t f = 0; f < o.GetFaceCount(); ++f) faces.push_back(Corners(o, f));
    return faces;
}
inline VgxVector NormalAt(const VgxObject& o, int32_t face, int32_t k) {
    return o.GetNormal(o.GetFace(face)->GetNormalID(k));
}
// The UV of every corner, face by face.
inline std::vector<VgxUV> UVs(const VgxObject& o) {
    std::vector<VgxUV> uvs;
    for (int32_t f = 0; f < o.GetFaceCount(); ++f)
        for (int32_t k = 0; k < o.GetFace(f)->GetPointCount(); ++k) uvs.push_back(o.GetFace(f)->GetUV(k));
    return uvs;
}
inline ::testing::AssertionResult Near(const std::vector<VgxUV>& a, const std::vector<VgxUV>& b,
                                      float tolerance) {
    Points pa, pb;
    for (const VgxUV& uv : a) pa.push_back({uv.U, uv.V, 0});
    for (const VgxUV& uv : b) pb.push_back({uv.U, uv.V, 0});
    return Near(pa, pb, tolerance);
}

// A closed mesh: consistent, and every edge between exactly two faces.
inline void ExpectClosed(VgxObject& object) {
    EXPECT_EQ(MeshFault(object), "");
    EXPECT_EQ(EdgesWithFaceCount(object, 2), Internals(object).Base().EdgeListCount);
}

// Everything a failed call must leave as it was, proxies included.
inline auto Take(const VgxObject& o) {
    const ExportedMesh m = ExportGeometry(o);
    return std::tuple(m.points, m.normals, m.uvs, m.faceData, AppData(o),
                      PerFace(o, [](const VgxFace& f) { return &f; }));
}

// Asserts that `call` raises the object's error `number` and leaves `object` as it was.
inline void ExpectRefused(const VgxObject& object, int32_t number, const std::function<void()>& call) {
    const auto before = Take(object);
    ExpectError(call, number);
    EXPECT_EQ(Take(object), before);
}

// Twice the vector area of a polygon (Newell's sum): its direction is the winding's normal.
inline VgxVector DoubleVectorArea(const Points& polygon) {
    double x = 0, y = 0, z = 0;
    for (size_t k = 0; k < polygon.size(); ++k) {
        const VgxVector &a = polygon[k], &b = polygon[(k + 1) % polygon.size()];
        x += (double(a.Y) - b.Y) * (double(a.Z) + b.Z);
        y += (double(a.Z) - b.Z) * (double(a.X) + b.X);
        z += (double(a.X) - b.X) * (double(a.Y) + b.Y);
    }
    return {float(x), float(y), float(z)};
}

class Ops : public ::testing::Test {
protected:
    // Faces given as point lists, the coordinates welded. Every corner takes normal 0
    // and, with one UV per point, its point's UV, else UV 0.
    Object Make(const Points& points, const std::vector<Ints>& faces, const Points& normals = {},
                const std::vector<VgxUV>& uvs = {}, bool weld = true) {
        auto object = root->CreateObject();
        Ints data;
        for (const Ints& face : faces) {
            data.push_back(int32_t(face.size()));
            for (int32_t p : face) data.insert(data.end(), {p, 0, uvs.size() == points.size() ? p : 0});
        }
        data.push_back(0);
        object->AddFaces(points, normals, uvs, data, weld, false);
        return object;
    }
    // Facing +Z, each corner with the UV (x, y) of its point, scaled by `scale`.
    Object Flat(const Points& points, const std::vector<Ints>& faces, VgxUV scale = {1, 1}) {
        std::vector<VgxUV> uvs;
        for (const VgxVector& p : points) uvs.push_back({p.X * scale.U, p.Y * scale.V});
        return Make(points, faces, {{0, 0, 1}}, uvs);
    }
    // n x m unit quads in the XY plane facing +Z, UVs (x, y) or, with unitUVs, spanning 0..1.
    Object Grid(int32_t n, int32_t m, bool unitUVs = false) {
        Points points;
        std::vector<Ints> quads;
        for (int32_t j = 0; j <= m; ++j)
            for (int32_t i = 0; i <= n; ++i) {
                points.push_back({float(i), float(j), 0});
                const int32_t a = j * (n + 1) + i;
                if (i < n && j < m) quads.push_back({a, a + 1, a + n + 2, a + n + 1});
            }
        return Flat(points, quads, unitUVs ? VgxUV{1.0f / n, 1.0f / m} : VgxUV{1, 1});
    }
    // One triangle per three corners, each corner its own point.
    Object Triangles(const Points& corners) {
        std::vector<Ints> faces;
        for (int32_t c = 0; c + 2 < int32_t(corners.size()); c += 3) faces.push_back({c, c + 1, c + 2});
        return Make(corners, faces, {{0, 0, 1}}, {{0, 0}}, false);
    }
    std::shared_ptr<VgxMaterial> Material(float r, float g, float b) {
        auto material = root->CreateMaterial();
        material->SetColor(root->CreateColorRGB(r, g, b));
        return material;
    }
    // AddCube's cube, every face's application data set to `data`.
    Object Cube(int32_t data = 0) {
        auto cube = root->CreateObject();
        AddCube(*cube);
        for (int32_t f = 0; f < 6 && data; ++f) cube->GetFace(f)->SetAppData(data);
        return cube;
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    // Most cases start from the cube.
    Object cube = Cube();
};

}  // namespace vgx::test
