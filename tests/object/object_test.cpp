// Meshes through the object: faces and the proxies handed out for them, the
// geometry a host reads back and edits in bulk, and the render buffers made
// from it.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cstring>

#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/obj_reader.h"
#include "support/thread_counts.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectOutOfRange;
using vgx::test::ExpectVgxError;
using Ints = std::vector<int32_t>;
using Floats = std::vector<float>;
using Lists = std::vector<Ints>;
using Materials = std::vector<std::shared_ptr<VgxMaterial>>;
using Geometry = vgx::test::ExportedMesh;
constexpr auto Export = vgx::test::ExportGeometry;

// Two triangles (0, 1, 2) and (2, 1, 3) sharing the side between points 1 and 2.
const std::vector<VgxVector> kPoints{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
const std::vector<VgxVector> kNormals{{0, 0, 1}};
const std::vector<VgxUV> kUVs{{0, 0}, {1, 0}, {0, 1}, {1, 1}};
const Ints kTwoTriangles{3, 0, 0, 0, 1, 0, 1, 2, 0, 2, 3, 2, 0, 2, 1, 0, 1, 3, 0, 3, 0};
const char* const kNotSet = "Object variable or With block variable not set";

Floats Xyz(const VgxVector& v) { return {v.X, v.Y, v.Z}; }
Ints Counts(const Geometry& g) { return {g.pointCount, g.normalCount, g.uvCount, g.faceDataCount}; }

template <class T>
std::vector<T> ReadBack(const std::shared_ptr<VgxDeviceBuffer>& buffer) {
    std::vector<T> values(buffer->GetLength() / sizeof(T));
    buffer->Read(0, values.data(), values.size() * sizeof(T));
    return values;
}

class Mesh : public ::testing::Test {
protected:
    Mesh() {
        root->SetMessageBoxHandler(
            [&](const std::string& text, const std::string&, int32_t) { shown.push_back(text); });
        mesh = Two();
    }
    std::shared_ptr<VgxObject> Two() {
        auto object = root->CreateObject();
        object->AddFaces(kPoints, kNormals, kUVs, kTwoTriangles, true, false);
        return object;
    }
    const vgx::iVgxObject& Level() const { return Internals(*mesh).Base(); }
    Ints List(const vgx::ListArena::List& list) const { return Level().Adjacency.ToVector(list); }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> mesh;
    std::vector<std::string> shown;
};
using Faces = Mesh;
using GeometryAccess = Mesh;

// ---- faces ----

TEST_F(Faces, SharedSidesShareOneUndirectedEdgeAndIndexedFacesUseIt) {
    const vgx::iVgxObject& level = Level();
    ASSERT_EQ((Ints{mesh->GetFaceCount(), level.EdgeListCount}), (Ints{2, 5}));
    // Face 1's side from corner 1 (point 1) to corner 0 (point 2) is side 0: (2, 1).
    const int32_t shared = level.FaceCorners(1)[0].Edge;
    EXPECT_EQ(level.FaceCorners(0)[1].Edge, shared);
    EXPECT_EQ((Ints{level.EdgeList[shared].Point[0], level.EdgeList[shared].Point[1]}), (Ints{1, 2}));
    // A point lists a face once per corner that uses it, and the edges leaving it.
    EXPECT_EQ((Lists{List(level.EdgeList[shared].FaceList), List(level.PointList[2].FaceList),
                     List(level.PointList[3].FaceList)}),
              (Lists{{0, 1}, {0, 1}, {1}}));
    Ints leaving;
    level.ForEachEdgeLeaving(1, [&](int32_t edge) { leaving.push_back(edge); });
    EXPECT_EQ(leaving, (Ints{level.FaceCorners(0)[1].Edge, level.FaceCorners(1)[1].Edge}));
    EXPECT_TRUE(Internals(*mesh).changes.EdgesCurrent() && shown.empty());

    // Indexed faces use the pools as they stand: every side of this quad is an edge the triangles made.
    mesh->AddFacesIndexed({4, 0, 0, 0, 1, 0, 1, 3, 0, 3, 2, 0, 2, 0}, false);
    ASSERT_EQ((Ints{mesh->GetFaceCount(), mesh->GetFace(2)->GetPointCount(), Level().EdgeListCount}), (Ints{3, 4, 5}));
    EXPECT_EQ(mesh->GetFace(2)->GetMaterial(), mesh->GetFace(0)->GetMaterial());
}

TEST_F(Faces, MissingNormalsAndUVsAreWarnedAndRepeatedCornersDropped) {
    auto bare = root->CreateObject();
    bare->AddFaces(kPoints, {}, {}, {3, 0, 5, 5, 1, 5, 5, 2, 5, 5, 0}, false, false);
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "The Vorlan Scene Graph does not support face data without normals",
                         "The Vorlan Scene Graph does not support face data without UV coordinates"}));
    ASSERT_EQ(bare->GetFaceCount(), 1);
    Geometry g;
    bare->GetFace(0)->GetPoints(g.points, g.normals, g.uvs, g.pointCount);
    EXPECT_EQ((Floats{g.normals[2].Z, g.uvs[2].U}), (Floats{1, 0}));
    EXPECT_EQ((Ints{bare->GetNormalCount(), bare->GetUVCount()}), (Ints{1, 1}));

    // A triangle with two coincident corners goes; a quad with one repeated corner
    // keeps three; a clean triangle stays; the unused point 5 is compacted away.
    auto worn = root->CreateObject();
    worn->AddFaces({{0, 0, 0}, {1, 0, 0}, {1, 0, 0.00005f}, {0, 1, 0}, {5, 5, 5}, {9, 9, 9}}, kNormals, kUVs,
                   {3, 0, 0, 0, 1, 0, 0, 2, 0, 0,             //
                    4, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0,    //
                    3, 2, 0, 0, 3, 0, 0, 4, 0, 0, 0},
                   false, true);
    EXPECT_EQ((Ints{worn->GetFaceCount(), worn->GetFace(0)->GetPointCount(), worn->GetFace(0)->GetPointID(2),
                    worn->GetPointCount()}),
              (Ints{2, 3, 3, 5}));
    // The dropped corner's point was moved exactly onto the corner it repeats.
    EXPECT_EQ(Xyz(worn->GetPoint(2)), (Floats{1, 0, 0}));
    EXPECT_FALSE(Internals(*worn).changes.EdgesCurrent());
}

