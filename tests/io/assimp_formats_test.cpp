// The formats Load reads through Assimp: public OBJ meshes as they are, and the
// same mesh written by Assimp's exporters as PLY, STL, COLLADA and FBX.
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "io/scene_import.h"
#include "platform/xfile.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

int32_t Faces(VgxGroup& group) {
    int32_t faces = 0;
    for (int32_t i = 0; i < group.GetObjects()->GetSize(); ++i)
        faces += group.GetObjects()->GetElement(i)->GetFaceCount();
    for (int32_t i = 0; i < group.GetChildren()->GetSize(); ++i) faces += Faces(*group.GetChildren()->GetElement(i));
    return faces;
}

TEST(AssimpFormats, ObjFilesKeepTheirPolygonsAndPlaces) {
    std::shared_ptr<Vgx> root = Vgx::Create();
    for (const char* name : {"common/suzanne.obj", "trimesh/polygonfaces.obj", "trimesh/two_objects.obj"}) {
        SCOPED_TRACE(name);
        const std::string path = vgx::test::TestDataPath(std::string("meshes/") + name);
        const vgx::test::ObjMesh reference = vgx::test::ReadObj(path);
        // One object for the whole file, its faces as many-sided as the file's.
        std::shared_ptr<VgxObject> object = root->CreateObject();
        object->Load(path);
        EXPECT_EQ(object->GetFaceCount(), reference.faceCount);
        // As a scene: the same faces below the groups of the file's objects.
        std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
        scene->Load(path);
        EXPECT_EQ(Faces(*scene), reference.faceCount);
        // Left-handed now: the file's x and y stay, z turns.
        float lowest = 1e30f, highestZ = -1e30f, referenceLowest = 1e30f, referenceHighestZ = -1e30f;
        for (int32_t p = 0; p < object->GetPointCount(); ++p) {
            lowest = std::min(lowest, object->GetPoint(p).Y);
            highestZ = std::max(highestZ, object->GetPoint(p).Z);
        }
        for (const VgxVector& p : reference.points) {
            referenceLowest = std::min(referenceLowest, p.Y);
            referenceHighestZ = std::max(referenceHighestZ, -p.Z);
        }
        EXPECT_FLOAT_EQ(lowest, referenceLowest);
        EXPECT_FLOAT_EQ(highestZ, referenceHighestZ);
    }
}

TEST(AssimpFormats, PlyStlColladaAndFbxLoadTheSameTriangles) {
    const std::string source = vgx::test::TestDataPath("meshes/common/suzanne.obj");
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(source, aiProcess_Triangulate);
    ASSERT_NE(scene, nullptr);
    unsigned triangles = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) triangles += scene->mMeshes[m]->mNumFaces;
    std::shared_ptr<Vgx> root = Vgx::Create();
    Assimp::Exporter exporter;
    for (const auto& [format, extension] :
         {std::pair{"ply", ".ply"}, std::pair{"plyb", ".ply"}, std::pair{"stl", ".stl"}, std::pair{"stlb", ".stl"},
          std::pair{"collada", ".dae"}, std::pair{"fbxa", ".fbx"}}) {
        SCOPED_TRACE(format);
        const std::string path = vgx::test::ScratchFolder() + "/suzanne-" + format + extension;
        ASSERT_EQ(exporter.Export(scene, format, path), AI_SUCCESS) << exporter.GetErrorString();
        std::shared_ptr<VgxObject> object = root->CreateObject();
        object->Load(path);
        EXPECT_EQ(object->GetFaceCount(), static_cast<int32_t>(triangles));
    }
    // The content decides: a PLY file named .x still loads, and a broken one names Assimp's reason.
    std::filesystem::copy_file(vgx::test::ScratchFolder() + "/suzanne-ply.ply", vgx::test::ScratchFolder() + "/ply.x");
    std::shared_ptr<VgxObject> object = root->CreateObject();
    object->Load(vgx::test::ScratchFolder() + "/ply.x");
    EXPECT_EQ(object->GetFaceCount(), static_cast<int32_t>(triangles));
    const std::string broken = vgx::test::ScratchFolder() + "/broken.ply";
    std::ofstream(broken) << "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nend_header\n1\n";
    try {
        object->Load(broken);
        ADD_FAILURE() << "loaded";
    } catch (const VgxError& error) {
        EXPECT_EQ(error.Number, VgxErrInvalidFileFormat);
        EXPECT_EQ(error.Description.rfind("Invalid file format: " + broken + ": ", 0), 0u) << error.Description;
    }
    EXPECT_EQ(object->GetFaceCount(), static_cast<int32_t>(triangles));
}

// Assimp reads glTF too, though Load never asks it to: its reading of the
// animated sample, brought in as Assimp's formats are, must give the keys this
// library's own glTF reader finds.
TEST(AssimpFormats, AnimationKeysMatchTheGltfReadersOnTheSameFile) {
    const std::string path = vgx::test::TestDataPath("gltf/AnimatedTriangle.gltf");
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const vgx::rm::ImportedScene ours = vgx::rm::ImportGltf(bytes, path);
    const vgx::rm::ImportedScene theirs = vgx::rm::ImportWithAssimp(bytes, "AnimatedTriangle.bin");
    ASSERT_EQ(ours.scene.animationSets.size(), 1u);
    ASSERT_EQ(theirs.scene.animationSets.size(), 1u);
    const auto rotations = [](const vgx::rm::ImportedScene& imported) {
        for (const auto& animation : imported.scene.animationSets[0].animations) {
            for (const auto& keys : animation.keys) {
                if (keys.keyType == 0) return keys;
            }
        }
        return vgx::xfile::AnimationKeys{};
    };
    const vgx::xfile::AnimationKeys expected = rotations(ours), keys = rotations(theirs);
    ASSERT_EQ(expected.times.size(), 5u);
    ASSERT_EQ(keys.times, expected.times);
    for (size_t k = 0; k < keys.times.size(); ++k) {
        const float* a = &keys.values[4 * k];
        const float* b = &expected.values[4 * k];
        const float sign = a[0] * b[0] < 0 ? -1.0f : 1.0f;  // q and -q are the same turn
        // Assimp's keys pass through a float matrix: a few hundredths of a degree.
        for (size_t c = 0; c < 4; ++c) EXPECT_NEAR(a[c] * sign, b[c], 5e-4f) << k << " " << c;
    }
}

}  // namespace
