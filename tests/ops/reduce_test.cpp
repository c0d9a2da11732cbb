#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "root/library_state.h"
#include "support/mesh_checks.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

namespace fs = std::filesystem;
using vgx::test::ExpectVgxError;
using vgx::test::LogMessages;

// A flat columns x rows grid of points in the z = 0 plane, quads facing +z, one UV
// per point: (columns x rows) vertices for the simplifier.
void AddGrid(VgxObject& object, int32_t columns, int32_t rows) {
    std::vector<VgxVector> points;
    std::vector<VgxUV> uvs;
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            points.push_back({static_cast<float>(c), static_cast<float>(r), 0});
            uvs.push_back({static_cast<float>(c) / (columns - 1), static_cast<float>(r) / (rows - 1)});
        }
    }
    std::vector<int32_t> faceData;
    for (int32_t r = 0; r + 1 < rows; ++r) {
        for (int32_t c = 0; c + 1 < columns; ++c) {
            const int32_t p = r * columns + c;
            faceData.push_back(4);
            for (int32_t q : {p, p + 1, p + columns + 1, p + columns}) faceData.insert(faceData.end(), {q, 0, q});
        }
    }
    faceData.push_back(0);
    object.AddFaces(points, {{0, 0, 1}}, uvs, faceData, true, false);
}

std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& line : lines) {
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
}

bool TemporaryFileLeft(const std::string& name) { return fs::exists(vgx::test::ScratchFolder() + "/" + name); }

class Reduce : public ::testing::Test {
protected:
    void SetUp() override { vgx::test::ClearLog(); }
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> object = root->CreateObject();
};

TEST_F(Reduce, TargetsAShareOfTheVertices) {
    AddGrid(*object, 40, 25);
    object->Reduce(100);
    EXPECT_EQ(Matching(LogMessages(), "Reducing"),
              std::vector<std::string>{"Reducing current Direct3D point count of 1000 to 1000"});
    EXPECT_EQ(object->GetPointCount(), 1000);
    EXPECT_EQ(object->GetFaceCount(), 39 * 24 * 2);

    vgx::test::ClearLog();
    object->Reduce(50);
    EXPECT_EQ(Matching(LogMessages(), "Reducing"),
              std::vector<std::string>{"Reducing current Direct3D point count of 1000 to 500"});
    const auto simplified = Matching(LogMessages(), "Mesh Simplified to ");
    ASSERT_EQ(simplified.size(), 1u);
    EXPECT_GE(object->GetPointCount(), 500);
    EXPECT_LT(object->GetPointCount(), 1000);
    EXPECT_EQ(vgx::test::MeshFault(*object), "");

    // Small meshes and Level 0 ask for the least a mesh can be.
    auto small = root->CreateObject();
    AddGrid(*small, 10, 10);
    vgx::test::ClearLog();
    small->Reduce(1);
    const int32_t left = small->GetPointCount();
    small->Reduce(0);
    EXPECT_EQ(Matching(LogMessages(), "Reducing"),
              (std::vector<std::string>{"Reducing current Direct3D point count of 100 to 3",
                                        "Reducing current Direct3D point count of " + std::to_string(left) +
                                            " to 3"}));
    EXPECT_EQ(LogMessages().front(), "Begin Reduce");
    EXPECT_EQ(LogMessages().back(), "End Reduce");
    EXPECT_FALSE(TemporaryFileLeft("~temp.x"));
    EXPECT_FALSE(TemporaryFileLeft("~stemp.x"));
}