TEST_F(Faces, BadFaceDataRaisesNineAndChangesNothing) {
    const auto material = mesh->GetFace(0)->GetMaterial();
    const std::vector<Ints> bad{
        {3, 0, 0, 0, 1, 0, 0, 4, 0, 0, 0},     // point index outside the caller's points
        {3, 0, 0, 0, 1, 1, 0, 2, 0, 0, 0},     // normal index outside
        {3, 0, 0, 0, 1, 0, 0, 2, 0, -1, 0},    // negative UV index
        {4, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0, 0},  // block runs past the end
        {-2, 0, 0, 0, 0},                      // negative corner count
    };
    for (const Ints& faceData : bad)
        ExpectOutOfRange([&] { mesh->AddFaces(kPoints, kNormals, kUVs, faceData, true, true); });
    ExpectOutOfRange([&] { mesh->AddFacesIndexed({3, 0, 0, 0, 1, 0, 0, 9, 0, 0, 0}, false); });
    ExpectOutOfRange([&] { mesh->DeleteFaces({0, 2}); });
    EXPECT_EQ((Ints{mesh->GetFaceCount(), mesh->GetPointCount(), Level().EdgeListCount}), (Ints{2, 4, 5}));
    EXPECT_EQ(mesh->GetFace(0)->GetMaterial(), material);
}

TEST_F(Faces, DeletingRenumbersAndProxiesLastUntilTheRebuildKeepingTheirMaterialToThemselves) {
    EXPECT_EQ(Level().FaceProxyCount, 0);  // none until the host asks
    const std::shared_ptr<VgxFace> first = mesh->GetFace(1);
    EXPECT_EQ(mesh->GetFace(1), first);
    EXPECT_EQ(Level().FaceProxyCount, 1);
    auto faces = mesh->GetFaces();
    EXPECT_EQ(faces->GetSize(), 2);
    const auto red = root->CreateMaterial(), blue = root->CreateMaterial();
    first->ApplyMaterial(red);
    EXPECT_EQ(Level().FaceMaterial(1), red);

    mesh->DeleteFaces({0});  // a rebuild: face 1 is now face 0, with a new proxy
    ASSERT_EQ((Ints{mesh->GetFaceCount(), faces->GetSize()}), (Ints{1, 1}));
    const std::shared_ptr<VgxFace> moved = mesh->GetFace(0);
    EXPECT_NE(moved, first);
    EXPECT_EQ((Ints{moved->id(), first->id(), moved->GetPointID(2), Level().EdgeListCount}), (Ints{0, 1, 3, 3}));
    EXPECT_EQ(List(Level().PointList[0].FaceList), Ints{});
    first->ApplyMaterial(blue);
    EXPECT_EQ((Materials{first->GetMaterial(), moved->GetMaterial(), Level().FaceMaterial(0)}),
              (Materials{blue, red, red}));
    // The object's own material change reaches the proxies it handed out.
    mesh->ApplyMaterial(blue);
    EXPECT_EQ(moved->GetMaterial(), blue);
    mesh->DeleteFaces({});
    EXPECT_EQ(mesh->GetFaceCount(), 1);
}

TEST_F(Faces, ProxiesEditTheirFaceAndGiveItsNormal) {
    EXPECT_EQ(Xyz(mesh->GetFace(0)->GetFaceNormal()), (Floats{0, 0, 1}));
    // Collinear corners and faces of two corners give the zero vector.
    auto line = mesh->CreateFace();
    line->AddPoint({0, 0, 0}, {0, 0, 1}, {0, 0});
    line->AddPoint({2, 0, 0}, {0, 0, 1}, {0, 0});
    EXPECT_EQ(line->GetFaceNormal().Z, 0);
    line->AddPoint({3, 0, 0}, {0, 0, 1}, {0, 0});
    EXPECT_EQ(line->GetFaceNormal().Z, 0);

    auto object = root->CreateObject();
    auto face = object->CreateFace();
    EXPECT_EQ((Ints{face->id(), face->GetPointCount()}), (Ints{0, 0}));
    for (int32_t p : {0, 1, 2, 1}) face->AddPoint(kPoints[p], {0, 0, 1}, {kPoints[p].X, kPoints[p].Y});
    EXPECT_EQ((Ints{face->GetPointCount(), object->GetPointCount(), face->GetPointID(3)}), (Ints{4, 3, 1}));
    EXPECT_FLOAT_EQ(face->GetFaceNormal().Z, 1);
    face->SetUV(0, {0.5f, 0.5f});
    face->SetPointIndexed(3, 2, 0, 2);
    face->SetAppData(7);
    EXPECT_EQ((Floats{face->GetUV(0).U, float(face->GetAppData())}), (Floats{0.5f, 7}));
    Ints points, normals, uvs;
    int32_t count = 0;
    face->GetPointIDs(points, normals, uvs, count);
    EXPECT_EQ(points, (Ints{0, 1, 2, 2}));
    Geometry g;
    face->GetPoints(g.points, g.normals, g.uvs, count);
    EXPECT_EQ(g.points[3].Y, 1);
    ExpectOutOfRange([&] { face->GetPointID(4); }, "VgxFace");
    ExpectOutOfRange([&] { face->SetUVID(-1, 0); }, "VgxFace");
    ExpectOutOfRange([&] { object->GetFace(1); });
    // Corners added through a proxy get edges only at the next rebuild.
    EXPECT_FALSE(Internals(*object).changes.EdgesCurrent());
}

