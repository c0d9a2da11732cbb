// Files the glTF writer makes, read back by Assimp's importer (the node tree,
// triangles and materials it finds, and front faces that face where the normals
// point in glTF's right-handed, counter-clockwise convention) and checked by the
// Khronos glTF validator.
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <array>
#include <assimp/Importer.hpp>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

// "name(child child ...)" for a node tree; Assimp names a node without a name after
// its index, as "nodes[i]".
std::string NodeTree(const aiNode& node) {
    std::string out = node.mName.C_Str();
    if (out.rfind("nodes[", 0) == 0) out.clear();
    if (node.mNumChildren == 0) return out;
    out += "(";
    for (unsigned i = 0; i < node.mNumChildren; ++i) out += (i ? " " : "") + NodeTree(*node.mChildren[i]);
    return out + ")";
}

std::string GroupTree(VgxGroup& group) {
    std::string out = group.GetName();
    const auto children = group.GetChildren();
    if (children->GetSize() == 0) return out;
    out += "(";
    for (int32_t i = 0; i < children->GetSize(); ++i) out += (i ? " " : "") + GroupTree(*children->GetElement(i));
    return out + ")";
}

int32_t Triangles(VgxGroup& group, std::set<VgxMaterial*>& materials) {
    int32_t triangles = 0;
    const auto objects = group.GetObjects();
    for (int32_t i = 0; i < objects->GetSize(); ++i) {
        VgxObject& object = *objects->GetElement(i);
        for (int32_t s = 0; s < object.GetSubObjectCount(); ++s) {
            triangles += object.GetSubObjectSolidPrimitiveCount(s);
            if (object.GetSubObjectSolidPrimitiveCount(s) > 0) materials.insert(object.GetSubObjectMaterial(s).get());
        }
    }
    const auto children = group.GetChildren();
    for (int32_t i = 0; i < children->GetSize(); ++i) triangles += Triangles(*children->GetElement(i), materials);
    return triangles;
}

class GltfAssimp : public ::testing::TestWithParam<std::string> {};

TEST_P(GltfAssimp, ReadsBackTheTreeTrianglesAndFacing) {
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
    scene->SetName("scene");
    scene->Load(vgx::test::TestDataPath("x/" + GetParam()));
    for (const char* extension : {".gltf", ".glb"}) {
        const std::string path = vgx::test::ScratchFolder() + "/written" + extension;
        scene->Save(path);
        Assimp::Importer importer;
        const aiScene* read = importer.ReadFile(path, 0);
        ASSERT_NE(read, nullptr) << importer.GetErrorString();

        EXPECT_EQ(NodeTree(*read->mRootNode), GroupTree(*scene)) << extension;
        std::set<VgxMaterial*> materials;
        const int32_t triangles = Triangles(*scene, materials);
        int32_t theirs = 0;
        for (unsigned m = 0; m < read->mNumMeshes; ++m) {
            const aiMesh& mesh = *read->mMeshes[m];
            theirs += static_cast<int32_t>(mesh.mNumFaces);
            // Each triangle's own normal, by the right-hand rule, leans the way its
            // vertices' normals do: a turned winding or an unturned z would turn
            // nearly all. A few thin triangles along the samples' creases lean away
            // in the files themselves.
            int32_t facingAway = 0;
            for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
                const unsigned* v = mesh.mFaces[f].mIndices;
                const aiVector3D cross =
                    (mesh.mVertices[v[1]] - mesh.mVertices[v[0]]) ^ (mesh.mVertices[v[2]] - mesh.mVertices[v[0]]);
                const aiVector3D normal = mesh.mNormals[v[0]] + mesh.mNormals[v[1]] + mesh.mNormals[v[2]];
                if (cross * normal < 0) ++facingAway;
            }
            EXPECT_LE(facingAway, static_cast<int32_t>(mesh.mNumFaces) / 10) << extension << " mesh " << m;
        }
        EXPECT_EQ(theirs, triangles) << extension;
        EXPECT_EQ(read->mNumMaterials, materials.size() + 1) << extension << ": Assimp adds a default material";
    }
}

