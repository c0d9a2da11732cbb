#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "scene/frame_expect.h"
#include "support/internals.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

namespace fs = std::filesystem;
using vgx::test::ExpectVgxError;

// A file of the .x test data; XFile("") is its folder.
std::string XFile(const std::string& name) { return vgx::test::TestDataPath("x/" + name); }

// A file of the scratch folder holding `text`; returns its path.
std::string WriteScratch(const std::string& name, const std::string& text) {
    const std::string path = vgx::test::ScratchFolder() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

template <class Array>
auto Elements(const std::shared_ptr<Array>& array) {
    std::vector<decltype(array->GetElement(0))> out;
    for (int32_t i = 0; i < array->GetSize(); ++i) out.push_back(array->GetElement(i));
    return out;
}
auto Children(const std::shared_ptr<VgxGroup>& group) { return Elements(group->GetChildren()); }
auto Objects(const std::shared_ptr<VgxGroup>& group) { return Elements(group->GetObjects()); }

// A group's subtree on one line: its objects as name:faces, then its children as name(...).
std::string Tree(const std::shared_ptr<VgxGroup>& group) {
    std::string out;
    for (const auto& object : Objects(group))
        out += " " + object->GetName() + ":" + std::to_string(object->GetFaceCount());
    for (const auto& child : Children(group)) out += " " + child->GetName() + "(" + Tree(child) + ")";
    return out;
}

// The texture name of each material an object's faces use, "none" for one without a texture.
std::multiset<std::string> Textures(const std::shared_ptr<VgxObject>& object) {
    std::set<std::shared_ptr<VgxMaterial>> materials;
    for (int32_t f = 0; f < object->GetFaceCount(); ++f) materials.insert(object->GetFace(f)->GetMaterial());
    std::multiset<std::string> names;
    for (const auto& m : materials) names.insert(m->GetTexture() ? m->GetTexture()->GetTextureName() : "none");
    return names;
}

struct XFileLoad : ::testing::Test {
    void SetUp() override {
        root->SetMessageBoxHandler(
            [this](const std::string& text, const std::string&, int32_t) { shown.push_back(text); });
    }
    // Every load is silent unless a test expects otherwise, and leaves no temporary mesh file.
    void TearDown() override {
        EXPECT_EQ(shown, expectShown);
        for (const auto& entry : fs::directory_iterator(vgx::test::ScratchFolder())) {
            EXPECT_NE(entry.path().filename().string().rfind("~VRL", 0), 0u) << entry.path();
        }
    }
    // Loads `path` below a new top group and returns the one container the load puts there.
    std::shared_ptr<VgxGroup> Load(const std::string& path) {
        auto top = root->CreateGroup(nullptr);
        top->Load(path);
        return Children(top).at(0);
    }
    // The first object of the first group below `container`.
    static std::shared_ptr<VgxObject> FirstObject(const std::shared_ptr<VgxGroup>& container) {
        return Objects(Children(container).at(0)).at(0);
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
    std::vector<std::string> shown, expectShown;
};

TEST_F(XFileLoad, FramesBecomeGroupsBelowAContainer) {
    auto container = Load(WriteScratch("frames.x", R"(xof 0303txt 0032
Mesh Loose { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
Frame A { Frame B { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,2,3,1;; }
                    Mesh Tri { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 1; 4;0,1,2,3;; } }
          Frame { } })"));
    // A mesh outside every frame lands in the container, the others in their frame's
    // group; a frame without a name is called Group.
    EXPECT_EQ(Tree(container), " Loose:1 A( B( Tri:1) Group())");
    auto a = Children(container).at(0);
    VgxMatrix local;
    a->GetLocalTransform(local);
    vgx::test::ExpectSameBits(local, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    VgxVector position;
    Children(a)[0]->GetPosition(0, a, position);
    vgx::test::ExpectVectorNear(position, {1, 2, 3}, 1e-6f);
    auto quad = Objects(Children(a)[0])[0];
    EXPECT_EQ((std::tuple{quad->GetPointCount(), quad->GetFace(0)->GetPointCount()}), (std::tuple{4, 4}));
}

// Scaled and mirrored frames: groups take the rigid part, the meshes the rest, so
// every point stands where the file puts it and faces keep facing outwards.
TEST_F(XFileLoad, ScaledAndMirroredFramesKeepWorldPositions) {
    auto container = Load(WriteScratch("mirrored.x", R"(xof 0303txt 0032
Frame Top { FrameTransformMatrix { -2,0,0,0, 0,2,0,0, 0,0,2,0, 5,0,0,1;; }
  Frame Inner { FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,3,0, 0,0,1,1;; }
                Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } } })"));
    EXPECT_EQ(Tree(container), " Top( Inner( Tri:1))");
    auto inner = Children(Children(container).at(0)).at(0);
    auto object = Objects(inner).at(0);
    std::vector<VgxVector> loaded(3);
    for (int k = 0; k < 3; ++k) inner->Transform(loaded[k], object->GetPoint(object->GetFace(0)->GetPointID(k)));
    // Through Inner then Top the file's corners land at (5, 0, 2), (5, 2, 2) and (7, 0, 2).
    // The face turns about +z, and its normal taken through the frames (the inverse
    // transpose) still points along +z: although Top mirrors x, the loaded face must
    // turn that way, so its corners come in the other order.
    const VgxVector expected[] = {{5, 0, 2}, {7, 0, 2}, {5, 2, 2}};
    auto byXPlusY = [](const VgxVector& p, const VgxVector& q) { return p.X + p.Y < q.X + q.Y; };
    std::rotate(loaded.begin(), std::min_element(loaded.begin(), loaded.end(), byXPlusY), loaded.end());
    for (int k = 0; k < 3; ++k) vgx::test::ExpectVectorNear(loaded[k], expected[k], 1e-4f);
}

// World positions of an object's points, through the group holding it.
std::vector<VgxVector> WorldPoints(const std::shared_ptr<VgxGroup>& group, const VgxObject& object) {
    std::vector<VgxVector> points(static_cast<size_t>(object.GetPointCount()));
    for (int32_t p = 0; p < object.GetPointCount(); ++p) group->Transform(points[p], object.GetPoint(p));
    return points;
}

// A skinned mesh stands where its bones put it; the frame holding it plays no part
// except for points no bone weighs.
TEST_F(XFileLoad, SkinnedMeshesStandWhereTheirBonesPutThem) {
    // Bone B turns +x to +y and moves 2 along x. Corner 0 follows it wholly, corner 1
    // by half (the weights are used as given), corner 2 keeps its frame's placement.
    // The one normal, shared by every corner, turns with corner 0.
    auto container = Load(WriteScratch("skinned.x", R"(xof 0303txt 0032
Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,5,1;; }
  Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
    MeshNormals { 1; 1;0;0;; 1; 3;0,0,0;; }
    SkinWeights { "B"; 2; 0, 1; 1.0, 0.5; 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; } } }
Frame B { FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,1,0, 2,0,0,1;; } })"));
    auto frame = Children(container).at(0);
    auto triangle = Objects(frame).at(0);
    std::vector<VgxVector> corners(3);
    for (int k = 0; k < 3; ++k) frame->Transform(corners[k], triangle->GetPoint(triangle->GetFace(0)->GetPointID(k)));
    const VgxVector expected[] = {{2, 0, 0}, {1, 0.5f, 0}, {0, 1, 5}};
    for (int k = 0; k < 3; ++k) vgx::test::ExpectVectorNear(corners[k], expected[k], 1e-5f);
    VgxVector point, normal;
    VgxUV uv;
    triangle->GetFace(0)->GetPoint(2, point, normal, uv);
    vgx::test::ExpectVectorNear(normal, {0, 1, 0}, 1e-5f);

    // The public cylinder bends over its two joints; two of its four bones name no
    // frame and stand at the origin. Placed by its frame instead, it would reach y = 5.
    auto cylinder = Load(XFile("anim_test.x"));
    auto shape = Children(cylinder).at(0);
    const std::vector<VgxVector> points = WorldPoints(shape, *Objects(shape).at(0));
    const auto [low, high] = std::minmax_element(points.begin(), points.end(),
                                                 [](const VgxVector& a, const VgxVector& b) { return a.Y < b.Y; });
    EXPECT_NEAR(low->Y, -5.0f, 1e-3f);
    EXPECT_NEAR(high->Y, 1.6666f, 1e-3f);
}