TEST_F(Faces, MaterialsAndSlots) {
    ASSERT_EQ((Ints{Level().MaterialListCount, MaterialIndex(*mesh->GetFace(0)->GetMaterial())}), (Ints{1, 0}));
    const int32_t orange = root->CreateColorRGB(1, 0.5f, 0);
    mesh->DefaultMaterial(orange);
    auto material = mesh->GetFace(1)->GetMaterial();
    EXPECT_EQ(material, mesh->GetFace(0)->GetMaterial());
    EXPECT_EQ(material->GetColor(), orange);
    float r, g, b;
    material->GetAmbient(r, g, b);
    EXPECT_FLOAT_EQ(r, 0.6f);
    material->GetEmissive(r, g, b);
    EXPECT_NEAR(g, 0.1f, 0.001f);
    auto blue = root->CreateMaterial();
    mesh->GetFace(1)->ApplyMaterial(blue);
    // Slots follow at the next rebuild, in order of first use.
    mesh->Optimize(false, 100);
    ASSERT_EQ((Ints{Level().MaterialListCount, MaterialIndex(*blue)}), (Ints{2, 1}));
    EXPECT_EQ(Level().MaterialList[1].Material, blue);
    mesh->GetFace(0)->DefaultMaterial(orange);
    EXPECT_NE(mesh->GetFace(0)->GetMaterial(), material);
}

TEST_F(Faces, TheCollectionCountsOnlyTheProxiesHandedOut) {
    std::weak_ptr<VgxObject> unasked, asked, replaced;
    std::shared_ptr<VgxFace> stale;
    {
        auto a = Two(), b = Two(), c = Two();
        b->GetFace(1);
        stale = c->GetFace(0);
        c->AddFacesIndexed({3, 0, 0, 0, 1, 0, 1, 2, 0, 2, 0}, false);
        c->DeleteFaces({2});
        unasked = a, asked = b, replaced = c;
    }
    root->CollectGarbage();
    EXPECT_TRUE(unasked.expired() && asked.expired());  // a proxy handed out does not hold its object
    // A proxy a rebuild replaced is the host's reference: the object stays.
    ASSERT_FALSE(replaced.expired());
    EXPECT_EQ(replaced.lock()->GetFaceCount(), 2);
}

// A strip of triangles long enough for its face blocks to be read on the worker
// threads: with and without merging faces, and with one quad near the end whose
// second corner lies within 0.0001 of its first. Dropping that corner moves its
// point, which a later face uses: a walk over the blocks in order gives that
// face the moved point, and so must every thread count.
TEST(FaceBlocks, LongSoupsReadAlikeOnAnyThreadCount) {
    constexpr int32_t kColumns = 40000;  // 80,000 triangles
    std::vector<VgxVector> points;
    for (int32_t i = 0; i <= kColumns; ++i) {
        points.push_back({i * 0.01f, 0, 0});
        points.push_back({i * 0.01f, 1, 0});
    }
    const auto near = static_cast<int32_t>(points.size());  // by point 2 * (kColumns - 10)
    points.push_back({(kColumns - 10) * 0.01f + 0.00005f, 0, 0});
    Ints clean;
    const auto corner = [](Ints& data, int32_t point) { data.insert(data.end(), {point, 0, 0}); };
    for (int32_t i = 0; i < kColumns; ++i) {
        for (const Ints& triangle : {Ints{2 * i, 2 * i + 2, 2 * i + 1}, Ints{2 * i + 1, 2 * i + 2, 2 * i + 3}}) {
            clean.push_back(3);
            for (const int32_t point : triangle) corner(clean, point);
        }
    }
    Ints repeated = clean;
    const int32_t k = 2 * (kColumns - 10);
    repeated.push_back(4);
    for (const int32_t point : {k, near, k + 2, k + 1}) corner(repeated, point);
    repeated.push_back(3);
    for (const int32_t point : {near, k + 3, k + 1}) corner(repeated, point);
    clean.push_back(0);
    repeated.push_back(0);
    const auto samePoints = [](const Geometry& a, const Geometry& b) {
        return a.points.size() == b.points.size() &&
               std::memcmp(a.points.data(), b.points.data(), a.points.size() * sizeof(VgxVector)) == 0;
    };

    for (const bool mergeFaces : {false, true}) {
        for (const Ints* faceData : {&clean, &repeated}) {
            std::vector<Geometry> read;
            vgx::test::ForEachThreadCount({1, 2, 4}, [&](int32_t threads) {
                const auto root = Vgx::Create();
                const auto object = root->CreateObject();
                object->AddFaces(points, kNormals, kUVs, *faceData, false, mergeFaces);
                read.push_back(Export(*object));
                EXPECT_TRUE(samePoints(read.back(), read[0])) << threads << " threads";
                EXPECT_EQ(read.back().faceData, read[0].faceData) << threads << " threads";
                // Every face took the one material handed in, past the first chunk too.
                const vgx::iVgxObject& level = Internals(*object).Base();
                bool same = level.FaceMaterial(0) != nullptr;
                for (int32_t f = 1; f < level.FaceListCount; ++f) {
                    same &= level.FaceMaterial(f) == level.FaceMaterial(0);
                }
                EXPECT_TRUE(same) << threads << " threads";
            });
            if (faceData == &repeated && mergeFaces) {
                // The quad lost its second corner, whose point now sits on the first's.
                EXPECT_EQ(read[0].FaceCount(), 2 * kColumns + 2);
                EXPECT_EQ(Xyz(read[0].points[near]), Xyz(points[k]));
                EXPECT_EQ(Xyz(read[0].Corner(2 * kColumns, 2)), Xyz(points[k + 1]));
            }
        }
    }
}

