#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "support/internals.h"
#include "support/vgx_test.h"

namespace {

VgxPickDesc Hit(float dist, int32_t face) { return VgxPickDesc{1, face, 0.25f, 0.5f, dist, {0, 0, dist}}; }

TEST(PickArray, EmptyArray) {
    auto picks = MakeBare<VgxPickArray>();
    EXPECT_EQ(picks->GetSize(), 0);
    EXPECT_EQ(picks->FindNearest(), -1);
    EXPECT_EQ(picks->FindFurthest(), -1);
    std::shared_ptr<VgxObject> object;
    std::shared_ptr<VgxGroup> group;
    VgxPickDesc desc{};
    vgx::test::ExpectVgxError([&] { picks->GetPick(0, object, group, desc); }, 9, "VorlanSG",
                              "Subscript out of range");
}

TEST(PickArray, GrowsTenAtATimeAndFindsExtremes) {
    auto root = Vgx::Create();
    auto group = root->CreateGroup(nullptr);
    auto object = root->CreateObject();
    auto picks = MakeBare<VgxPickArray>();
    AddPick(*picks, group, object, Hit(5, 0));
    std::shared_ptr<VgxObject> gotObject;
    std::shared_ptr<VgxGroup> gotGroup;
    VgxPickDesc desc{};
    // The first pick allocates indexes 0..10.
    picks->GetPick(10, gotObject, gotGroup, desc);
    EXPECT_EQ(gotObject, nullptr);
    vgx::test::ExpectVgxError([&] { picks->GetPick(11, gotObject, gotGroup, desc); }, 9, "VorlanSG",
                              "Subscript out of range");
    const float dists[] = {3, 9, 3, 1, 9, 7, 2, 8, 6, 4, 1};
    for (int32_t i = 0; i < 11; ++i) AddPick(*picks, group, object, Hit(dists[i], i + 1));
    EXPECT_EQ(picks->GetSize(), 12);
    picks->GetPick(20, gotObject, gotGroup, desc);  // grown to 0..20
    vgx::test::ExpectVgxError([&] { picks->GetPick(21, gotObject, gotGroup, desc); }, 9, "VorlanSG",
                              "Subscript out of range");
    // Ties go to the first.
    EXPECT_EQ(picks->FindNearest(), 4);
    EXPECT_EQ(picks->FindFurthest(), 2);
    picks->GetPick(4, gotObject, gotGroup, desc);
    EXPECT_EQ(gotObject, object);
    EXPECT_EQ(gotGroup, group);
    EXPECT_EQ(desc.FaceID, 4);
    EXPECT_FLOAT_EQ(desc.dist, 1);
    EXPECT_FLOAT_EQ(desc.V, 0.5f);
}

}  // namespace
