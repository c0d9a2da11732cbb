#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

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

std::vector<std::string> TemporaryMeshFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(vgx::test::ScratchFolder())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("~VRL", 0) == 0) names.push_back(name);
    }
    return names;
}

std::vector<std::shared_ptr<VgxGroup>> Children(const std::shared_ptr<VgxGroup>& group) {
    auto children = group->GetChildren();
    std::vector<std::shared_ptr<VgxGroup>> result;
    for (int32_t i = 0; i < children->GetSize(); ++i) result.push_back(children->GetElement(i));
    return result;
}

std::vector<std::shared_ptr<VgxObject>> Objects(const std::shared_ptr<VgxGroup>& group) {
    auto objects = group->GetObjects();
    std::vector<std::shared_ptr<VgxObject>> result;
    for (int32_t i = 0; i < objects->GetSize(); ++i) result.push_back(objects->GetElement(i));
    return result;
}

// The single child of `group`, which must have exactly one.
std::shared_ptr<VgxGroup> OnlyChild(const std::shared_ptr<VgxGroup>& group) {
    auto children = Children(group);
    EXPECT_EQ(children.size(), 1u);
    return children.empty() ? nullptr : children[0];
}

std::set<std::shared_ptr<VgxMaterial>> FaceMaterials(const std::shared_ptr<VgxObject>& object) {
    std::set<std::shared_ptr<VgxMaterial>> materials;
    for (int32_t f = 0; f < object->GetFaceCount(); ++f) materials.insert(object->GetFace(f)->GetMaterial());
    return materials;
}

class XFileLoad : public ::testing::Test {
protected:
    // Loads a file of one frame below a new top group and returns that frame's only
    // object, after checking the frame's name.
    std::shared_ptr<VgxObject> LoadSingleFrame(const std::string& file, const std::string& frameName) {
        auto top = root->CreateGroup(nullptr);
        top->Load(XFile(file));
        auto frame = OnlyChild(OnlyChild(top));
        if (!frame) return nullptr;
        EXPECT_EQ(frame->GetName(), frameName);
        auto objects = Objects(frame);
        EXPECT_EQ(objects.size(), 1u) << file;
        return objects.size() == 1 ? objects[0] : nullptr;
    }

    void SetUp() override {
        root->SetMessageBoxHandler([this](const std::string& text, const std::string&, int32_t) { shown.push_back(text); });
    }
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
    std::vector<std::string> shown;
};

constexpr const char* kTwoFrames = R"(xof 0303txt 0032
Mesh Loose {
 3; 0;0;0;, 1;0;0;, 0;1;0;;
 1; 3;0,1,2;;
}
Frame A {
 Frame B {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,2,3,1;; }
  Mesh Tri {
   4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
   1; 4;0,1,2,3;;
  }
 }
 Frame { }
}
)";

TEST_F(XFileLoad, FramesBecomeGroupsBelowAContainer) {
    scene->Load(WriteScratch("frames.x", kTwoFrames));
    auto container = OnlyChild(scene);
    ASSERT_TRUE(container);
    auto a = OnlyChild(container);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->GetName(), "A");
    VgxMatrix local;
    a->GetLocalTransform(local);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(local.m[k], k % 5 == 0 ? 1.0f : 0.0f);

    auto aChildren = Children(a);
    ASSERT_EQ(aChildren.size(), 2u);
    EXPECT_EQ(aChildren[0]->GetName(), "B");
    EXPECT_EQ(aChildren[1]->GetName(), "Group");  // a frame without a name
    VgxVector position;
    aChildren[0]->GetPosition(0, a, position);
    EXPECT_FLOAT_EQ(position.X, 1);
    EXPECT_FLOAT_EQ(position.Y, 2);
    EXPECT_FLOAT_EQ(position.Z, 3);

    // A mesh outside every frame lands in the container, the others in their frame's group.
    auto loose = Objects(container);
    ASSERT_EQ(loose.size(), 1u);
    EXPECT_EQ(loose[0]->GetName(), "Loose");
    EXPECT_EQ(loose[0]->GetFaceCount(), 1);
    auto quads = Objects(aChildren[0]);
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(quads[0]->GetName(), "Tri");
    EXPECT_EQ(quads[0]->GetPointCount(), 4);
    EXPECT_EQ(quads[0]->GetFace(0)->GetPointCount(), 4);
    EXPECT_TRUE(Objects(a).empty());
    EXPECT_TRUE(TemporaryMeshFiles().empty());
    EXPECT_TRUE(shown.empty());
}

