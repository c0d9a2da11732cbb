// Cross-check of the .x reader against Assimp's on the public sample files. Only
// what both readers keep alike is compared: Assimp rebuilds the meshes for
// rendering (one per material, triangulated, corners unshared), so vertex counts
// and mesh order are not comparable, but triangles, frame names and the number
// of material splits are.
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <set>

#include "platform/xfile.h"
#include "support/obj_reader.h"

namespace vgx::xfile {
namespace {

void CollectNodeNames(const aiNode* node, std::set<std::string>& names) {
    names.insert(node->mName.C_Str());
    for (unsigned i = 0; i < node->mNumChildren; ++i) CollectNodeNames(node->mChildren[i], names);
}

void ExpectAgreement(const Scene& ours, const aiScene& theirs) {
    // Assimp adds a root node above several top-level frames, so ours must be a
    // subset of its node names rather than equal to them.
    std::set<std::string> nodes;
    CollectNodeNames(theirs.mRootNode, nodes);
    for (const Frame& frame : ours.frames) EXPECT_TRUE(nodes.count(frame.name)) << "frame " << frame.name;

    size_t ourTriangles = 0, theirTriangles = 0;
    size_t ourSplits = 0;  // a mesh per material a mesh's faces use
    for (const Mesh& mesh : ours.meshes) {
        for (const uint32_t corners : mesh.faceSizes) ourTriangles += corners - 2;
        ourSplits +=
            std::max<size_t>(1, std::set<uint32_t>(mesh.faceMaterials.begin(), mesh.faceMaterials.end()).size());
    }
    for (unsigned i = 0; i < theirs.mNumMeshes; ++i) theirTriangles += theirs.mMeshes[i]->mNumFaces;
    EXPECT_EQ(std::tuple(ourTriangles, ourSplits), std::tuple(theirTriangles, size_t(theirs.mNumMeshes)));

    ASSERT_EQ(ours.animationSets.size(), theirs.mNumAnimations);
    for (unsigned i = 0; i < theirs.mNumAnimations; ++i) {
        const aiAnimation& animation = *theirs.mAnimations[i];
        const AnimationSet& set = ours.animationSets[i];
        EXPECT_EQ(set.name, animation.mName.C_Str());
        ASSERT_EQ(set.animations.size(), animation.mNumChannels);
        for (unsigned k = 0; k < animation.mNumChannels; ++k) {
            const aiNodeAnim& channel = *animation.mChannels[k];
            EXPECT_EQ(set.animations[k].frameName, channel.mNodeName.C_Str());
            // Rotation, scale and position keys; Assimp has no matrix keys.
            const unsigned counts[] = {channel.mNumRotationKeys, channel.mNumScalingKeys, channel.mNumPositionKeys, 0};
            for (const AnimationKeys& keys : set.animations[k].keys)
                EXPECT_EQ(keys.keyType < 3 ? keys.times.size() : 0, counts[std::min(keys.keyType, 3u)]);
        }
    }
}

TEST(XFileAssimp, SampleFilesAgree) {
    for (const char* name : {"test.x", "test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x",
                             "kwxport_test_cubewithvcolors.x", "anim_test.x", "fromtruespace_bin32.x"}) {
        SCOPED_TRACE(name);
        const std::string path = vgx::test::TestDataPath(std::string("x/") + name);
        const Scene ours = ReadXFile(path);
        Assimp::Importer importer, again;
        const aiScene* theirs = importer.ReadFile(path, aiProcess_Triangulate);
        ASSERT_NE(theirs, nullptr) << importer.GetErrorString();
        ExpectAgreement(ours, *theirs);

        // What we write, Assimp reads alike.
        const std::string text = WriteXText(ours);
        const aiScene* written = again.ReadFileFromMemory(text.data(), text.size(), aiProcess_Triangulate, "x");
        ASSERT_NE(written, nullptr) << again.GetErrorString();
        ExpectAgreement(ours, *written);
    }
}

}  // namespace
}  // namespace vgx::xfile
