#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "material/materials_equal.h"
#include "root/library_state.h"
#include "support/internals.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;

class Material : public ::testing::Test {
protected:
    // A texture entry of the root with the given file names.
    std::shared_ptr<VgxTexture> Texture(const std::string& name, const std::string& alphaMap = "") {
        auto texture = MakeBare<VgxTexture>();
        vgx::iVgxTexture entry;
        entry.TextureName = name;
        entry.TextureAlphaName = alphaMap;
        Internals(*root).textures.push_back(entry);
        BindTexture(*texture, root, static_cast<int32_t>(Internals(*root).textures.size()));
        return texture;
    }
    void TearDown() override { Internals(*root).textures.clear(); }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxMaterial> material = root->CreateMaterial();
};

TEST_F(Material, BlackAmbientAndEmissiveFollowTheDiffuseColour) {
    material->SetColorRGBA(1, 0, 0, 1);
    material->SetAmbient(0, 0, 0);
    material->SetEmissive(0, 0, 0);
    D3DMATERIAL8 m = material->GetD3DMaterial();
    EXPECT_FLOAT_EQ(m.Ambient.r, 0.6f);
    EXPECT_FLOAT_EQ(m.Ambient.g, 0);
    EXPECT_FLOAT_EQ(m.Emissive.r, 0.2f);
    material->SetAmbient(0.1f, 0.2f, 0.3f);
    EXPECT_FLOAT_EQ(material->GetD3DMaterial().Ambient.b, 0.3f);
}

TEST_F(Material, AlphaDecidesOpacity) {
    material->SetColorRGBA(1, 1, 1, 0.98f);
    EXPECT_FALSE(material->Translucent());
    EXPECT_FLOAT_EQ(material->GetD3DMaterial().Diffuse.a, 1.0f);
    material->SetColorRGBA(1, 1, 1, 0.96f);
    EXPECT_TRUE(material->Translucent());
    EXPECT_NEAR(material->GetD3DMaterial().Diffuse.a, 0.96f, 0.5f / 255);
}

TEST_F(Material, TheCacheIsRebuiltOnlyAfterItsSetters) {
    D3DMATERIAL8 first = material->GetD3DMaterial();
    material->SetPower(12);
    EXPECT_FLOAT_EQ(material->GetD3DMaterial().Power, 12);
    material->SetSpecular(0.5f, 0.5f, 0.5f);
    EXPECT_FLOAT_EQ(material->GetD3DMaterial().Specular.r, 0.5f);
    EXPECT_FLOAT_EQ(first.Power, 0);
}

TEST_F(Material, TextureNamesDecideTranslucency) {
    material->SetTexture(Texture("wall.tga"));
    EXPECT_TRUE(material->Translucent());
    material->SetTexture(Texture("WALL.Png"));
    EXPECT_TRUE(material->Translucent());
    material->SetTexture(Texture("wall.bmp"));
    EXPECT_FALSE(material->Translucent());
    material->SetTexture(Texture("wall.bmp", "a.bmp"));
    EXPECT_TRUE(material->Translucent());
    material->SetTexture(Texture("wall.bmp", "ab"));
    EXPECT_FALSE(material->Translucent());
    // A texture whose entry cannot be read changes nothing.
    auto stale = MakeBare<VgxTexture>();
    material->SetTexture(stale);
    EXPECT_FALSE(material->Translucent());
    EXPECT_EQ(material->GetTexture(), stale);
}

TEST_F(Material, CustomFieldsAreSixSlots) {
    for (int32_t id = 0; id < 6; ++id) material->SetCustomFieldValue(id, "v" + std::to_string(id));
    EXPECT_EQ(material->GetCustomFieldValue(5), "v5");
    for (int32_t id : {-1, 6}) {
        ExpectVgxError([&] { material->SetCustomFieldValue(id, "x"); }, 9, "VorlanSG", "Subscript out of range");
        ExpectVgxError([&] { material->GetCustomFieldValue(id); }, 9, "VorlanSG", "Subscript out of range");
    }
    EXPECT_EQ(material->GetCustomFieldValue(0), "v0");
}

TEST_F(Material, PluginParameters) {
    std::vector<float> out{9};
    material->GetPlugInParameters(out);
    EXPECT_EQ(out, std::vector<float>{9});
    material->SetPlugInParameters({1, 2});
    material->SetPlugInParameters({});
    material->GetPlugInParameters(out);
    EXPECT_EQ(out, (std::vector<float>{1, 2}));
}