// Scaled and mirrored frames: groups take the rigid part, the meshes the rest, so
// every point stands where the file puts it and faces keep facing outwards.
TEST_F(XFileLoad, ScaledAndMirroredFramesKeepWorldPositions) {
    const double top[16] = {-2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 5, 0, 0, 1};
    const double inner[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 3, 0, 0, 0, 1, 1};
    scene->Load(WriteScratch("mirrored.x", R"(xof 0303txt 0032
Frame Top {
 FrameTransformMatrix { -2,0,0,0, 0,2,0,0, 0,0,2,0, 5,0,0,1;; }
 Frame Inner {
  FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,3,0, 0,0,1,1;; }
  Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
 }
}
)"));
    auto topGroup = OnlyChild(OnlyChild(scene));
    ASSERT_TRUE(topGroup);
    auto innerGroup = OnlyChild(topGroup);
    ASSERT_TRUE(innerGroup);
    auto objects = Objects(innerGroup);
    ASSERT_EQ(objects.size(), 1u);
    auto face = objects[0]->GetFace(0);

    auto world = [&](const double p[3]) {
        double a[3], b[3];
        for (int c = 0; c < 3; ++c) a[c] = p[0] * inner[c] + p[1] * inner[4 + c] + p[2] * inner[8 + c] + inner[12 + c];
        for (int c = 0; c < 3; ++c) b[c] = a[0] * top[c] + a[1] * top[4 + c] + a[2] * top[8 + c] + top[12 + c];
        return VgxVector{static_cast<float>(b[0]), static_cast<float>(b[1]), static_cast<float>(b[2])};
    };
    const double file[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    std::vector<VgxVector> expected, loaded;
    for (const auto& p : file) expected.push_back(world(p));
    for (int k = 0; k < 3; ++k) {
        VgxVector p;
        innerGroup->Transform(p, objects[0]->GetPoint(face->GetPointID(k)));
        loaded.push_back(p);
    }
    for (const VgxVector& e : expected) {
        const bool found = std::any_of(loaded.begin(), loaded.end(), [&](const VgxVector& p) {
            return std::fabs(p.X - e.X) < 1e-4f && std::fabs(p.Y - e.Y) < 1e-4f && std::fabs(p.Z - e.Z) < 1e-4f;
        });
        EXPECT_TRUE(found) << e.X << " " << e.Y << " " << e.Z;
    }
    // The file's face turns about +z, and its normal taken through the frames (the
    // inverse transpose) still points along +z: the loaded face must turn that way
    // although Top mirrors x.
    const VgxVector u{loaded[1].X - loaded[0].X, loaded[1].Y - loaded[0].Y, loaded[1].Z - loaded[0].Z};
    const VgxVector v{loaded[2].X - loaded[1].X, loaded[2].Y - loaded[1].Y, loaded[2].Z - loaded[1].Z};
    EXPECT_GT(u.X * v.Y - u.Y * v.X, 0.0f) << "the face turned inside out";
}

TEST_F(XFileLoad, PublicFilesLoadWithTheirCounts) {
    root->AddSearchPath(XFile(""), 1);

    auto cube = LoadSingleFrame("test.x", "pCube1");
    ASSERT_TRUE(cube);
    EXPECT_EQ(cube->GetName(), "pCubeShape1");
    EXPECT_EQ(cube->GetFaceCount(), 12);
    EXPECT_EQ(cube->GetPointCount(), 8);  // 24 vertices at the 8 corners
    auto materials = FaceMaterials(cube);
    ASSERT_EQ(materials.size(), 1u);
    ASSERT_TRUE((*materials.begin())->GetTexture());
    EXPECT_EQ((*materials.begin())->GetTexture()->GetTextureName(), "test.PNG");

    // Three bitmaps, one per material, found beside the file although it names them
    // by an absolute Windows path.
    auto box = LoadSingleFrame("kwxport_test_cubewithvcolors.x", "Box01");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->GetFaceCount(), 12);
    std::set<std::string> textures;
    for (const auto& material : FaceMaterials(box)) {
        ASSERT_TRUE(material->GetTexture());
        textures.insert(material->GetTexture()->GetTextureName());
    }
    EXPECT_EQ(textures, (std::set<std::string>{"bottom.TGA", "top.TGA", "updown.TGA"}));

    auto dinosaur = LoadSingleFrame("fromtruespace_bin32.x", "FeedTheDinoGPU-0");
    ASSERT_TRUE(dinosaur);
    EXPECT_EQ(dinosaur->GetFaceCount(), 6656);
    EXPECT_EQ(FaceMaterials(dinosaur).size(), 1u);

    auto cylinder = root->CreateGroup(nullptr);
    cylinder->Load(XFile("anim_test.x"));
    auto frames = Children(OnlyChild(cylinder));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0]->GetName(), "pCylinder1");
    EXPECT_EQ(frames[1]->GetName(), "joint1");
    EXPECT_EQ(frames[2]->GetName(), "ikHandle1");
    ASSERT_EQ(Children(frames[1]).size(), 1u);
    EXPECT_EQ(Children(frames[1])[0]->GetName(), "joint2");
    auto skin = Objects(frames[0]);
    ASSERT_EQ(skin.size(), 1u);
    EXPECT_EQ(skin[0]->GetFaceCount(), 840);
    VgxVector joint2;
    Children(frames[1])[0]->GetPosition(0, frames[1], joint2);
    EXPECT_NEAR(joint2.X, 3.043184f, 1e-5f);
    EXPECT_TRUE(TemporaryMeshFiles().empty());
    EXPECT_TRUE(shown.empty());
}