// ---- geometry ----

TEST_F(GeometryAccess, ExportsOfTheEmptyObjectAndOfACube) {
    auto cube = root->CreateObject();
    Geometry g = Export(*cube);  // empty: only the terminator
    EXPECT_EQ(Counts(g), (Ints{0, 0, 0, 1}));
    EXPECT_TRUE(g.points.empty());
    EXPECT_EQ(g.faceData, Ints{0});
    vgx::test::AddCube(*cube);
    g = Export(*cube);
    EXPECT_EQ(Counts(g), (Ints{8, 6, 4, 6 * 13 + 1}));
    auto copy = root->CreateObject();
    copy->AddFaces(g.points, g.normals, g.uvs, g.faceData, false, false);
    EXPECT_EQ(Export(*copy).faceData, g.faceData);
    EXPECT_EQ(copy->GetPointCount(), 8);

    // Point-UV pairs: the first face's corners come first, in order.
    std::vector<VgxVectorUV> pairs;
    int32_t pairCount = 0;
    cube->GetGeometryPointUV(pairs, pairCount, g.normals, g.normalCount, g.faceData, g.faceDataCount);
    EXPECT_GT(pairCount, 8);
    EXPECT_LE(pairCount, 24);
    EXPECT_EQ(g.faceDataCount, 6 * 9 + 1);
    EXPECT_EQ((Ints{g.faceData[0], g.faceData[1], g.faceData[3]}), (Ints{4, 0, 1}));
    EXPECT_EQ((Floats{pairs[1].Vector.Y, pairs[1].UV.U}), (Floats{1, 1}));  // point 3 with UV (1, 0)
    // Every corner's pair holds its point's position and its UV.
    for (int32_t f = 0, at = 0; f < 6; ++f) {
        const int32_t n = g.faceData[at++];
        for (int32_t k = 0; k < n; ++k, at += 2) {
            VgxVector point, normal;
            VgxUV uv;
            cube->GetFace(f)->GetPoint(k, point, normal, uv);
            const VgxVectorUV& pair = pairs[g.faceData[at]];
            EXPECT_EQ((Floats{pair.Vector.X, pair.UV.V, g.normals[g.faceData[at + 1]].Z}),
                      (Floats{point.X, uv.V, normal.Z}));
        }
    }

    // The visual export, as it stands and in triangles.
    cube->GetFace(2)->ApplyMaterial(root->CreateMaterial());
    g = vgx::test::ExportVisual(*cube);
    EXPECT_EQ(g.faceData, Export(*cube).faceData);
    EXPECT_EQ(g.materialCount, 6);
    cube->GetVisual(true, g.points, g.pointCount, g.normals, g.normalCount, g.uvs, g.uvCount, g.faceData,
                    g.faceDataCount, g.materials, g.materialCount);
    ASSERT_EQ((Ints{g.materialCount, g.faceDataCount}), (Ints{12, 12 * 10 + 1}));
    // A flat quad is fanned from its first corner, keeping each corner's indexes.
    EXPECT_EQ(Ints(g.faceData.begin(), g.faceData.begin() + 20),
              (Ints{3, 0, 0, 0, 3, 0, 1, 2, 0, 2, 3, 0, 0, 0, 2, 0, 2, 1, 0, 3}));
    EXPECT_EQ(g.materials[4], cube->GetFace(2)->GetMaterial());
    EXPECT_EQ(g.materials[5], cube->GetFace(2)->GetMaterial());
    EXPECT_NE(g.materials[3], g.materials[4]);
}

TEST_F(GeometryAccess, BoundingBoxFollowsMovesAndScales) {
    auto object = root->CreateObject();
    object->AddOptimizedPoint({1, 2, 3});
    auto box = [&] {
        const VgxBox b = object->GetBoundingBox();
        return Floats{b.Min.X, b.Min.Y, b.Min.Z, b.Max.X, b.Max.Y, b.Max.Z};
    };
    EXPECT_EQ(box(), (Floats{1, 2, 3, 1, 2, 3}));
    vgx::test::AddCube(*object);
    EXPECT_EQ(box(), (Floats{0, 0, 0, 1, 2, 3}));
    // Translate moves the cached box; Resize makes it be computed again.
    object->Translate({10, 0, 0});
    EXPECT_EQ(box(), (Floats{10, 0, 0, 11, 2, 3}));
    object->Resize({2, 1, 1});
    EXPECT_EQ(box(), (Floats{20, 0, 0, 22, 2, 3}));
    object->Clear();
    EXPECT_EQ(box(), Floats(6, 0));
    EXPECT_EQ(object->GetFaceCount(), 0);
}