INSTANTIATE_TEST_SUITE_P(PublicScenes, GltfAssimp,
                         ::testing::Values("anim_test.x", "kwxport_test_cubewithvcolors.x", "fromtruespace_bin32.x"),
                         [](const auto& info) {
                             std::string name = info.param.substr(0, info.param.find('.'));
                             for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

// World-space triangles, each as its three corners rounded to 1e-4 and started at
// its least corner, so that the winding counts; sorted.
using Triangle = std::array<std::array<long, 3>, 3>;

Triangle Canonical(std::array<std::array<long, 3>, 3> corners) {
    std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
    return corners;
}

std::array<long, 3> Rounded(float x, float y, float z) {
    return {std::lround(x * 1e4f), std::lround(y * 1e4f), std::lround(z * 1e4f)};
}

// Assimp's nodes in glTF's right-handed frame: z turned, windings turned with it.
void AssimpTriangles(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, std::vector<Triangle>& out) {
    const aiMatrix4x4 world = parent * node.mTransformation;
    for (unsigned m = 0; m < node.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[m]];
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) continue;
            std::array<std::array<long, 3>, 3> corners;
            for (unsigned k = 0; k < 3; ++k) {
                const aiVector3D p = world * mesh.mVertices[face.mIndices[k == 0 ? 0 : 3 - k]];
                corners[k] = Rounded(p.x, p.y, -p.z);
            }
            out.push_back(Canonical(corners));
        }
    }
    for (unsigned c = 0; c < node.mNumChildren; ++c) AssimpTriangles(scene, *node.mChildren[c], world, out);
}

void OurTriangles(VgxGroup& group, std::vector<Triangle>& out) {
    const auto objects = group.GetObjects();
    for (int32_t i = 0; i < objects->GetSize(); ++i) {
        const auto object = objects->GetElement(i);
        for (int32_t f = 0; f < object->GetFaceCount(); ++f) {
            const auto face = object->GetFace(f);
            std::array<std::array<long, 3>, 3> corners;
            for (int32_t k = 0; k < 3; ++k) {
                VgxVector p;
                group.Transform(p, object->GetPoint(face->GetPointID(k)));
                corners[k] = Rounded(p.X, p.Y, p.Z);
            }
            out.push_back(Canonical(corners));
        }
    }
    const auto children = group.GetChildren();
    for (int32_t i = 0; i < children->GetSize(); ++i) OurTriangles(*children->GetElement(i), out);
}

class GltfSamples : public ::testing::TestWithParam<std::string> {};

// Assimp's reading of the public samples is the reference for where every
// triangle stands in the world and which way it faces.
TEST_P(GltfSamples, LoadPutsEveryTriangleWhereAssimpDoes) {
    const std::string path = vgx::test::TestDataPath("gltf/" + GetParam() + ".gltf");
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
    scene->Load(path);
    std::vector<Triangle> ours, theirs;
    OurTriangles(*scene, ours);
    Assimp::Importer importer;
    const aiScene* read = importer.ReadFile(path, 0);
    ASSERT_NE(read, nullptr) << importer.GetErrorString();
    AssimpTriangles(*read, *read->mRootNode, aiMatrix4x4(), theirs);
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    EXPECT_FALSE(ours.empty());
    EXPECT_EQ(ours, theirs);
}

INSTANTIATE_TEST_SUITE_P(Khronos, GltfSamples,
                         ::testing::Values("Box", "BoxTextured", "BoxVertexColors", "Cameras", "SimpleMeshes",
                                           "SimpleSparseAccessor", "TextureCoordinateTest", "Triangle",
                                           "TriangleWithoutIndices"));

