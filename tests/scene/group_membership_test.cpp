// A group's children, objects and lights, the views onto them, its own settings, and
// the skins its bones move.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "support/internals.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;
using Group = std::shared_ptr<VgxGroup>;
using Points = std::vector<int32_t>;
using Weights = std::vector<float>;

constexpr const char* kNotSet = "Object variable or With block variable not set";
constexpr const char* kOutOfRange = "Subscript out of range";

struct Groups : ::testing::Test {
    std::shared_ptr<Vgx> root = Vgx::Create();
    Group a = root->CreateGroup(nullptr), b = root->CreateGroup(nullptr);
};

TEST_F(Groups, AddChildMovesAGroupToTheEndAndDeleteChildFreesIt) {
    auto g = root->CreateGroup(a);
    auto h = root->CreateGroup(b);
    b->AddChild(g);
    EXPECT_EQ((std::tuple{ChildCount(*a), g->GetParent()}), (std::tuple{0, b}));
    auto children = b->GetChildren();
    EXPECT_EQ((std::tuple{children->GetSize(), children->GetElement(0), children->GetElement(1)}),
              (std::tuple{2, h, g}));
    b->AddChild(h);  // an existing child again moves to the end
    EXPECT_EQ((std::tuple{children->GetSize(), children->GetElement(1), g->GetScene(), b->GetScene()}),
              (std::tuple{2, h, b, b}));
    // DeleteChild clears the parent even of a stranger, whose own parent keeps it listed.
    auto stranger = root->CreateGroup(a);
    b->DeleteChild(stranger);
    EXPECT_EQ((std::tuple{stranger->GetParent(), ChildCount(*a)}), (std::tuple{nullptr, 1}));
    // The stranger, listed by a but no longer linked to it, holds no reference to a:
    // the collection does not take the host's for it, and a stays whole.
    root->CollectGarbage();
    a->AddObject(root->CreateObject());
    EXPECT_EQ((std::tuple{a->GetChildren()->GetSize(), a->GetChildren()->GetElement(0), a->GetObjects()->GetSize()}),
              (std::tuple{1, stranger, 1}));
}

TEST_F(Groups, AddingNothingRaises91AndChangesNothing) {
    a->AddObject(root->CreateObject());
    ExpectVgxError([&] { a->AddObject(nullptr); }, 91, "VgxGroup", "Object is nothing");
    EXPECT_EQ(a->GetObjects()->GetSize(), 1);
    ExpectVgxError([&] { a->AddChild(nullptr); }, 91, "VgxGroup", kNotSet);
    EXPECT_EQ(ChildCount(*a), 0);
}

TEST_F(Groups, ViewsSeeLaterChangesAndALightBelongsToOneGroup) {
    auto children = a->GetChildren();
    auto objects = a->GetObjects();
    auto lights = a->GetLights();
    EXPECT_EQ(children->GetSize(), 0);
    auto first = root->CreateGroup(a);
    root->CreateGroup(a);
    EXPECT_EQ((std::tuple{children->GetSize(), children->GetElement(0)}), (std::tuple{2, first}));
    auto object = root->CreateObject();
    a->AddObject(object);
    b->AddObject(object);
    EXPECT_EQ((std::tuple{objects->GetElement(0), b->GetObjects()->GetSize()}), (std::tuple{object, 1}));
    a->DeleteObject(object);
    a->DeleteObject(object);
    EXPECT_EQ((std::tuple{objects->GetSize(), lights->GetSize()}), (std::tuple{0, 0}));
    for (int32_t index : {2, -1}) ExpectVgxError([&] { children->GetElement(index); }, 9, "VorlanSG", kOutOfRange);
    // A light belongs to one group.
    auto light = root->CreateLight(VgxLightPoint, 0);
    a->AddLight(light);
    b->AddLight(light);
    EXPECT_EQ((std::tuple{lights->GetSize(), b->GetLights()->GetSize(), b->GetLights()->GetElement(0)}),
              (std::tuple{0, 1, light}));
    b->DeleteLight(light);
    a->AddLight(light);
    EXPECT_EQ((std::tuple{lights->GetSize(), b->GetLights()->GetSize()}), (std::tuple{1, 0}));
}

