#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "support/internals.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;

class Groups : public ::testing::Test {
protected:
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> a = root->CreateGroup(nullptr);
    std::shared_ptr<VgxGroup> b = root->CreateGroup(nullptr);
};

TEST_F(Groups, AddChildMovesAGroupToTheEnd) {
    auto g = root->CreateGroup(a);
    auto h = root->CreateGroup(b);
    b->AddChild(g);
    EXPECT_EQ(ChildCount(*a), 0);
    EXPECT_EQ(g->GetParent(), b);
    auto children = b->GetChildren();
    ASSERT_EQ(children->GetSize(), 2);
    EXPECT_EQ(children->GetElement(0), h);
    EXPECT_EQ(children->GetElement(1), g);
    // Adding an existing child again moves it to the end.
    b->AddChild(h);
    EXPECT_EQ(children->GetElement(1), h);
    EXPECT_EQ(children->GetSize(), 2);
    EXPECT_EQ(g->GetScene(), b);
    EXPECT_EQ(b->GetScene(), b);
}

TEST_F(Groups, DeleteChildClearsTheParentEvenOfAStranger) {
    auto g = root->CreateGroup(a);
    b->DeleteChild(g);
    EXPECT_EQ(g->GetParent(), nullptr);
    EXPECT_EQ(ChildCount(*a), 1);
}

TEST_F(Groups, ViewsSeeLaterChanges) {
    auto children = a->GetChildren();
    auto objects = a->GetObjects();
    auto lights = a->GetLights();
    EXPECT_EQ(children->GetSize(), 0);
    auto first = root->CreateGroup(a);
    root->CreateGroup(a);
    EXPECT_EQ(children->GetSize(), 2);
    EXPECT_EQ(children->GetElement(0), first);
    auto object = root->CreateObject();
    a->AddObject(object);
    b->AddObject(object);
    EXPECT_EQ(objects->GetElement(0), object);
    EXPECT_EQ(b->GetObjects()->GetSize(), 1);
    a->DeleteObject(object);
    a->DeleteObject(object);
    EXPECT_EQ(objects->GetSize(), 0);
    EXPECT_EQ(lights->GetSize(), 0);
    ExpectVgxError([&] { children->GetElement(2); }, 9, "VorlanSG", "Subscript out of range");
    ExpectVgxError([&] { children->GetElement(-1); }, 9, "VorlanSG", "Subscript out of range");
}

TEST_F(Groups, AddObjectOfNothingRaises91AndChangesNothing) {
    a->AddObject(root->CreateObject());
    ExpectVgxError([&] { a->AddObject(nullptr); }, 91, "VgxGroup", "Object is nothing");
    EXPECT_EQ(a->GetObjects()->GetSize(), 1);
    ExpectVgxError([&] { a->AddChild(nullptr); }, 91, "VgxGroup", "Object variable or With block variable not set");
    EXPECT_EQ(ChildCount(*a), 0);
}

TEST_F(Groups, ALightBelongsToOneGroup) {
    auto light = root->CreateLight(VgxLightPoint, 0);
    a->AddLight(light);
    b->AddLight(light);
    EXPECT_EQ(a->GetLights()->GetSize(), 0);
    ASSERT_EQ(b->GetLights()->GetSize(), 1);
    EXPECT_EQ(b->GetLights()->GetElement(0), light);
    b->DeleteLight(light);
    a->AddLight(light);
    EXPECT_EQ(a->GetLights()->GetSize(), 1);
    EXPECT_EQ(b->GetLights()->GetSize(), 0);
}

TEST_F(Groups, AReleasedHierarchyHasNoLists) {
    auto child = root->CreateGroup(a);
    a->AddObject(root->CreateObject());
    a->AddLight(root->CreateLight(VgxLightPoint, 0));
    auto children = a->GetChildren();
    ReleaseHierarchy(*a);
    EXPECT_EQ(ChildCount(*a), 0);
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_EQ(a->csVgx(), nullptr);
    EXPECT_EQ(a->GetLights()->GetSize(), 1);
    // Views made now are attached to nothing; the one made before keeps the old list.
    EXPECT_EQ(a->GetObjects()->GetSize(), 0);
    ExpectVgxError([&] { a->GetChildren()->GetSize(); }, 91, "VorlanSG",
                   "Object variable or With block variable not set");
    EXPECT_EQ(children->GetSize(), 1);
    ExpectVgxError([&] { a->AddChild(b); }, 91, "VgxGroup", "Object variable or With block variable not set");
    ExpectVgxError([&] { a->AddObject(root->CreateObject()); }, 91, "VgxGroup",
                   "Object variable or With block variable not set");
    ExpectVgxError([&] { a->DeleteChild(child); }, 91, "VgxGroup", "Object variable or With block variable not set");
    EXPECT_EQ(b->GetParent(), nullptr);
}

TEST_F(Groups, NameAndAppData) {
    a->SetName("frame");
    a->SetAppData(-7);
    EXPECT_EQ(a->GetName(), "frame");
    EXPECT_EQ(a->GetAppData(), -7);
    EXPECT_EQ(a->csVgx(), root);
}

TEST(MemberArrays, UnattachedViews) {
    EXPECT_EQ(MakeBare<VgxObjectArray>()->GetSize(), 0);
    ExpectVgxError([] { MakeBare<VgxGroupArray>()->GetSize(); }, 91, "VorlanSG",
                   "Object variable or With block variable not set");
    ExpectVgxError([] { MakeBare<VgxLightArray>()->GetSize(); }, 91, "VorlanSG",
                   "Object variable or With block variable not set");
    EXPECT_EQ(MakeBare<VgxFaceArray>()->GetSize(), 0);
    ExpectVgxError([] { MakeBare<VgxFaceArray>()->GetElement(0); }, 91, "VgxFaceArray",
                   "Object variable or With block variable not set");
}

TEST(FaceArray, FollowsItsObject) {
    auto root = Vgx::Create();
    auto object = root->CreateObject();
    auto faces = object->GetFaces();
    EXPECT_EQ(faces->GetSize(), 0);
    ExpectVgxError([&] { faces->GetElement(0); }, 9, "VgxObject", "Subscript out of range");
}

}  // namespace