TEST_F(XFileLoad, PublicFilesLoadWithTheirCounts) {
    root->AddSearchPath(XFile(""), 1);
    auto cube = Load(XFile("test.x"));
    EXPECT_EQ(Tree(cube), " pCube1( pCubeShape1:12)");
    EXPECT_EQ(FirstObject(cube)->GetPointCount(), 8);  // 24 vertices at the 8 corners
    EXPECT_EQ(Textures(FirstObject(cube)), std::multiset<std::string>{"test.PNG"});
    // Three bitmaps, one per material, found beside the file although it names them
    // by an absolute Windows path.
    auto box = Load(XFile("kwxport_test_cubewithvcolors.x"));
    EXPECT_EQ(Tree(box), " Box01( mesh_Box01:12)");
    EXPECT_EQ(Textures(FirstObject(box)), (std::multiset<std::string>{"bottom.TGA", "top.TGA", "updown.TGA"}));
    auto dinosaur = Load(XFile("fromtruespace_bin32.x"));
    EXPECT_EQ(Tree(dinosaur), " FeedTheDinoGPU-0( FeedTheDinoGPUMesh:6656)");
    EXPECT_EQ(Textures(FirstObject(dinosaur)).size(), 1u);
    auto cylinder = Load(XFile("anim_test.x"));
    EXPECT_EQ(Tree(cylinder), " pCylinder1( pCylinderShape1:840) joint1( joint2()) ikHandle1()");
    auto joints = Children(cylinder).at(1);
    VgxVector joint2;
    Children(joints).at(0)->GetPosition(0, joints, joint2);
    EXPECT_NEAR(joint2.X, 3.043184f, 1e-5f);
    // The reader gives one scene for all three forms of the cube: each loads through its mirroring Root.
    for (const char* name : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x"})
        EXPECT_EQ(Tree(Load(XFile(name))), " Root( Cube( Cube:12))") << name;
}

TEST_F(XFileLoad, UnreadableFilesChangeNothing) {
    auto object = root->CreateObject();
    object->Load(XFile("test.x"));
    object->SetName("kept");
    const int32_t faces = object->GetFaceCount();
    ExpectVgxError([&] { object->Load(XFile("") + "no such file.x"); }, VgxErrFileNotFound, "VgxObject",
                   "File not found: " + XFile("") + "no such file.x");
    for (const char* name : {"empty.x", "OV_GetNextToken", "malformed_skinweights_oob.x"}) {
        try {
            object->Load(XFile(name));
            ADD_FAILURE() << name << " loaded";
        } catch (const VgxError& error) {
            EXPECT_EQ(error.Number, VgxErrInvalidFileFormat) << name;
            EXPECT_EQ(error.Source, "VgxObject");
            EXPECT_EQ(error.Description.rfind("Invalid file format: " + XFile(name) + ": ", 0), 0u)
                << error.Description;
        }
        EXPECT_EQ((std::tuple{object->GetFaceCount(), object->GetName()}), (std::tuple{faces, "kept"}));
        scene->Load(XFile(name));
        EXPECT_EQ(ChildCount(*scene), 0);
    }
    expectShown.assign(3, "File Format Invalid.");
}

TEST_F(XFileLoad, ObjectLoadMergesMeshesAndSharesEqualMaterials) {
    auto object = root->CreateObject();
    object->Load(WriteScratch("two.x", R"(xof 0303txt 0032
Material Red { 1;0;0;1;; 10; 0;0;0;; 0;0;0;; }
Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,5,1;; }
  Mesh First { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; { Red } } } }
Mesh Second { 3; 0;0;0;, 1;0;0;, 0;1;0;; 2; 3;0,1,2;, 3;2,1,0;;
  MeshMaterialList { 2; 2; 0, 1;; Material { 1;0;0;1;; 10; 0;0;0;; 0;0;0;; }
                                  Material { 0;0;1;1;; 10; 0;0;0;; 0;0;0;; } } })"));
    // The first mesh stands 5 along z.
    EXPECT_EQ((std::tuple{object->GetName(), object->GetFaceCount(), object->GetPointCount()}),
              (std::tuple{"First", 3, 6}));
    EXPECT_FLOAT_EQ(object->GetBoundingBox().Max.Z, 5.0f);
    auto red = object->GetFace(0)->GetMaterial();
    EXPECT_EQ((std::tuple{object->GetFace(1)->GetMaterial(), red->GetColor(), red->GetPower()}),
              (std::tuple{red, root->CreateColorRGBA(1, 0, 0, 1), 10.0f}));
    EXPECT_NE(object->GetFace(2)->GetMaterial(), red);
    // Without normals in the file, the points get the faces' normals.
    EXPECT_FLOAT_EQ(std::fabs(object->GetNormal(object->GetFace(0)->GetNormalID(0)).Z), 1.0f);
}

