// Smooth, Crease, mirroring and the displayed subdivision.
#include "ops/ops_fixture.h"

namespace vgx::test {
namespace {

using Smoothing = Ops;

// Where a cube corner and an edge middle of the unit cube land after one
// Catmull-Clark step: 5/9 and 3/4 of the way out from the centre.
constexpr float kCornerOut = 0.5f + 0.5f * 5.0f / 9.0f, kEdgeOut = 0.5f + 0.5f * 0.75f;

TEST_F(Smoothing, ACubeSmoothedOnceHasOneCatmullClarkStep) {
    cube->Smooth(1, VgxGreaterThan, 0, 0);
    // 8 + 6 + 12 points: corners, face points and edge points.
    EXPECT_EQ(Ints({cube->GetFaceCount(), cube->GetPointCount(), Internals(*cube).Base().EdgeListCount}),
              Ints({24, 26, 48}));
    ExpectClosed(*cube);

    // A cube corner measures about 70.5 degrees and an edge 90: with "greater than
    // 120" neither moves, with "less than 120" both do, between the two only the edges.
    // Tension 1 is plain subdivision, 0.5 half of the smoothing. Face points stay.
    const float c = kCornerOut, e = kEdgeOut, h = (1 + kCornerOut) / 2;
    for (const auto& [condition, angle, tension, found] : std::vector<std::tuple<VgxCondition, float, float, Points>>{
             {VgxGreaterThan, 0, 0, {{c, c, c}, {1 - c, 1 - c, 1 - c}, {e, e, 0.5f}, {0.5f, 0.5f, 1}}},
             {VgxGreaterThan, 120, 0, {{1, 1, 1}, {1, 1, 0.5f}}},
             {VgxLessThan, 120, 0, {{c, c, c}, {e, e, 0.5f}}},
             {VgxLessThan, 180, 0, {{c, c, c}, {e, e, 0.5f}}},
             {VgxGreaterThan, 80, 0, {{1, 1, 1}, {e, e, 0.5f}}},
             {VgxGreaterThan, 0, 1, {{1, 1, 1}, {1, 1, 0.5f}}},
             {VgxGreaterThan, 0, 0.5f, {{h, h, h}}}}) {
        SCOPED_TRACE(std::to_string(condition) + " " + std::to_string(angle) + " " + std::to_string(tension));
        auto smoothed = Cube();
        smoothed->Smooth(1, condition, angle, tension);
        const Points points = ExportGeometry(*smoothed).points;
        EXPECT_TRUE(Contains(points, found));
        for (const VgxVector& p : points)  // with tension 1 nothing moves off the cube's surface
            EXPECT_TRUE(tension != 1 || std::min({p.X, p.Y, p.Z, 1 - p.X, 1 - p.Y, 1 - p.Z}) < 1e-6f) << p;
    }
}

TEST_F(Smoothing, PolygonsAndOddInputSmoothWithoutFault) {
    // A triangle and a pentagon side by side, not sharing anything: one quad per corner.
    auto polygons =
        Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {3, 0, 0}, {4, 0, 0}, {4.5f, 1, 0}, {3.5f, 2, 0}, {2.5f, 1, 0}},
             {{0, 1, 2}, {3, 4, 5, 6, 7}});
    polygons->Smooth(1, VgxGreaterThan, 0, 0);
    EXPECT_EQ(Shape(*polygons), "8 faces");
    // The edge (0,0)-(1,0) has one face: its point moves half-way to the face point (1/3, 1/3).
    EXPECT_TRUE(Contains(ExportGeometry(*polygons).points, {{(0.5f + 1 / 3.0f) / 2, (0 + 1 / 3.0f) / 2, 0}}));

    // Three faces on one edge, and a face with a repeated point.
    auto fan =
        Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}}, {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {2, 2, 4}});
    fan->SetSmoothingLevel(2);
    const ExportedMesh m = ExportVisual(*fan);
    EXPECT_EQ(m.FaceCount(), 4 * 3 * 4);
    for (const VgxVector& p : m.points) EXPECT_TRUE(std::isfinite(p.X + p.Y + p.Z)) << p;
    // Optimize drops the face with the repeated point first.
    fan->Smooth(1, VgxLessThan, 90, -0.5f);
    EXPECT_EQ(Shape(*fan), "9 faces");

    // A face running back along its own sides (0-1-0-2) gives two inner edges per
    // point pair when subdivided: the smoothed mesh pools them into one.
    auto folded = Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 0, 2}});
    folded->Smooth(2, VgxGreaterThan, 0, 0);
    EXPECT_EQ(Shape(*folded), "16 faces");
    const iVgxObject& level = Internals(*folded).Base();
    std::set<std::pair<int32_t, int32_t>> pairs;
    for (int32_t e = 0; e < level.EdgeListCount; ++e)
        pairs.emplace(level.EdgeList[e].Point[0], level.EdgeList[e].Point[1]);
    EXPECT_EQ(pairs.size(), static_cast<size_t>(level.EdgeListCount));
}