TEST_F(GeometryAccess, BulkCoordinates) {
    auto cube = root->CreateObject();
    vgx::test::AddCube(*cube);
    Geometry g;
    cube->GetPoints(g.points, g.pointCount);
    cube->GetUVs(g.uvs, g.uvCount);
    cube->GetNormals(g.normals, g.normalCount);
    EXPECT_EQ((Ints{g.pointCount, g.normalCount, g.uvCount}), (Ints{8, 6, 4}));
    for (auto& p : g.points) p.Z += 1;
    cube->SetPoints(g.points);
    EXPECT_EQ(cube->GetPoint(4).Z, 2);
    g.uvs[0] = {0.25f, 0.25f};
    cube->SetUVs(g.uvs);
    EXPECT_EQ(cube->GetUV(0).U, 0.25f);
    // Values past the pool's array are refused before anything is written.
    g.points.resize(20, {7, 7, 7});
    ExpectOutOfRange([&] { cube->SetPoints(g.points); });
    EXPECT_EQ(cube->GetPoint(0).X, 0);
    g.normals.resize(7);
    ExpectOutOfRange([&] { cube->SetNormals(g.normals); });
}

TEST_F(GeometryAccess, OptimizeMergesCoordinatesAndKeepsFaces) {
    // Two triangles whose shared corners were given twice.
    auto object = root->CreateObject();
    object->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, kNormals, kUVs,
                     {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 4, 0, 0, 3, 0, 0, 5, 0, 0, 0}, false, false);
    auto oldProxy = object->GetFace(0);
    EXPECT_EQ(object->GetPointCount(), 6);
    object->Optimize(false, 100);
    EXPECT_EQ((Ints{object->GetPointCount(), object->GetFaceCount(), object->GetFace(1)->GetPointID(0),
                    Internals(*object).Base().EdgeListCount}),
              (Ints{4, 2, 2, 5}));
    EXPECT_NE(object->GetFace(0), oldProxy);
    // In depth, a degenerate face and the coordinates only it used go too.
    object->AddFaces({{5, 5, 5}, {6, 6, 6}}, kNormals, kUVs, {3, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0}, false, false);
    EXPECT_EQ(object->GetFaceCount(), 3);
    object->Optimize(true, 100);
    EXPECT_EQ((Ints{object->GetFaceCount(), object->GetPointCount()}), (Ints{2, 4}));
    auto empty = root->CreateObject();
    empty->Optimize(true, 100);
    EXPECT_EQ(empty->GetFaceCount(), 0);
}

TEST_F(GeometryAccess, AddObjectAppendsFacesWithTheirMaterials) {
    auto target = root->CreateObject();
    vgx::test::AddCube(*target);
    target->DeleteFaces({0, 1, 2});
    ASSERT_EQ(target->GetFaceCount(), 3);
    auto source = root->CreateObject();
    source->AddFaces(kPoints, {}, {}, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 2, 0, 0, 1, 0, 0, 3, 0, 0, 0}, false, false);
    auto red = root->CreateMaterial();
    source->GetFace(1)->ApplyMaterial(red);
    source->GetFace(1)->SetAppData(42);
    source->SetCustomFieldValue(3, "bolt");
    source->SetCloneOptions({2, 1, 1}, {1, 0, 0}, {0, 0, 0});
    target->AddObject(source);
    ASSERT_EQ(target->GetFaceCount(), 5);
    EXPECT_EQ((Materials{target->GetFace(3)->GetMaterial(), target->GetFace(4)->GetMaterial()}),
              (Materials{source->GetFace(0)->GetMaterial(), red}));
    EXPECT_EQ(target->GetCustomFieldValue(3), "bolt");
    VgxVectorLong number;
    VgxVector offset, rotate;
    target->GetCloneOptions(number, offset, rotate);
    // Coordinates are appended, not merged.
    EXPECT_EQ((Ints{target->GetFace(4)->GetAppData(), number.X, target->GetPointCount()}), (Ints{42, 2, 8 + 4}));
    vgx::test::ClearLog();
    ExpectVgxError([&] { target->AddObject(nullptr); }, 91, "VgxObject", kNotSet);
    EXPECT_EQ(vgx::test::LogMessages(), std::vector<std::string>{"AddObject Error Location: 0"});
    EXPECT_EQ(target->GetFaceCount(), 5);
}

TEST_F(GeometryAccess, AttributesAndTheirEffectOnRenderData) {
    auto object = root->CreateObject();
    vgx::ChangeState& changes = Internals(*object).changes;
    // Each edit with the render state it leaves behind when it was 1 (up to date); -1: not looked at.
    const std::pair<std::function<void()>, int32_t> edits[] = {
        {[&] { object->SetQuality(137); }, 1},
        {[&] { object->SetQuality(137 | VgxShadePhong); }, 1},
        {[&] { object->SetQuality(73); }, 0},  // wireframe instead of solid
        {[&] { object->SetSmoothingLevel(0), object->SetMirrorAxis(VgxAxisNone); }, 1},
        {[&] { object->SetSmoothingAngle(30); }, 0},
        {[&] { object->SetCreasingFactor(70); }, 0},
        {[&] { object->AddOptimizedPoint({0, 0, 0}); }, -1},
        {[&] { object->SetPoint(0, {1, 1, 1}); }, 2},
    };
    for (const auto& [edit, after] : edits) {
        changes.RenderBuilt();
        edit();
        const int32_t state = RenderState(*object);
        EXPECT_TRUE(after < 0 || state == after) << "state " << state << ", not " << after;
    }
    object->SetNormals({});
    EXPECT_EQ(RenderState(*object), 0);

    // The plain settings read back as set, except adjacency, which is never kept.
    object->SetMaintainAdjacency(true);
    object->SetObjectType(VgxPatch);
    object->SetOperationControlOrientation({0, 0, 1}, {0, 1, 0});
    object->SetCustomFieldValue(5, "x");
    VgxVector dir, up;
    object->GetOperationControlOrientation(dir, up);
    EXPECT_EQ((std::tuple{object->GetQuality(), object->GetEnable(), object->GetCreasingFactor(),
                          object->GetMaintainAdjacency(), object->GetObjectType(), dir.Z, up.Y,
                          object->GetCustomFieldValue(5)}),
              (std::tuple{73, 3, 70.0f, false, VgxPatch, 1.0f, 1.0f, std::string("x")}));
    ExpectOutOfRange([&] { object->SetCustomFieldValue(6, "x"); }, "VorlanSG");
    ExpectOutOfRange([&] { object->GetCustomFieldValue(-1); }, "VorlanSG");
}

