#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;

// The five operations of one custom-field schema of a group.
struct Schema {
    int32_t (VgxGroup::*add)(const std::string&);
    void (VgxGroup::*clear)();
    int32_t (VgxGroup::*count)() const;
    std::string (VgxGroup::*name)(int32_t) const;
    int32_t (VgxGroup::*id)(const std::string&) const;
};

const Schema kSchemas[] = {
    {&VgxGroup::AddObjectCustomField, &VgxGroup::ClearObjectCustomFields, &VgxGroup::GetObjectCustomFieldCount,
     &VgxGroup::GetObjectCustomFieldName, &VgxGroup::GetObjectCustomFieldID},
    {&VgxGroup::AddMaterialCustomField, &VgxGroup::ClearMaterialCustomFields, &VgxGroup::GetMaterialCustomFieldCount,
     &VgxGroup::GetMaterialCustomFieldName, &VgxGroup::GetMaterialCustomFieldID},
    {&VgxGroup::AddGroupCustomField, &VgxGroup::ClearGroupCustomFields, &VgxGroup::GetGroupCustomFieldCount,
     &VgxGroup::GetGroupCustomFieldName, &VgxGroup::GetGroupCustomFieldID},
};

class GroupSettings : public ::testing::Test {
protected:
    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxGroup> group = root->CreateGroup(nullptr);
};

TEST_F(GroupSettings, EachSchemaNumbersItsNamesAndFindsThemIgnoringCase) {
    for (size_t s = 0; s < std::size(kSchemas); ++s) {
        SCOPED_TRACE(s);
        const Schema& schema = kSchemas[s];
        VgxGroup& g = *group;
        EXPECT_EQ((g.*schema.id)("Weight"), -1);
        EXPECT_EQ((g.*schema.add)("WEIGHT"), 0);
        EXPECT_EQ((g.*schema.add)("Colour"), 1);
        EXPECT_EQ((g.*schema.add)("weight"), 2);
        EXPECT_EQ((g.*schema.count)(), 3);
        EXPECT_EQ((g.*schema.name)(2), "weight");
        EXPECT_EQ((g.*schema.id)("weight"), 0);
        EXPECT_EQ((g.*schema.id)("COLOUR"), 1);
        EXPECT_EQ((g.*schema.id)("Colours"), -1);
        ExpectVgxError([&] { (g.*schema.name)(3); }, 9, "VgxGroup", "Subscript out of range");
        ExpectVgxError([&] { (g.*schema.name)(-1); }, 9, "VgxGroup", "Subscript out of range");
        EXPECT_EQ((g.*schema.count)(), 3);
        (g.*schema.clear)();
        EXPECT_EQ((g.*schema.count)(), 0);
        EXPECT_EQ((g.*schema.id)("weight"), -1);
        EXPECT_EQ((g.*schema.add)("Again"), 0);
    }
    // The three lists are independent.
    EXPECT_EQ(group->GetObjectCustomFieldCount(), 1);
    group->AddObjectCustomField("x");
    EXPECT_EQ(group->GetMaterialCustomFieldCount(), 1);
    EXPECT_EQ(group->GetGroupCustomFieldCount(), 1);
}

TEST_F(GroupSettings, SixCustomFieldValuesRaisingUnderTheirOwnSource) {
    for (int32_t id = 0; id <= 5; ++id) EXPECT_EQ(group->GetCustomFieldValue(id), "");
    for (int32_t id = 0; id <= 5; ++id) group->SetCustomFieldValue(id, "value " + std::to_string(id));
    for (int32_t id = 0; id <= 5; ++id) EXPECT_EQ(group->GetCustomFieldValue(id), "value " + std::to_string(id));
    for (int32_t id : {-1, 6}) {
        ExpectVgxError([&] { group->SetCustomFieldValue(id, "x"); }, 9, "VorlanSG", "Subscript out of range");
        ExpectVgxError([&] { group->GetCustomFieldValue(id); }, 9, "VorlanSG", "Subscript out of range");
    }
    EXPECT_EQ(group->GetCustomFieldValue(5), "value 5");
}

TEST_F(GroupSettings, FogIsStoredUnchecked) {
    float start = -1, end = -1, density = -1;
    EXPECT_EQ(group->GetSceneFogMode(), VgxFogLinear);
    EXPECT_EQ(group->GetSceneFogColor(), 0);
    EXPECT_EQ(group->GetSceneFogEnable(), 0);
    group->GetSceneFogParams(start, end, density);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 0);
    EXPECT_EQ(density, 0);
    group->SetSceneFogMode(static_cast<VgxFogMode>(9));
    group->SetSceneFogColor(static_cast<int32_t>(0xFF102030u));
    group->SetSceneFogEnable(-1);
    group->SetSceneFogParams(10, 2, -0.5f);
    group->SetSceneBackgroundRGB(0.1f, 0.2f, 0.3f);
    EXPECT_EQ(group->GetSceneFogMode(), 9);
    EXPECT_EQ(group->GetSceneFogColor(), static_cast<int32_t>(0xFF102030u));
    EXPECT_EQ(group->GetSceneFogEnable(), -1);
    group->GetSceneFogParams(start, end, density);
    EXPECT_EQ(start, 10);
    EXPECT_EQ(end, 2);
    EXPECT_EQ(density, -0.5f);
}

}  // namespace