TEST_F(Groups, AReleasedHierarchyHasNoLists) {
    auto child = root->CreateGroup(a);
    a->AddObject(root->CreateObject());
    a->AddLight(root->CreateLight(VgxLightPoint, 0));
    auto children = a->GetChildren();
    ReleaseHierarchy(*a);
    EXPECT_EQ((std::tuple{ChildCount(*a), child->GetParent(), a->csVgx(), a->GetLights()->GetSize()}),
              (std::tuple{0, nullptr, nullptr, 1}));
    // Views made now are attached to nothing; the one made before keeps the old list.
    EXPECT_EQ(a->GetObjects()->GetSize(), 0);
    ExpectVgxError([&] { a->GetChildren()->GetSize(); }, 91, "VorlanSG", kNotSet);
    EXPECT_EQ(children->GetSize(), 1);
    ExpectVgxError([&] { a->AddChild(b); }, 91, "VgxGroup", kNotSet);
    ExpectVgxError([&] { a->AddObject(root->CreateObject()); }, 91, "VgxGroup", kNotSet);
    ExpectVgxError([&] { a->DeleteChild(child); }, 91, "VgxGroup", kNotSet);
    EXPECT_EQ(b->GetParent(), nullptr);
}

// Unattached object and group views are met above, after a release.
TEST(MemberArrays, UnattachedViews) {
    ExpectVgxError([] { MakeBare<VgxLightArray>()->GetSize(); }, 91, "VorlanSG", kNotSet);
    ExpectVgxError([] { MakeBare<VgxFaceArray>()->GetElement(0); }, 91, "VgxFaceArray", kNotSet);
    // A face array following an empty object.
    auto faces = Vgx::Create()->CreateObject()->GetFaces();
    EXPECT_EQ((std::tuple{MakeBare<VgxFaceArray>()->GetSize(), faces->GetSize()}), (std::tuple{0, 0}));
    ExpectVgxError([&] { faces->GetElement(0); }, 9, "VgxObject", kOutOfRange);
}

// ---- Settings -------------------------------------------------------------------

// One kind of custom field: its add, clear, count, name and id operations, then its name.
#define VGX_SCHEMA(Kind)                                                                   \
    std::tuple {                                                                           \
        &VgxGroup::Add##Kind##CustomField, &VgxGroup::Clear##Kind##CustomFields,           \
            &VgxGroup::Get##Kind##CustomFieldCount, &VgxGroup::Get##Kind##CustomFieldName, \
            &VgxGroup::Get##Kind##CustomFieldID, #Kind                                     \
    }

TEST_F(Groups, EachSchemaNumbersItsNamesAndFindsThemIgnoringCase) {
    VgxGroup& g = *a;
    for (const auto& [add, clear, count, name, id, kind] :
         {VGX_SCHEMA(Object), VGX_SCHEMA(Material), VGX_SCHEMA(Group)}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ((g.*id)("Weight"), -1);
        EXPECT_EQ((std::vector<int32_t>{(g.*add)("WEIGHT"), (g.*add)("Colour"), (g.*add)("weight")}),
                  (std::vector<int32_t>{0, 1, 2}));
        EXPECT_EQ((std::tuple{(g.*count)(), (g.*name)(2), (g.*id)("weight"), (g.*id)("COLOUR"), (g.*id)("Colours")}),
                  (std::tuple{3, "weight", 0, 1, -1}));
        for (int32_t index : {3, -1}) ExpectVgxError([&] { (g.*name)(index); }, 9, "VgxGroup", kOutOfRange);
        EXPECT_EQ((g.*count)(), 3);
        (g.*clear)();
        EXPECT_EQ((std::tuple{(g.*count)(), (g.*id)("weight")}), (std::tuple{0, -1}));
        EXPECT_EQ((g.*add)("Again"), 0);
    }
    // The three lists are independent.
    EXPECT_EQ(g.GetObjectCustomFieldCount(), 1);
    g.AddObjectCustomField("x");
    EXPECT_EQ((std::tuple{g.GetMaterialCustomFieldCount(), g.GetGroupCustomFieldCount()}), (std::tuple{1, 1}));
}