// The text, binary and compressed forms of one cube load to the same mesh, through
// a parent frame that swaps y and z (a mirror).
TEST_F(XFileLoad, TextBinaryAndCompressedCubesAgree) {
    std::vector<std::vector<VgxVector>> worlds;
    for (const char* name : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x"}) {
        auto group = root->CreateGroup(nullptr);
        group->Load(XFile(name));
        auto rootFrame = OnlyChild(OnlyChild(group));
        ASSERT_TRUE(rootFrame) << name;
        EXPECT_EQ(rootFrame->GetName(), "Root");
        auto cubeFrame = OnlyChild(rootFrame);
        ASSERT_TRUE(cubeFrame) << name;
        EXPECT_EQ(cubeFrame->GetName(), "Cube");
        auto objects = Objects(cubeFrame);
        ASSERT_EQ(objects.size(), 1u) << name;
        EXPECT_EQ(objects[0]->GetFaceCount(), 12) << name;
        EXPECT_EQ(objects[0]->GetPointCount(), 8) << name;
        std::vector<VgxVector> points(8);
        for (int32_t p = 0; p < 8; ++p) cubeFrame->Transform(points[p], objects[0]->GetPoint(p));
        worlds.push_back(points);
    }
    ASSERT_EQ(worlds.size(), 3u);
    for (int32_t p = 0; p < 8; ++p) {
        for (size_t form = 1; form < 3; ++form) {
            EXPECT_NEAR(worlds[form][p].X, worlds[0][p].X, 1e-6f);
            EXPECT_NEAR(worlds[form][p].Y, worlds[0][p].Y, 1e-6f);
            EXPECT_NEAR(worlds[form][p].Z, worlds[0][p].Z, 1e-6f);
        }
    }
    EXPECT_TRUE(shown.empty());
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
        EXPECT_EQ(object->GetFaceCount(), faces);
        EXPECT_EQ(object->GetName(), "kept");

        scene->Load(XFile(name));
        EXPECT_EQ(ChildCount(*scene), 0);
    }
    EXPECT_EQ(shown, std::vector<std::string>(3, "File Format Invalid."));
    EXPECT_TRUE(TemporaryMeshFiles().empty());
}