// ---- render buffers ----

class RenderBuffers : public Mesh {
protected:
    std::shared_ptr<VgxObject> Triangle() {
        auto object = root->CreateObject();
        object->AddFaces({kPoints[0], kPoints[1], kPoints[2]}, kNormals, {kUVs[0], kUVs[1], kUVs[2]},
                         {3, 0, 0, 0, 1, 0, 1, 2, 0, 2, 0}, true, false);
        return object;
    }
    std::shared_ptr<VgxSoftwareDevice> Narrow() {
        auto narrow = std::make_shared<VgxSoftwareDevice>();
        narrow->SetDeviceCaps({65535, 65535});
        return narrow;
    }

    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    int32_t deviceId = root->CreateDeviceID();
    std::shared_ptr<VgxObject> triangle = Triangle();
};

TEST_F(RenderBuffers, EmptyObjectsBadDevicesBadIdsAndReleasedBuffers) {
    auto empty = root->CreateObject();
    EXPECT_EQ((Ints{empty->GetSubObjectCount(), RenderState(*empty)}), (Ints{0, 1}));
    EXPECT_EQ(empty->GetVertexBuffer(deviceId, device), nullptr);
    EXPECT_EQ((Ints{empty->GetVertexBufferObjectVertexCount(), empty->GetVertexSize(), empty->GetVertexFormat()}),
              (Ints{0, 44, 594}));

    ExpectVgxError([&] { triangle->GetVertexBuffer(deviceId, nullptr); }, 91, "VgxObject", kNotSet);
    ExpectOutOfRange([&] { triangle->GetVertexBuffer(deviceId + 1, device); });
    ExpectOutOfRange([&] { triangle->GetVertexBuffer(-1, device); });
    auto first = triangle->GetVertexBuffer(deviceId, device);
    ExpectOutOfRange([&] { triangle->GetSubObjectSolidIndexBuffer(deviceId + 1, 0); });
    ExpectOutOfRange([&] { triangle->GetSubObjectSolidIndexBuffer(deviceId, 1); });
    EXPECT_EQ(triangle->GetSubVisualSolidIndexBuffer(deviceId, 0), nullptr);
    EXPECT_EQ(triangle->GetSubVisualSolidPrimitiveCount(0), 0);

    auto indices = triangle->GetSubObjectSolidIndexBuffer(deviceId, 0);
    EXPECT_EQ(triangle->GetVertexBuffer(deviceId, device), first);  // cached while nothing changes
    root->ReleaseDirect3DBuffers();
    EXPECT_EQ(triangle->GetSubObjectSolidIndexBuffer(deviceId, 0), nullptr);
    auto second = triangle->GetVertexBuffer(deviceId, device);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(ReadBack<uint8_t>(second), ReadBack<uint8_t>(first));
    EXPECT_EQ(ReadBack<int32_t>(triangle->GetSubObjectSolidIndexBuffer(deviceId, 0)), ReadBack<int32_t>(indices));
}

TEST_F(RenderBuffers, VertexBytesAndEachFillModeOfASingleTriangle) {
    triangle->GetFace(0)->GetMaterial()->SetColor(static_cast<int32_t>(0x80FF4020u));
    auto vertices = triangle->GetVertexBuffer(deviceId, device);
    EXPECT_EQ(vertices->GetFormat(), 0x252);
    EXPECT_EQ(vertices->GetUsage(), VgxUsageWriteOnly);
    auto bytes = ReadBack<uint8_t>(vertices);
    ASSERT_EQ(bytes.size(), 132u);
    // Vertex 1: point (1, 0, 0), normal (0, 0, 1), the diffuse colour, UV (1, 0) and a second set copying it.
    float f[11];
    std::memcpy(f, bytes.data() + 44, sizeof f);
    EXPECT_EQ((Floats{f[0], f[1], f[5], f[7], f[8], f[9], f[10]}), (Floats{1, 0, 1, 1, 0, 1, 0}));
    uint32_t diffuse;
    std::memcpy(&diffuse, bytes.data() + 44 + 24, 4);
    EXPECT_EQ(diffuse, 0x80FF4020u);

    struct Case {
        int32_t quality, nonSolidIndices, nonSolidCount;
    };
    for (const Case& c : {Case{VgxFillWireframe, 6, 3}, Case{VgxFillPoints, 3, 3}, Case{VgxFillSolid, 0, 0},
                          Case{VgxFillOutline | VgxFillPoints, 6, 6}}) {
        SCOPED_TRACE(c.quality);
        triangle->SetQuality(c.quality | VgxShadeGouraud);
        vertices = triangle->GetVertexBuffer(deviceId, device);
        ASSERT_EQ(triangle->GetSubObjectCount(), 1);
        EXPECT_EQ((Ints{triangle->GetVertexBufferObjectVertexCount(), int32_t(vertices->GetLength()),
                        triangle->GetSubObjectSolidPrimitiveCount(0), triangle->GetSubObjectNonSolidPrimitiveCount(0)}),
                  (Ints{3, 3 * 44, 1, c.nonSolidCount}));
        auto lines = triangle->GetSubObjectNonSolidIndexBuffer(deviceId, 0);
        ASSERT_EQ(lines == nullptr, c.nonSolidIndices == 0);
        EXPECT_EQ(lines ? lines->GetLength() : 0, c.nonSolidIndices * 4u);
    }
    // Wireframe lines close the polygon first: (2, 0), (0, 1), (1, 2).
    triangle->SetQuality(VgxFillWireframe);
    triangle->GetVertexBuffer(deviceId, device);
    EXPECT_EQ(ReadBack<int32_t>(triangle->GetSubObjectNonSolidIndexBuffer(deviceId, 0)), (Ints{2, 0, 0, 1, 1, 2}));
    EXPECT_EQ(ReadBack<int32_t>(triangle->GetSubObjectSolidIndexBuffer(deviceId, 0)), (Ints{0, 1, 2}));
}

