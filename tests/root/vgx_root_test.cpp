#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include "platform/message_box.h"
#include "root/library_state.h"
#include "support/internals.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;
using vgx::test::LogMessages;

TEST(SceneRoot, StartUpAndShutdownLog) {
    vgx::test::ClearLog();
    {
        auto root = Vgx::Create();
        EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Creating Scene Graph", "Vorlan RM Available",
                                                            "Vorlan Scene Graph Collections Created",
                                                            "Scene Graph Created"}));
    }
    EXPECT_EQ(LogMessages().back(), "Scene Graph Terminated");
}

TEST(SceneRoot, StartUpFailsWithTheLogFoldersError) {
    const std::string missing = vgx::test::ScratchFolder() + "/gone";
    setenv("XDG_DOCUMENTS_DIR", missing.c_str(), 1);
    ExpectVgxError([] { Vgx::Create(); }, 76, "Vgx", "Path not found");
    setenv("XDG_DOCUMENTS_DIR", vgx::test::ScratchFolder().c_str(), 1);
}

TEST(SceneRoot, SharesTheHiddenDeviceAndRegistriesBetweenRoots) {
    auto first = Vgx::Create();
    auto device = vgx::Library().hiddenDevice;
    ASSERT_TRUE(device);
    const VgxPresentParameters& parameters = device->GetPresentParameters();
    EXPECT_TRUE(parameters.Windowed);
    EXPECT_EQ(parameters.SwapEffect, 4);
    EXPECT_EQ(parameters.BackBufferCount, 1);
    EXPECT_EQ(parameters.BackBufferFormat, device->GetDisplayMode().Format);
    EXPECT_TRUE(parameters.EnableAutoDepthStencil);
    EXPECT_EQ(parameters.AutoDepthStencilFormat, 80);
    EXPECT_EQ(device->GetBehaviourFlags(), 32);
    EXPECT_NE(device->GetFocusWindow(), 0);
    auto second = Vgx::Create();
    EXPECT_EQ(vgx::Library().hiddenDevice, device);
}

TEST(SceneRoot, DeviceAndObjectIdsCountUp) {
    auto root = Vgx::Create();
    EXPECT_EQ(root->CreateDeviceID(), 0);
    EXPECT_EQ(root->CreateDeviceID(), 1);
    EXPECT_EQ(root->CreateDeviceID(), 2);
    auto a = root->CreateObject();
    auto b = root->CreateObject();
    EXPECT_EQ(a->GetObjectID(), 0);
    EXPECT_EQ(b->GetObjectID(), 1);
    EXPECT_EQ(RootOf(*a), root);
    // Ids belong to each root.
    EXPECT_EQ(Vgx::Create()->CreateDeviceID(), 0);
}

TEST(SceneRoot, LiveObjectCounterFollowsConstructionAndDestruction) {
    auto root = Vgx::Create();
    root->CollectGarbage();
    const int32_t before = vgx::Library().liveObjectCount;
    auto object = root->CreateObject();
    EXPECT_EQ(vgx::Library().liveObjectCount, before + 1);
    object.reset();
    root->CollectGarbage();
    EXPECT_EQ(vgx::Library().liveObjectCount, before);
}

TEST(SceneRoot, GroupWithParentIsAChildOnReturn) {
    auto root = Vgx::Create();
    auto top = root->CreateGroup(nullptr);
    auto child = root->CreateGroup(top);
    EXPECT_EQ(child->GetParent(), top);
    ASSERT_EQ(top->GetChildren()->GetSize(), 1);
    EXPECT_EQ(top->GetChildren()->GetElement(0), child);
    EXPECT_EQ(child->csVgx(), root);
    EXPECT_EQ(top->GetParent(), nullptr);
}

TEST(SceneRoot, DefaultMaterial) {
    auto root = Vgx::Create();
    auto material = root->CreateMaterial();
    D3DMATERIAL8 m = material->GetD3DMaterial();
    EXPECT_FLOAT_EQ(m.Diffuse.r, 1);
    EXPECT_FLOAT_EQ(m.Diffuse.g, 1);
    EXPECT_FLOAT_EQ(m.Diffuse.b, 1);
    EXPECT_FLOAT_EQ(m.Diffuse.a, 1);
    EXPECT_FLOAT_EQ(m.Ambient.r, 0.6f);
    EXPECT_FLOAT_EQ(m.Ambient.a, 0);
    EXPECT_FLOAT_EQ(m.Specular.g, 1);
    EXPECT_FLOAT_EQ(m.Specular.a, 1);
    EXPECT_FLOAT_EQ(m.Emissive.b, 0.2f);
    EXPECT_FLOAT_EQ(m.Emissive.a, 0);
    EXPECT_FLOAT_EQ(m.Power, 0);
    EXPECT_FALSE(material->Translucent());
    EXPECT_EQ(MaterialIndex(*material), -1);
    EXPECT_EQ(material->GetTexture(), nullptr);
    EXPECT_EQ(material->GetPluginID(), -1);
    EXPECT_EQ(RootOf(*material), root);
    EXPECT_EQ(static_cast<uint32_t>(material->GetColor()), 0xFFFFFFFFu);
}