TEST_F(XFileLoad, ObjectLoadMergesMeshesAndSharesEqualMaterials) {
    auto object = root->CreateObject();
    object->Load(WriteScratch("two.x", R"(xof 0303txt 0032
Material Red { 1;0;0;1;; 10; 0;0;0;; 0;0;0;; }
Frame F {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,5,1;; }
 Mesh First {
  3; 0;0;0;, 1;0;0;, 0;1;0;;
  1; 3;0,1,2;;
  MeshMaterialList { 1; 1; 0;; { Red } }
 }
}
Mesh Second {
 3; 0;0;0;, 1;0;0;, 0;1;0;;
 2; 3;0,1,2;, 3;2,1,0;;
 MeshMaterialList { 2; 2; 0, 1;;
  Material { 1;0;0;1;; 10; 0;0;0;; 0;0;0;; }
  Material { 0;0;1;1;; 10; 0;0;0;; 0;0;0;; }
 }
}
)"));
    EXPECT_EQ(object->GetName(), "First");
    ASSERT_EQ(object->GetFaceCount(), 3);
    EXPECT_EQ(object->GetPointCount(), 6);  // the first mesh stands 5 along z
    EXPECT_FLOAT_EQ(object->GetBoundingBox().Max.Z, 5.0f);
    auto red = object->GetFace(0)->GetMaterial();
    EXPECT_EQ(object->GetFace(1)->GetMaterial(), red);
    EXPECT_NE(object->GetFace(2)->GetMaterial(), red);
    EXPECT_EQ(red->GetColor(), root->CreateColorRGBA(1, 0, 0, 1));
    EXPECT_FLOAT_EQ(red->GetPower(), 10);
    // Without normals in the file, the points get the faces' normals.
    const VgxVector n = object->GetNormal(object->GetFace(0)->GetNormalID(0));
    EXPECT_FLOAT_EQ(std::fabs(n.Z), 1.0f);
}

TEST_F(XFileLoad, FrameHierarchyArraysCarryTheAnimation) {
    std::vector<int32_t> parent, objectParent, keyCount, animationType, keyType;
    std::vector<std::string> names;
    std::vector<float> px, py, pz, dx, dy, dz, ux, uy, uz, time, kx, ky, kz, ks;
    const int32_t last = root->lngConvertFrameHierarchy(XFile("anim_test.x"), parent, names, px, py, pz, dx, dy,
                                                        dz, ux, uy, uz, objectParent, keyCount, animationType, keyType,
                                                        time, kx, ky, kz, ks);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(names, (std::vector<std::string>{"", "pCylinder1", "joint1", "joint2", "ikHandle1"}));
    EXPECT_EQ(parent, (std::vector<int32_t>{0, 0, 0, 2, 0}));
    EXPECT_EQ(objectParent, (std::vector<int32_t>{1}));
    // Each frame's rotation and position keys (24 of each); scale keys have no place.
    int32_t total = 0;
    for (size_t i = 1; i < keyCount.size(); ++i) {
        EXPECT_EQ(keyCount[i], 48) << names[i];
        EXPECT_EQ(animationType[i] & (VgxAnimationScaleAndRotation | VgxAnimationPosition),
                  VgxAnimationScaleAndRotation | VgxAnimationPosition);
        total += keyCount[i];
    }
    ASSERT_EQ(keyType.size(), static_cast<size_t>(total));
    // pCylinder1's first key: the file's quaternion (-1, 0, 0, 0), a half turn of nothing.
    EXPECT_EQ(keyType[0], VgxAnimationRotateKey);
    EXPECT_FLOAT_EQ(time[0], 1);
    EXPECT_FLOAT_EQ(ks[0], -1);
    EXPECT_EQ(keyType[24], VgxAnimationPositionKey);
    fs::remove(vgx::test::ScratchFolder() + "/~VRL0.x");

    ExpectVgxError(
        [&] {
            root->lngConvertFrameHierarchy(XFile("") + "missing.x", parent, names, px, py, pz, dx, dy, dz, ux, uy, uz,
                                           objectParent, keyCount, animationType, keyType, time, kx, ky, kz, ks);
        },
        VgxErrFileNotFound, "Vgx", "File not found: " + XFile("") + "missing.x");
}

}  // namespace