TEST_F(RenderBuffers, CornersShareVerticesOnlyWithinOneColour) {
    // A quad of two triangles; the shared corners have the same point, normal and UV.
    auto quad = root->CreateObject();
    quad->AddFaces(kPoints, kNormals, kUVs, {3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 2, 0, 0, 1, 0, 0, 3, 0, 0, 0}, true,
                   false);
    auto first = root->CreateMaterial(), second = root->CreateMaterial();
    quad->GetFace(0)->ApplyMaterial(first);
    quad->GetFace(1)->ApplyMaterial(second);
    // Attribute-equal but distinct materials are two sub-objects sharing vertices.
    EXPECT_EQ((Ints{quad->GetSubObjectCount(), quad->GetVertexBufferObjectVertexCount()}), (Ints{2, 4}));
    EXPECT_EQ(quad->GetSubObjectMaterial(1), second);
    second->SetColorRGBA(1, 0, 0, 1);
    quad->GetFace(1)->ApplyMaterial(second);  // marks the render data stale
    EXPECT_EQ(quad->GetVertexBufferObjectVertexCount(), 6);
    ExpectOutOfRange([&] { quad->GetSubObjectMaterial(2); });
    ExpectOutOfRange([&] { quad->GetSubObjectSolidPrimitiveCount(-1); });
}

TEST_F(RenderBuffers, SubObjectsFollowFirstUseOverManyFaces) {
    // More faces than one pass over the materials takes at a time: materials first
    // used late in the first stretch and early in the second keep face order.
    const vgx::test::ObjMesh bunny = vgx::test::ReadObj(vgx::test::TestDataPath("meshes/common/stanford-bunny.obj"));
    auto object = root->CreateObject();
    object->AddFaces(bunny.points, bunny.normals, bunny.uvs, bunny.faceData, true, false);
    ASSERT_GT(object->GetFaceCount(), 67000);
    const Materials added{root->CreateMaterial(), root->CreateMaterial(), root->CreateMaterial()};
    for (const auto& [face, material] : {std::pair{66000, 1}, {65000, 0}, {66001, 2}, {67000, 0}}) {
        object->GetFace(face)->ApplyMaterial(added[material]);
    }
    ASSERT_EQ(object->GetSubObjectCount(), 4);
    EXPECT_EQ((Materials{object->GetSubObjectMaterial(1), object->GetSubObjectMaterial(2),
                         object->GetSubObjectMaterial(3)}),
              added);
}

TEST_F(RenderBuffers, IndexWidthFollowsTheFirstDeviceAndOverflowsPast32768Vertices) {
    triangle->GetVertexBuffer(deviceId, Narrow());
    auto indices = triangle->GetSubObjectSolidIndexBuffer(deviceId, 0);
    EXPECT_EQ(indices->GetFormat(), VgxFormatIndex16);
    EXPECT_EQ(ReadBack<int16_t>(indices), (std::vector<int16_t>{0, 1, 2}));
    // Fixed for the object's life, whatever device asks later.
    const int32_t second = root->CreateDeviceID();
    triangle->GetVertexBuffer(second, device);
    EXPECT_EQ(triangle->GetSubObjectSolidIndexBuffer(second, 0)->GetFormat(), VgxFormatIndex16);
    auto wide = Triangle();
    wide->GetVertexBuffer(second, device);
    EXPECT_EQ(wide->GetSubObjectSolidIndexBuffer(second, 0)->GetFormat(), VgxFormatIndex32);
    auto triangles = wide->GetSubObjectD3DXMesh(second, 0, device);
    ASSERT_NE(triangles, nullptr);
    EXPECT_EQ((Ints{triangles->GetNumFaces(), triangles->GetNumVertices(), triangles->GetOptions()}),
              (Ints{1, 3, 0x221}));
    EXPECT_EQ(ReadBack<int32_t>(triangles->GetIndexBuffer()), (Ints{0, 1, 2}));

    // 10923 separate triangles: 32769 vertices.
    std::vector<VgxVector> points;
    Ints faceData;
    for (int32_t t = 0; t < 10923; ++t) {
        const auto x = static_cast<float>(t);
        points.insert(points.end(), {{x, 0, 0}, {x + 0.5f, 0, 0}, {x, 1, 0}});
        faceData.insert(faceData.end(), {3, 3 * t, 0, 0, 3 * t + 1, 0, 0, 3 * t + 2, 0, 0});
    }
    faceData.push_back(0);
    auto large = root->CreateObject();
    large->AddFaces(points, kNormals, kUVs, faceData, false, false);
    ExpectVgxError([&] { large->GetVertexBuffer(deviceId, Narrow()); }, 6, "VgxObject", "Overflow");
    EXPECT_EQ(Internals(*large).Base().D3DVertexBuffer[deviceId], nullptr);
}