TEST(SceneRoot, LightDefaults) {
    auto root = Vgx::Create();
    const int32_t color = root->CreateColorRGB(0.5f, 0.25f, 1);
    auto light = root->CreateLight(VgxLightSpot, color);
    EXPECT_EQ(light->GetType(), VgxLightSpot);
    EXPECT_EQ(light->GetColor(), color);
    EXPECT_FLOAT_EQ(light->GetConstantAttenuation(), 1);
    EXPECT_FLOAT_EQ(light->GetLinearAttenuation(), 0);
    EXPECT_FLOAT_EQ(light->GetQuadraticAttenuation(), 0);
    EXPECT_FLOAT_EQ(light->GetRange(), 256);
    EXPECT_FLOAT_EQ(light->GetUmbra(), 0.4f);
    EXPECT_FLOAT_EQ(light->GetPenumbra(), 0.5f);
    EXPECT_FALSE(light->GetCastShadow());
    EXPECT_EQ(light->GetAppData(), 0);
    auto rgb = root->CreateLightRGB(VgxLightPoint, 1, 0, 0);
    EXPECT_EQ(rgb->GetType(), VgxLightPoint);
    EXPECT_EQ(static_cast<uint32_t>(rgb->GetColor()), 0xFFFF0000u);
}

TEST(SceneRoot, PluginIds) {
    auto root = Vgx::Create();
    EXPECT_EQ(root->GetPluginID("marble.dll"), 0);
    EXPECT_EQ(root->GetPluginID("glass.dll"), 1);
    EXPECT_EQ(root->GetPluginID("MARBLE.DLL"), 0);
    EXPECT_EQ(root->GetPluginDLL(0), "marble.dll");
    EXPECT_EQ(root->GetPluginObject(1), nullptr);
    auto plugin = std::make_shared<PluginMaterial>();
    root->SetPluginObject(1, plugin);
    EXPECT_EQ(root->GetPluginObject(1), plugin);
    root->SetPluginObject(1, nullptr);
    EXPECT_EQ(root->GetPluginObject(1), nullptr);
    // The library's own plug-in names no one.
    EXPECT_EQ(plugin->GetName(), "");
    EXPECT_EQ(plugin->GetAuthor(), "");
}

TEST(SceneRoot, PluginIdsOutsideTheRegistryRaiseNineAndChangeNothing) {
    auto root = Vgx::Create();
    root->GetPluginID("marble.dll");
    for (int32_t id : {-1, 1, 100}) {
        ExpectVgxError([&] { root->GetPluginDLL(id); }, 9, "Vgx", "Subscript out of range");
        ExpectVgxError([&] { root->GetPluginObject(id); }, 9, "Vgx", "Subscript out of range");
        ExpectVgxError([&] { root->SetPluginObject(id, std::make_shared<PluginMaterial>()); }, 9, "Vgx",
                       "Subscript out of range");
    }
    EXPECT_EQ(root->GetPluginID("glass.dll"), 1);
    EXPECT_EQ(root->GetPluginObject(0), nullptr);
}

TEST(SceneRoot, MessageBoxGoesToTheHandlerOrToTheLog) {
    auto root = Vgx::Create();
    struct Shown {
        std::string text, title;
        int32_t style;
    };
    std::vector<Shown> shown;
    root->SetMessageBoxHandler([&](const std::string& text, const std::string& title, int32_t style) {
        shown.push_back({text, title, style});
    });
    vgx::platform::ShowMessageBox(*root, "No normals", VgxMessageExclamation);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "No normals");
    EXPECT_EQ(shown[0].style, VgxMessageExclamation);
    root->SetMessageBoxHandler(nullptr);
    vgx::test::ClearLog();
    testing::internal::CaptureStderr();
    vgx::platform::ShowMessageBox(*root, "No UVs", VgxMessageExclamation);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No UVs"), std::string::npos);
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"VorlanSG: No UVs"}));
}

}  // namespace