TEST_F(Material, CopyToLeavesPluginAndCustomFields) {
    material->SetColorRGBA(0, 1, 0, 0.5f);
    material->SetName("leaf");
    material->SetPower(3);
    SetMaterialIndex(*material, 4);
    material->SetTextureWrappingFlags(1, 2);
    material->SetPlugInID(7);
    material->SetCustomFieldValue(0, "source");
    auto target = root->CreateMaterial();
    target->SetPlugInID(2);
    target->SetPlugInParameters({5});
    target->SetCustomFieldValue(0, "target");
    CopyMaterial(*material, *target);
    EXPECT_EQ(target->GetColor(), material->GetColor());
    EXPECT_TRUE(target->Translucent());
    EXPECT_EQ(target->GetName(), "leaf");
    EXPECT_FLOAT_EQ(target->GetPower(), 3);
    EXPECT_EQ(MaterialIndex(*target), 4);
    int32_t u, v;
    target->GetTextureWrappingFlags(u, v);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(target->GetPluginID(), 2);
    EXPECT_EQ(target->GetCustomFieldValue(0), "target");
    std::vector<float> parameters;
    target->GetPlugInParameters(parameters);
    EXPECT_EQ(parameters, std::vector<float>{5});
}

TEST_F(Material, ColourNeedsARoot) {
    auto orphan = MakeBare<VgxMaterial>();
    float r, g, b, a;
    ExpectVgxError([&] { orphan->SetColor(5); }, 91, "VorlanSG", "Object variable or With block variable not set");
    ExpectVgxError([&] { orphan->GetColorRGBA(r, g, b, a); }, 91, "VorlanSG",
                   "Object variable or With block variable not set");
    ExpectVgxError([&] { orphan->GetD3DMaterial(); }, 91, "VorlanSG",
                   "Object variable or With block variable not set");
    EXPECT_EQ(orphan->GetColor(), 0);
}

TEST_F(Material, EqualityRules) {
    auto other = root->CreateMaterial();
    EXPECT_TRUE(vgx::MaterialsEqual(*material, *other));
    material->SetCustomFieldValue(2, "Steel");
    other->SetCustomFieldValue(2, "STEEL");
    EXPECT_TRUE(vgx::MaterialsEqual(*material, *other));
    material->SetRaytraceAttributes("gloss");
    other->SetRaytraceAttributes("Gloss");
    EXPECT_FALSE(vgx::MaterialsEqual(*material, *other));
    other->SetRaytraceAttributes("gloss");
    // Plug-in parameters count only with a plug-in, and then within 0.0001.
    material->SetPlugInParameters({1.0f, 2.0f});
    other->SetPlugInParameters({1.00005f, 2.0f});
    EXPECT_TRUE(vgx::MaterialsEqual(*material, *other));
    other->SetPlugInParameters({1.0f});
    EXPECT_TRUE(vgx::MaterialsEqual(*material, *other));
    material->SetPlugInID(3);
    other->SetPlugInID(3);
    EXPECT_FALSE(vgx::MaterialsEqual(*material, *other));
    other->SetPlugInParameters({1.00005f, 2.0f});
    EXPECT_TRUE(vgx::MaterialsEqual(*material, *other));
    // The same texture object, not an equal one.
    other->SetTexture(Texture("wall.bmp"));
    EXPECT_FALSE(vgx::MaterialsEqual(*material, *other));
    material->SetTexture(other->GetTexture());
    EXPECT_TRUE(vgx::MaterialsEqual(*material, *other));
    other->SetEmissive(0.2f, 0.2f, 0.21f);
    EXPECT_FALSE(vgx::MaterialsEqual(*material, *other));
}

TEST(Light, ColourThroughTheRoot) {
    auto root = Vgx::Create();
    auto light = root->CreateLight(VgxLightDirectional, 0);
    light->SetColorRGB(1, 0.5f, 0);
    EXPECT_EQ(static_cast<uint32_t>(light->GetColor()) >> 24, 255u);
    float r, g, b;
    light->GetColorRGB(r, g, b);
    EXPECT_FLOAT_EQ(r, 1);
    EXPECT_NEAR(g, 0.5f, 1.0f / 255);
    EXPECT_FLOAT_EQ(b, 0);
    // Values are stored unchecked.
    light->SetRange(-3);
    light->SetType(static_cast<VgxLightType>(9));
    EXPECT_FLOAT_EQ(light->GetRange(), -3);
    EXPECT_EQ(light->GetType(), 9);
}

TEST(Light, ALightNoRootMadeCannotConvertColours) {
    auto light = MakeBare<VgxLight>();
    EXPECT_EQ(light->GetConstantAttenuation(), 0);
    EXPECT_EQ(light->GetRange(), 0);
    float r, g, b;
    ExpectVgxError([&] { light->GetColorRGB(r, g, b); }, 91, "VorlanSG",
                   "Object variable or With block variable not set");
    ExpectVgxError([&] { light->SetColorRGB(1, 1, 1); }, 91, "VorlanSG",
                   "Object variable or With block variable not set");
    EXPECT_EQ(light->GetColor(), 0);
}

}  // namespace