// Fog is stored unchecked: any mode, colour, switch and range reads back as set.
TEST_F(Groups, SettingsReadBackAsSetAndSixCustomFieldValuesRaiseUnderTheirOwnSource) {
    auto settings = [&] {
        float start = -1, end = -1, density = -1;
        a->GetSceneFogParams(start, end, density);
        return std::tuple{a->GetName(), a->GetAppData(), a->GetSceneFogMode(), a->GetSceneFogColor(),
                          a->GetSceneFogEnable(), start, end, density};
    };
    EXPECT_EQ(settings(), (std::tuple{"", 0, VgxFogLinear, 0, 0, 0.0f, 0.0f, 0.0f}));
    a->SetName("frame");
    a->SetAppData(-7);
    a->SetSceneFogMode(static_cast<VgxFogMode>(9));
    a->SetSceneFogColor(static_cast<int32_t>(0xFF102030u));
    a->SetSceneFogEnable(-1);
    a->SetSceneFogParams(10, 2, -0.5f);
    a->SetSceneBackgroundRGB(0.1f, 0.2f, 0.3f);
    EXPECT_EQ(settings(), (std::tuple{"frame", -7, static_cast<VgxFogMode>(9), static_cast<int32_t>(0xFF102030u), -1,
                                      10.0f, 2.0f, -0.5f}));
    EXPECT_EQ(a->csVgx(), root);
    for (int32_t id = 0; id <= 5; ++id) {
        EXPECT_EQ(a->GetCustomFieldValue(id), "");
        a->SetCustomFieldValue(id, "value " + std::to_string(id));
    }
    for (int32_t id = 0; id <= 5; ++id) EXPECT_EQ(a->GetCustomFieldValue(id), "value " + std::to_string(id));
    for (int32_t id : {-1, 6}) {
        ExpectVgxError([&] { a->SetCustomFieldValue(id, "x"); }, 9, "VorlanSG", kOutOfRange);
        ExpectVgxError([&] { a->GetCustomFieldValue(id); }, 9, "VorlanSG", kOutOfRange);
    }
    EXPECT_EQ(a->GetCustomFieldValue(5), "value 5");
}

// ---- Skins -------------------------------------------------------------------

// A bone's influences as (points, weights, count).
std::tuple<Points, Weights, int32_t> Read(const Group& bone) {
    std::tuple<Points, Weights, int32_t> influences{{}, {}, -1};
    bone->GetSkinInfluences(std::get<0>(influences), std::get<1>(influences), std::get<2>(influences));
    return influences;
}
Points ReadPoints(const Group& bone) { return std::get<0>(Read(bone)); }
int32_t ReadCount(const Group& bone) { return std::get<2>(Read(bone)); }