// The smoothed mesh numbers its edges itself; pooling its sides again must give
// the same edges, in the same order, with the same lists.
TEST_F(Smoothing, TheSmoothedMeshHasTheEdgesPoolingGives) {
    const auto edgesOf = [](const iVgxObject& level) {
        std::vector<int32_t> found;
        for (int32_t e = 0; e < level.EdgeListCount; ++e) {
            found.insert(found.end(), {level.EdgeList[e].Point[0], level.EdgeList[e].Point[1]});
            level.Adjacency.ForEach(level.EdgeList[e].FaceList, [&](int32_t f) { found.push_back(f); });
        }
        for (int32_t f = 0; f < level.FaceListCount; ++f) {
            for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) found.push_back(level.FaceCorners(f)[k].Edge);
        }
        return found;
    };
    // A closed box, polygons sharing sides, and a quad whose last side joins a
    // point to itself (its first corner repeats at the end).
    for (const int32_t level : {1, 2}) {
        Object shapes[] = {Cube(),
                           Make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}, {1.5f, 2, 0}},
                                {{0, 1, 2, 3}, {1, 4, 5, 2}, {2, 5, 6}, {3, 2, 6}}),
                           Make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2, 0}, {1, 3, 2}})};
        for (Object& shape : shapes) {
            shape->Smooth(level, VgxGreaterThan, 0, 0);
            iVgxObject& base = Internals(*shape).Base();
            const std::vector<int32_t> numbered = edgesOf(base);
            RebuildAdjacency(base, EdgeIds::Pool);
            EXPECT_EQ(numbered, edgesOf(base)) << Shape(*shape) << " smoothed " << level;
        }
    }
}

TEST_F(Smoothing, TheDisplayedMeshIsSmoothedAndMirroredLeavingTheObjectAlone) {
    // Smooth replaces the base and leaves the level attribute at 0; Crease ran with
    // factor 0: one normal per point on a closed smooth surface.
    cube->SetCreasingFactor(0);
    cube->Smooth(2, VgxGreaterThan, 0, 0);
    EXPECT_EQ(Ints({cube->GetFaceCount(), cube->GetSmoothingLevel(), cube->GetNormalCount()}),
              Ints({96, 0, cube->GetPointCount()}));
    // The displayed build at level 2 gives the same surface as Smooth(2), and the
    // editable mesh of the displayed object is untouched.
    auto shown = Cube();
    shown->SetSmoothingLevel(2);
    const ExportedMesh visual = ExportVisual(*shown), smoothed = ExportGeometry(*cube);
    ASSERT_EQ(Ints({visual.FaceCount(), visual.pointCount, visual.materialCount, shown->GetFaceCount()}),
              Ints({96, smoothed.pointCount, 96, 6}));
    EXPECT_TRUE(Contains(visual.points, smoothed.points));
    EXPECT_EQ(visual.materials[95], shown->GetFace(5)->GetMaterial());

    // An open box: the cube without its +X face, mirrored through x = 1; the four
    // points on the plane are shared.
    auto half = Cube();
    half->DeleteFaces({3});
    half->SetMirrorAxis(VgxAxisX);
    ExportedMesh m = ExportVisual(*half);
    EXPECT_EQ(Ints({m.FaceCount(), m.pointCount, half->GetFaceCount()}), Ints({10, 12, 5}));
    EXPECT_TRUE(Contains(m.points, {{2, 1, 1}}));
    // Mirrored and smoothed: the joined box (closed, 10 quads) subdivided once.
    half->SetSmoothingLevel(1);
    m = ExportVisual(*half);
    EXPECT_EQ(m.FaceCount(), 40);
    for (const VgxVector& p : m.points) EXPECT_LE(p.X, 2.0f);
    // A face lying in the plane is not doubled.
    auto lying = Cube();
    lying->SetMirrorAxis(VgxAxisZ);
    EXPECT_EQ(ExportVisual(*lying).FaceCount(), 11);
}

TEST_F(Smoothing, BadLevelsAndValuesChangeNothing) {
    for (auto [level, angle, tension, number] : std::vector<std::tuple<int32_t, float, float, int32_t>>{
             {5, 0, 0, 9}, {-1, 0, 0, 9}, {kMax, 0, 0, 9}, {1, kNaN, 0, 5}, {1, 0, kNaN, 5}})
        ExpectRefused(*cube, number, [&] { cube->Smooth(level, VgxGreaterThan, angle, tension); });

    // The smoothing level is not checked when set, but the build refuses it before
    // touching anything and works again once it is fixed.
    const int32_t id = root->CreateDeviceID();
    cube->SetSmoothingLevel(7);
    ExpectRefused(*cube, 9, [&] { cube->GetVertexBuffer(id, device); });
    cube->SetSmoothingLevel(1);
    EXPECT_GE(cube->GetVertexBuffer(id, device) ? cube->GetVertexBufferVisualVertexCount() : 0, 26);

    // Level 0 only optimises and creases; an empty object smooths to nothing.
    cube->Smooth(0, VgxGreaterThan, 0, 0);
    auto empty = root->CreateObject();
    empty->Smooth(3, VgxGreaterThan, 0, 0);
    empty->SetSmoothingLevel(2);
    EXPECT_EQ(Ints({cube->GetFaceCount(), empty->GetFaceCount(), ExportVisual(*empty).FaceCount()}), Ints({6, 0, 0}));
}