TEST_F(XFileLoad, FrameHierarchyArraysCarryTheAnimation) {
    std::vector<int32_t> parent, objectParent, keyCount, animationType, keyType;
    std::vector<std::string> names;
    std::vector<float> px, py, pz, dx, dy, dz, ux, uy, uz, time, kx, ky, kz, ks;
    auto convert = [&](const std::string& path) {
        return root->lngConvertFrameHierarchy(path, parent, names, px, py, pz, dx, dy, dz, ux, uy, uz, objectParent,
                                              keyCount, animationType, keyType, time, kx, ky, kz, ks);
    };
    EXPECT_EQ(convert(XFile("anim_test.x")), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"", "pCylinder1", "joint1", "joint2", "ikHandle1"}));
    EXPECT_EQ(parent, (std::vector<int32_t>{0, 0, 0, 2, 0}));
    EXPECT_EQ(objectParent, (std::vector<int32_t>{1}));
    // Each frame's rotation and position keys (24 of each); scale keys have no place.
    const int32_t both = VgxAnimationScaleAndRotation | VgxAnimationPosition;
    for (size_t i = 1; i < keyCount.size(); ++i) {
        EXPECT_EQ((std::tuple{keyCount[i], animationType[i] & both}), (std::tuple{48, both})) << names[i];
    }
    ASSERT_EQ(keyType.size(), 48 * (keyCount.size() - 1));
    // pCylinder1's first key: the file's quaternion (-1, 0, 0, 0), a half turn of nothing.
    EXPECT_EQ((std::tuple{keyType[0], time[0], ks[0], keyType[24]}),
              (std::tuple{VgxAnimationRotateKey, 1.0f, -1.0f, VgxAnimationPositionKey}));
    fs::remove(vgx::test::ScratchFolder() + "/~VRL0.x");
    ExpectVgxError([&] { convert(XFile("") + "missing.x"); }, VgxErrFileNotFound, "Vgx",
                   "File not found: " + XFile("") + "missing.x");
}

}  // namespace
