#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;

struct Influences {
    std::vector<int32_t> points;
    std::vector<float> weights;
    int32_t count = -1;
};

Influences Read(const std::shared_ptr<VgxGroup>& bone) {
    Influences influences;
    bone->GetSkinInfluences(influences.points, influences.weights, influences.count);
    return influences;
}

// A skin of `points` points (a strip of triangles) held by `holder`, with two bone groups.
class Skin : public ::testing::Test {
protected:
    void MakeSkin(int32_t points) {
        std::vector<VgxVector> positions;
        for (int32_t p = 0; p < points; ++p) positions.push_back({static_cast<float>(p), static_cast<float>(p % 2), 0});
        std::vector<int32_t> faceData;
        for (int32_t p = 0; p + 2 < points; ++p) {
            faceData.insert(faceData.end(), {3, p, 0, 0, p + 1, 0, 0, p + 2, 0, 0});
        }
        faceData.push_back(0);
        skin->AddFaces(positions, {{0, 0, 1}}, {{0, 0}}, faceData, false, false);
        ASSERT_EQ(skin->GetPointCount(), points);
        holder->AddObject(skin);
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> holder = root->CreateGroup(nullptr);
    std::shared_ptr<VgxGroup> bone1 = root->CreateGroup(holder);
    std::shared_ptr<VgxGroup> bone2 = root->CreateGroup(holder);
    std::shared_ptr<VgxObject> skin = root->CreateObject();
};

TEST_F(Skin, WeightsAreNormalisedOverAllBones) {
    MakeSkin(10);
    bone1->SetSkin(skin);
    bone2->SetSkin(skin);
    bone1->SetSkinInfluences({7}, {1.0f});
    bone2->SetSkinInfluences({7, 8}, {3.0f, 2.0f});
    EXPECT_EQ(bone1->GetSkin(), skin);

    const Influences first = Read(bone1), second = Read(bone2);
    EXPECT_EQ(first.count, 1);
    EXPECT_EQ(first.weights, std::vector<float>{0.25f});
    EXPECT_EQ(second.points, (std::vector<int32_t>{7, 8}));
    EXPECT_EQ(second.weights, (std::vector<float>{0.75f, 1.0f}));

    // The holder moves every point no bone lists.
    const Influences rest = Read(holder);
    EXPECT_EQ(holder->GetSkin(), skin);
    EXPECT_EQ(rest.points, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 9}));
    EXPECT_EQ(rest.weights, std::vector<float>(8, 1.0f));
}

TEST_F(Skin, TheDefaultBoneFollowsTheBones) {
    MakeSkin(10);
    bone1->SetSkin(skin);
    bone1->SetSkinInfluences({0, 1, 2, 3, 4}, {1, 1, 1, 1, 1});
    EXPECT_EQ(Read(holder).count, 0);  // nothing normalised yet
    bone1->GetSkin();
    EXPECT_EQ(Read(holder).points, (std::vector<int32_t>{5, 6, 7, 8, 9}));

    bone2->SetSkin(skin);
    bone2->SetSkinInfluences({5}, {2});
    const Influences second = Read(bone2);
    EXPECT_EQ(second.weights, std::vector<float>{1.0f});
    EXPECT_EQ(Read(holder).points, (std::vector<int32_t>{6, 7, 8, 9}));

    // A skin no bone moves at all gets no default bone.
    bone1->SetSkinInfluences({}, {});
    bone2->SetSkin(nullptr);
    EXPECT_EQ(Read(bone2).count, 0);
    EXPECT_EQ(bone1->GetSkin(), skin);
    EXPECT_EQ(Read(holder).count, 0);
    EXPECT_EQ(holder->GetSkin(), nullptr);
}

TEST_F(Skin, HostSetHolderIsNotReplaced) {
    MakeSkin(4);
    holder->SetSkin(skin);
    holder->SetSkinInfluences({0}, {1});
    bone1->SetSkin(skin);
    bone1->SetSkinInfluences({0, 1}, {1, 1});
    EXPECT_EQ(Read(bone1).weights, (std::vector<float>{0.5f, 1.0f}));
    EXPECT_EQ(Read(holder).points, std::vector<int32_t>{0});  // its own, not the leftovers
}

TEST_F(Skin, BadInfluencesRaiseAndChangeNothing) {
    MakeSkin(4);
    bone1->SetSkin(skin);
    bone1->SetSkinInfluences({1, 2}, {1, 1});
    EXPECT_EQ(Read(bone1).count, 2);
    const std::vector<int32_t> leftovers{0, 3};
    EXPECT_EQ(Read(holder).points, leftovers);
    ExpectVgxError([&] { bone1->SetSkinInfluences({1, 2, 3}, {1, 1}); }, VgxErrSubscript, "VgxGroup",
                   "Subscript out of range");
    EXPECT_EQ(Read(bone1).points, (std::vector<int32_t>{1, 2}));

    // A point beyond the skin, then one whose weights sum to 0.
    bone2->SetSkin(skin);
    bone2->SetSkinInfluences({4}, {1});
    ExpectVgxError([&] { bone2->GetSkin(); }, VgxErrSubscript, "VgxGroup", "Subscript out of range");
    bone2->SetSkinInfluences({3}, {0});
    Influences untouched{{9}, {9}, 9};
    ExpectVgxError([&] { bone2->GetSkinInfluences(untouched.points, untouched.weights, untouched.count); },
                   VgxErrDivisionByZero, "VgxGroup", "Division by zero");
    EXPECT_EQ(untouched.count, 9);
    EXPECT_EQ(Read(holder).points, leftovers);  // the failed normalisations left the holder alone

    // A skin that stands in no group, and influences without a skin.
    auto loose = root->CreateObject();
    bone2->SetSkin(loose);
    ExpectVgxError([&] { bone2->GetSkin(); }, VgxErrObjectNotSet, "VgxGroup",
                   "Object variable or With block variable not set");
    auto bare = root->CreateGroup(nullptr);
    bare->SetSkinInfluences({0}, {1});
    ExpectVgxError([&] { Read(bare); }, VgxErrObjectNotSet, "VgxGroup",
                   "Object variable or With block variable not set");
}

}  // namespace