TEST_F(Smoothing, CreaseSplitsNormalsAtTheCreaseAngle) {
    // Factor 0 creases at 180 degrees: one normal per cube corner, shared by its three faces.
    cube->SetCreasingFactor(0);
    cube->Crease();
    EXPECT_EQ(cube->GetNormalCount(), 8);
    const float third = 1 / std::sqrt(3.0f);
    EXPECT_TRUE(Near(NormalAt(*cube, 1, 2), {third, third, third}, 1e-5f));

    // 89 degrees keeps the cube's 90-degree edges sharp, 91 smooths them.
    cube->Crease2(89);
    const int32_t sharp = cube->GetNormalCount();
    cube->Crease2(91);
    EXPECT_EQ(Ints({sharp, cube->GetNormalCount(), RenderState(*cube)}), Ints({6, 8, 0}));
}

TEST_F(Smoothing, TheVisualBlockFollowsTheObjectBlockAndEveryMove) {
    const int32_t id = root->CreateDeviceID();
    // The displayed positions and normals of an object, read back from its vertex buffer.
    const auto shown = [&](VgxObject& object) {
        auto buffer = object.GetVertexBuffer(id, device);
        std::vector<RenderVertex> all(buffer->GetLength() / sizeof(RenderVertex));
        buffer->Read(0, all.data(), all.size() * sizeof(RenderVertex));
        Points points;
        for (size_t v = object.GetVertexBufferObjectVertexCount(); v < all.size(); ++v)
            for (const float* p : {all[v].Position, all[v].Normal}) points.push_back({p[0], p[1], p[2]});
        return points;
    };
    // The cube smoothed once, or open at +X, mirrored there and smoothed twice.
    const auto build = [&](bool mirrored, const Points& points) {
        auto object = Cube();
        if (mirrored) object->DeleteFaces({3}), object->SetMirrorAxis(VgxAxisX);
        if (!points.empty()) object->SetPoints(points);
        object->SetSmoothingLevel(mirrored ? 2 : 1);
        return object;
    };
    cube->SetSmoothingLevel(1);
    // 24 object vertices, then one per distinct (point, UV) pair of the displayed mesh (one
    // normal per point): its 26 points and the copies the cube's UV seams make. The cage is
    // drawn as lines even though the quality asks for solid faces.
    EXPECT_EQ(Ints({int32_t(cube->GetVertexBuffer(id, device)->GetLength()), cube->GetVertexBufferObjectVertexCount(),
                    cube->GetVertexBufferVisualVertexCount(), cube->GetSubObjectCount(),
                    cube->GetSubVisualSolidPrimitiveCount(0), cube->GetSubObjectNonSolidPrimitiveCount(0)}),
              Ints({44 * (24 + 50), 24, 50, 1, 48, 24}));
    using Moves = std::vector<std::pair<int32_t, VgxVector>>;
    // The mirrored moves keep the plane, then shift it: beyond it every image moves.
    for (const auto& [mirrored, steps] : std::vector<std::pair<bool, std::vector<Moves>>>{
             {false, {{{6, {1.5f, 1.5f, 1.5f}}}}},
             {true,
              {{{0, {-0.3f, 0.1f, -0.2f}}}, {{3, {0.2f, 1.4f, 0}}, {4, {0, -0.5f, 1.5f}}}, {{2, {1.5f, 1, 0}}}}}}) {
        // Moving points rebuilds only what they reach; the result equals a fresh build.
        auto moving = mirrored ? build(true, {}) : cube;
        shown(*moving);
        for (const Moves& step : steps) {
            for (const auto& [point, position] : step) moving->SetPoint(point, position);
            ASSERT_EQ(RenderState(*moving), 2);
            auto fresh = build(mirrored, ExportGeometry(*moving).points);
            EXPECT_TRUE(Near(shown(*moving), shown(*fresh), 1e-5f));
            EXPECT_EQ(ExportVisual(*moving).faceData, ExportVisual(*fresh).faceData);
        }
    }
    // Switched off, the visual block leaves the buffer and its counts go with it.
    cube->SetSmoothingLevel(0);
    EXPECT_EQ(cube->GetVertexBuffer(id, device)->GetLength(), 44u * cube->GetVertexBufferObjectVertexCount());
    EXPECT_EQ(Ints({cube->GetVertexBufferVisualVertexCount(), cube->GetSubVisualSolidPrimitiveCount(0),
                    cube->GetSubVisualNonSolidPrimitiveCount(0)}),
              Ints({0, 0, 0}));
}

}  // namespace
}  // namespace vgx::test