// Quads come back as triangles with fresh normals and UVs from their vertices, and
// no triangle crosses from one material's half to the other's.
TEST_F(Reduce, KeepsMaterialsApartAndReturnsTriangles) {
    AddGrid(*object, 30, 30);
    auto left = root->CreateMaterial(), right = root->CreateMaterial();
    left->SetColor(root->CreateColorRGB(1, 0, 0));
    right->SetColor(root->CreateColorRGB(0, 0, 1));
    for (int32_t f = 0; f < object->GetFaceCount(); ++f) object->GetFace(f)->ApplyMaterial(f % 29 < 14 ? left : right);
    object->Reduce(25);

    ASSERT_GT(object->GetFaceCount(), 0);
    int32_t leftFaces = 0, rightFaces = 0;
    for (int32_t f = 0; f < object->GetFaceCount(); ++f) {
        auto face = object->GetFace(f);
        ASSERT_EQ(face->GetPointCount(), 3);
        const bool isLeft = face->GetMaterial() == left;
        ASSERT_TRUE(isLeft || face->GetMaterial() == right);
        (isLeft ? leftFaces : rightFaces) += 1;
        for (int32_t k = 0; k < 3; ++k) {
            const VgxVector p = object->GetPoint(face->GetPointID(k));
            if (isLeft) {
                EXPECT_LE(p.X, 14.0f) << "face " << f;
            } else {
                EXPECT_GE(p.X, 14.0f) << "face " << f;
            }
            const VgxUV uv = face->GetUV(k);
            EXPECT_NEAR(uv.U, p.X / 29, 1e-5f);
            EXPECT_NEAR(uv.V, p.Y / 29, 1e-5f);
            const VgxVector n = object->GetNormal(face->GetNormalID(k));
            EXPECT_NEAR(n.Z, 1.0f, 1e-5f);
        }
    }
    EXPECT_GT(leftFaces, 0);
    EXPECT_GT(rightFaces, 0);
}

TEST_F(Reduce, RealMeshKeepsItsShape) {
    const vgx::test::ObjMesh mesh = vgx::test::ReadObj(vgx::test::TestDataPath("meshes/common/suzanne.obj"));
    object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false);
    const VgxBox before = object->GetBoundingBox();
    object->Reduce(30);
    const VgxBox after = object->GetBoundingBox();
    EXPECT_LT(object->GetFaceCount(), mesh.faceCount * 2);
    const float size = before.Max.X - before.Min.X;
    EXPECT_NEAR(after.Min.X, before.Min.X, 0.05f * size);
    EXPECT_NEAR(after.Max.Y, before.Max.Y, 0.05f * size);
    EXPECT_NEAR(after.Min.Z, before.Min.Z, 0.05f * size);
}

TEST_F(Reduce, BadLevelsAndLostDevicesChangeNothing) {
    AddGrid(*object, 5, 5);
    const int32_t faces = object->GetFaceCount();
    for (int32_t level : {-1, 101}) {
        vgx::test::ClearLog();
        ExpectVgxError([&] { object->Reduce(level); }, VgxErrInvalidCall, "VgxObject",
                       "Invalid procedure call or argument");
        EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Begin Reduce",
                                                           "Reduce Error: 5-Invalid procedure call or argument"}));
        EXPECT_EQ(object->GetFaceCount(), faces);
    }

    // The device stays lost: the exported file stays for the host to see.
    VgxSoftwareDevice& hidden = *vgx::Library().hiddenDevice;
    hidden.MarkLost(100);
    vgx::test::ClearLog();
    object->Reduce(50);
    EXPECT_EQ(object->GetFaceCount(), faces);
    EXPECT_EQ(Matching(LogMessages(), "Device Lost or Not Reset").size(), 10u);
    EXPECT_TRUE(TemporaryFileLeft("~temp.x"));
    hidden.MarkLost();
    object->Reduce(100);
    EXPECT_FALSE(TemporaryFileLeft("~temp.x"));
    EXPECT_EQ(hidden.TestCooperativeLevel(), VgxDeviceOK);

    // An empty object has nothing to simplify: the failure is logged, not raised.
    auto empty = root->CreateObject();
    vgx::test::ClearLog();
    empty->Reduce(50);
    EXPECT_EQ(empty->GetFaceCount(), 0);
    EXPECT_EQ(Matching(LogMessages(), "Error occured simplifying mesh: ").size(), 1u);
    EXPECT_EQ(LogMessages().back(), "End Reduce");
    EXPECT_FALSE(TemporaryFileLeft("~temp.x"));
}

}  // namespace