// A skin of `points` points (a strip of triangles) held by `holder`, with two bone groups.
struct Skin : ::testing::Test {
    void MakeSkin(int32_t points) {
        std::vector<VgxVector> positions;
        std::vector<int32_t> faceData;
        for (int32_t p = 0; p < points; ++p) positions.push_back({static_cast<float>(p), static_cast<float>(p % 2), 0});
        for (int32_t p = 0; p + 2 < points; ++p)
            faceData.insert(faceData.end(), {3, p, 0, 0, p + 1, 0, 0, p + 2, 0, 0});
        faceData.push_back(0);
        skin->AddFaces(positions, {{0, 0, 1}}, {{0, 0}}, faceData, false, false);
        ASSERT_EQ(skin->GetPointCount(), points);
        holder->AddObject(skin);
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    Group holder = root->CreateGroup(nullptr), bone1 = root->CreateGroup(holder), bone2 = root->CreateGroup(holder);
    std::shared_ptr<VgxObject> skin = root->CreateObject();
};

TEST_F(Skin, WeightsAreNormalisedOverAllBones) {
    MakeSkin(10);
    bone1->SetSkin(skin);
    bone2->SetSkin(skin);
    bone1->SetSkinInfluences({7}, {1.0f});
    bone2->SetSkinInfluences({7, 8}, {3.0f, 2.0f});
    EXPECT_EQ(bone1->GetSkin(), skin);
    EXPECT_EQ(Read(bone1), (std::tuple{Points{7}, Weights{0.25f}, 1}));
    EXPECT_EQ(Read(bone2), (std::tuple{Points{7, 8}, Weights{0.75f, 1.0f}, 2}));
    // The holder moves every point no bone lists.
    EXPECT_EQ(holder->GetSkin(), skin);
    EXPECT_EQ(Read(holder), (std::tuple{Points{0, 1, 2, 3, 4, 5, 6, 9}, Weights(8, 1.0f), 8}));
}

TEST_F(Skin, TheDefaultBoneFollowsTheBones) {
    MakeSkin(10);
    bone1->SetSkin(skin);
    bone1->SetSkinInfluences({0, 1, 2, 3, 4}, {1, 1, 1, 1, 1});
    EXPECT_EQ(ReadCount(holder), 0);  // nothing normalised yet
    bone1->GetSkin();
    EXPECT_EQ(ReadPoints(holder), (Points{5, 6, 7, 8, 9}));
    bone2->SetSkin(skin);
    bone2->SetSkinInfluences({5}, {2});
    EXPECT_EQ(std::get<1>(Read(bone2)), Weights{1.0f});
    EXPECT_EQ(ReadPoints(holder), (Points{6, 7, 8, 9}));
    // A skin no bone moves at all gets no default bone.
    bone1->SetSkinInfluences({}, {});
    bone2->SetSkin(nullptr);
    EXPECT_EQ((std::tuple{ReadCount(bone2), bone1->GetSkin(), ReadCount(holder), holder->GetSkin()}),
              (std::tuple{0, skin, 0, nullptr}));
}

TEST_F(Skin, HostSetHolderIsNotReplaced) {
    MakeSkin(4);
    holder->SetSkin(skin);
    holder->SetSkinInfluences({0}, {1});
    bone1->SetSkin(skin);
    bone1->SetSkinInfluences({0, 1}, {1, 1});
    EXPECT_EQ(std::get<1>(Read(bone1)), (Weights{0.5f, 1.0f}));
    EXPECT_EQ(ReadPoints(holder), Points{0});  // its own, not the leftovers
}

TEST_F(Skin, BadInfluencesRaiseAndChangeNothing) {
    MakeSkin(4);
    bone1->SetSkin(skin);
    bone1->SetSkinInfluences({1, 2}, {1, 1});
    EXPECT_EQ(ReadCount(bone1), 2);
    EXPECT_EQ(ReadPoints(holder), (Points{0, 3}));
    ExpectVgxError([&] { bone1->SetSkinInfluences({1, 2, 3}, {1, 1}); }, VgxErrSubscript, "VgxGroup", kOutOfRange);
    EXPECT_EQ(ReadPoints(bone1), (Points{1, 2}));
    // A point beyond the skin, then one whose weights sum to 0.
    bone2->SetSkin(skin);
    bone2->SetSkinInfluences({4}, {1});
    ExpectVgxError([&] { bone2->GetSkin(); }, VgxErrSubscript, "VgxGroup", kOutOfRange);
    bone2->SetSkinInfluences({3}, {0});
    std::tuple<Points, Weights, int32_t> untouched{{9}, {9}, 9};
    ExpectVgxError(
        [&] { bone2->GetSkinInfluences(std::get<0>(untouched), std::get<1>(untouched), std::get<2>(untouched)); },
        VgxErrDivisionByZero, "VgxGroup", "Division by zero");
    EXPECT_EQ(std::get<2>(untouched), 9);
    EXPECT_EQ(ReadPoints(holder), (Points{0, 3}));  // the failed normalisations left the holder alone
    // A skin that stands in no group, and influences without a skin.
    bone2->SetSkin(root->CreateObject());
    ExpectVgxError([&] { bone2->GetSkin(); }, VgxErrObjectNotSet, "VgxGroup", kNotSet);
    auto bare = root->CreateGroup(nullptr);
    bare->SetSkinInfluences({0}, {1});
    ExpectVgxError([&] { Read(bare); }, VgxErrObjectNotSet, "VgxGroup", kNotSet);
}

}  // namespace