TEST_F(RenderBuffers, MissingUVsAndNormalsAreRepairedAndLogged) {
    // Faces indexing pools that hold points only.
    auto bare = root->CreateObject();
    for (int32_t p = 0; p < 3; ++p) bare->AddOptimizedPoint(kPoints[p]);
    bare->SetName("bare");
    bare->AddFacesIndexed({3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, false);
    vgx::test::ClearLog();
    EXPECT_EQ(bare->GetSubObjectCount(), 1);
    EXPECT_EQ(vgx::test::LogMessages(), (std::vector<std::string>{"Recovered from missing UV for object: bare",
                                                                   "Recovered from missing Normal for object: bare"}));
    EXPECT_EQ(bare->GetUVCount(), 1);
    EXPECT_EQ(bare->GetNormal(0).Z, 0);
    auto vertices = ReadBack<vgx::RenderVertex>(bare->GetVertexBuffer(deviceId, device));
    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_EQ((Floats{vertices[2].Position[1], vertices[2].UV0[0]}), (Floats{1, 0}));
}

TEST_F(RenderBuffers, MovingAPointRewritesOnlyItsVertices) {
    auto source = vgx::test::ReadObj(vgx::test::TestDataPath("meshes/common/suzanne.obj"));
    auto object = root->CreateObject();
    object->AddFaces(source.points, source.normals, source.uvs, source.faceData, true, false);
    auto buffer = object->GetVertexBuffer(deviceId, device);
    auto before = ReadBack<vgx::RenderVertex>(buffer);
    const VgxVector p = object->GetPoint(7);
    object->SetPoint(7, {p.X + 1, p.Y, p.Z});
    EXPECT_EQ(RenderState(*object), 2);
    auto moved = object->GetVertexBuffer(deviceId, device);
    EXPECT_NE(moved, buffer);
    auto after = ReadBack<vgx::RenderVertex>(moved);
    ASSERT_EQ(after.size(), before.size());
    Ints listed;
    Internals(*object).render.object.pointVertices.ForEach(7, [&](int32_t v) { listed.push_back(v); });
    ASSERT_FALSE(listed.empty());
    for (size_t v = 0; v < after.size(); ++v) {
        const bool ofPoint = std::find(listed.begin(), listed.end(), static_cast<int32_t>(v)) != listed.end();
        EXPECT_EQ((Floats{after[v].Position[0], after[v].Position[1]}),
                  (Floats{before[v].Position[0] + (ofPoint ? 1.0f : 0.0f), before[v].Position[1]}))
            << v;
    }
    EXPECT_EQ(object->GetSubObjectSolidPrimitiveCount(0) * 3,
              static_cast<int32_t>(object->GetSubObjectSolidIndexBuffer(deviceId, 0)->GetLength() / 4));
}

// Separate unit squares; moving corner 1 of each to (0.3, 0.7) makes it concave
// there, which changes the diagonal its two triangles are cut along.
// Split faces (up to 4000 points) and fanned ones (more).
TEST_F(RenderBuffers, APartialRebuildDrawsWhatAFullOneDraws) {
    for (const int kSquares : {4, 1001}) {
        std::vector<VgxVector> points;
        Ints faceData;
        for (int q = 0; q < kSquares; ++q) {
            const auto x = static_cast<float>(2 * q);
            const int32_t first = static_cast<int32_t>(points.size());
            points.insert(points.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x + 1, 1, 0}, {x, 1, 0}});
            faceData.push_back(4);
            for (int32_t k = 0; k < 4; ++k) faceData.insert(faceData.end(), {first + k, 0, k});
        }
        faceData.push_back(0);
        auto edited = root->CreateObject();
        edited->AddFaces(points, kNormals, kUVs, faceData, false, false);
        edited->GetVertexBuffer(deviceId, device);
        const auto expectAsFresh = [&](const char* moves) {
            ASSERT_EQ(RenderState(*edited), 2) << moves << " " << kSquares;
            auto fresh = root->CreateObject();
            fresh->AddFaces(points, kNormals, kUVs, faceData, false, false);
            EXPECT_EQ(ReadBack<uint8_t>(edited->GetVertexBuffer(deviceId, device)),
                      ReadBack<uint8_t>(fresh->GetVertexBuffer(deviceId, device)))
                << moves << " " << kSquares;
            EXPECT_EQ(ReadBack<int32_t>(edited->GetSubObjectSolidIndexBuffer(deviceId, 0)),
                      ReadBack<int32_t>(fresh->GetSubObjectSolidIndexBuffer(deviceId, 0)))
                << moves << " " << kSquares;
        };
        // A few points, one of them twice: they are listed as they move.
        for (int q = 0; q < kSquares; ++q) {
            points[4 * q + 1] = {2.0f * q + 0.3f, 0.7f, 0};
            edited->SetPoint(4 * q + 1, points[4 * q + 1]);
        }
        edited->SetPoint(1, {5, 5, 5});
        edited->SetPoint(1, points[1]);
        expectAsFresh("a few");
        // Too many to list, then every point at once.
        for (int32_t p = 15; p >= 0; p -= 3) edited->SetPoint(p, points[p] = {points[p].Y, points[p].X, 0});
        expectAsFresh("many");
        for (VgxVector& p : points) p.Z += 1;
        edited->Translate({0, 0, 1});
        expectAsFresh("all");
    }
}

}  // namespace