// A grid of n x n quads in one object: beyond 65535 vertices for n = 300.
std::shared_ptr<VgxObject> Grid(Vgx& root, int32_t n) {
    std::vector<VgxVector> points;
    std::vector<VgxUV> uvs;
    for (int32_t y = 0; y <= n; ++y) {
        for (int32_t x = 0; x <= n; ++x) {
            points.push_back({static_cast<float>(x), static_cast<float>(y), 0});
            uvs.push_back({static_cast<float>(x) / n, static_cast<float>(y) / n});
        }
    }
    std::vector<int32_t> faces;
    for (int32_t y = 0; y < n; ++y) {
        for (int32_t x = 0; x < n; ++x) {
            const int32_t at = y * (n + 1) + x;
            faces.push_back(4);
            for (int32_t corner : {at, at + n + 1, at + n + 2, at + 1}) faces.insert(faces.end(), {corner, 0, corner});
        }
    }
    faces.push_back(0);
    std::shared_ptr<VgxObject> grid = root.CreateObject();
    grid->SetName("grid");
    grid->AddFaces(points, {{0, 0, -1}}, uvs, faces, false, false);
    return grid;
}

TEST(GltfValidator, WrittenFilesHaveNoErrors) {
    const std::string prefix = VGX_GLTF_VALIDATOR_PREFIX;
    if (std::system("node --version > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "node is not installed: the Khronos glTF validator was not run";
    }
    if (!std::filesystem::exists(prefix + "/node_modules/gltf-validator")) {
        GTEST_SKIP() << "gltf-validator is not installed in " << prefix << " (.ci/run installs it with npm)";
    }
    std::shared_ptr<Vgx> root = Vgx::Create();
    const std::string folder = vgx::test::ScratchFolder() + "/validated";
    std::filesystem::create_directory(folder);
    std::string files;
    const auto save = [&](VgxGroup& group, const std::string& name) {
        for (const char* extension : {".gltf", ".glb"}) {
            group.Save(folder + "/" + name + extension);
            files += " '" + folder + "/" + name + extension + "'";
        }
    };
    for (const char* name : {"x/anim_test.x", "x/kwxport_test_cubewithvcolors.x", "x/fromtruespace_bin32.x",
                             "gltf/BoxTextured.gltf", "gltf/AnimatedTriangle.gltf"}) {
        std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
        scene->Load(vgx::test::TestDataPath(name));
        save(*scene, std::filesystem::path(name).stem().string());
    }
    // Lights of every kind, several objects in one group, a see-through material,
    // 32-bit indices, and a name that needs escaping.
    std::shared_ptr<VgxGroup> scene = root->CreateGroup(nullptr);
    std::shared_ptr<VgxGroup> lit = root->CreateGroup(scene);
    lit->SetName("lit \"corner\"");
    lit->SetPosition(-1, nullptr, {1, 2, 3});
    for (VgxLightType type : {VgxLightPoint, VgxLightSpot, VgxLightDirectional, VgxLightAmbient}) {
        lit->AddLight(root->CreateLightRGB(type, 1, 1, 1));
    }
    std::shared_ptr<VgxObject> grid = Grid(*root, 300);
    std::shared_ptr<VgxMaterial> glass = root->CreateMaterial();
    glass->SetColorRGBA(0.2f, 0.4f, 0.9f, 0.5f);
    grid->GetFace(0)->ApplyMaterial(glass);
    lit->AddObject(grid);
    lit->AddObject(Grid(*root, 2));
    save(*scene, "lit scene");

    const std::string log = vgx::test::ScratchFolder() + "/validator.log";
    const int status = std::system(
        ("node '" + std::string(VGX_GLTF_VALIDATE_SCRIPT) + "' '" + prefix + "'" + files + " > '" + log + "' 2>&1")
            .c_str());
    std::ifstream text(log);
    const std::string output{std::istreambuf_iterator<char>(text), std::istreambuf_iterator<char>()};
    EXPECT_EQ(status, 0) << output;
}

}  // namespace
