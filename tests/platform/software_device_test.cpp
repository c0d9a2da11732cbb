#include <gtest/gtest.h>
#include <vgx/VgxDevice.h>

#include <vector>

#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;

TEST(SoftwareDevice, BuffersKeepWhatIsWritten) {
    VgxSoftwareDevice device;
    auto vertices = device.CreateVertexBuffer(88, VgxUsageWriteOnly, VgxVertexFormat44, VgxPoolManaged);
    EXPECT_EQ(vertices->GetLength(), 88u);
    EXPECT_EQ(vertices->GetFormat(), VgxVertexFormat44);
    EXPECT_EQ(vertices->GetUsage(), VgxUsageWriteOnly);
    const float position[3] = {1, 2, 3};
    vertices->Write(44, position, sizeof position);
    float back[3] = {};
    vertices->Read(44, back, sizeof back);
    EXPECT_EQ(back[2], 3);
    ExpectVgxError([&] { vertices->Write(80, position, sizeof position); }, 9, "VorlanSG", "Subscript out of range");
    ExpectVgxError([&] { vertices->Read(89, back, 0); }, 9, "VorlanSG", "Subscript out of range");

    auto indices = device.CreateIndexBuffer(6, VgxUsageWriteOnly, VgxFormatIndex16, VgxPoolManaged);
    const int16_t triangle[3] = {0, 1, 2};
    indices->Write(0, triangle, sizeof triangle);
    int16_t read[3];
    indices->Read(0, read, sizeof read);
    EXPECT_EQ(read[1], 1);
    EXPECT_EQ(indices->GetFormat(), VgxFormatIndex16);
}

TEST(SoftwareDevice, RefusesImpossibleResources) {
    VgxSoftwareDevice device;
    ExpectVgxError([&] { device.CreateVertexBuffer(0, 0, VgxVertexFormat44, VgxPoolManaged); }, 5, "VorlanSG",
                   "Invalid procedure call or argument");
    ExpectVgxError([&] { device.CreateIndexBuffer(6, 0, 77, VgxPoolManaged); }, 5, "VorlanSG",
                   "Invalid procedure call or argument");
    ExpectVgxError([&] { device.CreateTexture(0, 4, 0, 0, VgxFormatA8R8G8B8, VgxPoolManaged); }, 5, "VorlanSG",
                   "Invalid procedure call or argument");
}

TEST(SoftwareDevice, TexturesHaveMipChains) {
    VgxSoftwareDevice device;
    auto full = device.CreateTexture(8, 2, 0, 0, VgxFormatA8R8G8B8, VgxPoolManaged);
    ASSERT_EQ(full->GetLevelCount(), 4);  // 8x2, 4x1, 2x1, 1x1
    EXPECT_EQ(full->GetLevelWidth(1), 4);
    EXPECT_EQ(full->GetLevelHeight(1), 1);
    EXPECT_EQ(full->GetLevelWidth(3), 1);
    auto two = device.CreateTexture(8, 8, 2, 0, VgxFormatA8R8G8B8, VgxPoolManaged);
    EXPECT_EQ(two->GetLevelCount(), 2);
    std::vector<int32_t> pixels(16, 0x11223344);
    two->WriteLevel(1, pixels);
    EXPECT_EQ(two->ReadLevel(1), pixels);
    ExpectVgxError([&] { two->WriteLevel(0, pixels); }, 5, "VorlanSG", "Invalid procedure call or argument");
    ExpectVgxError([&] { two->ReadLevel(2); }, 9, "VorlanSG", "Subscript out of range");
}

TEST(SoftwareDevice, LostUntilReset) {
    VgxPresentParameters parameters;
    parameters.Windowed = true;
    VgxSoftwareDevice device(parameters, 7, 32);
    EXPECT_EQ(device.TestCooperativeLevel(), VgxDeviceOK);
    EXPECT_EQ(device.GetRenderState(VgxRenderStateSoftwareVertexProcessing), 1);
    device.MarkLost();
    EXPECT_EQ(device.TestCooperativeLevel(), VgxDeviceNotReset);
    parameters.BackBufferCount = 2;
    EXPECT_EQ(device.Reset(parameters), VgxDeviceOK);
    EXPECT_EQ(device.TestCooperativeLevel(), VgxDeviceOK);
    EXPECT_EQ(device.GetPresentParameters().BackBufferCount, 2);
    EXPECT_EQ(device.GetResetCount(), 1);
}

TEST(SoftwareDevice, StoresTheStateTheHostSets) {
    VgxSoftwareDevice device;
    EXPECT_GE(device.GetDeviceCaps().MaxVertexIndex, 65536);
    device.SetDeviceCaps({65535, 65535});
    EXPECT_EQ(device.GetDeviceCaps().MaxVertexIndex, 65535);
    device.SetViewport({10, 20, 300, 200, 0, 1});
    EXPECT_EQ(device.GetViewport().Width, 300);
    VgxMatrix view{};
    view.m[12] = 5;
    device.SetTransform(VgxTransformView, view);
    EXPECT_EQ(device.GetTransform(VgxTransformView).m[12], 5);
    EXPECT_EQ(device.GetTransform(VgxTransformProjection).m[0], 1);
    ExpectVgxError([&] { device.SetTransform(256, view); }, 5, "VorlanSG", "Invalid procedure call or argument");
}

}  // namespace
