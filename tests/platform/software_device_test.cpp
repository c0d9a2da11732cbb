#include <gtest/gtest.h>
#include <vgx/VgxDevice.h>

#include <array>

#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;
void ExpectInvalid(auto f) { ExpectVgxError(f, 5, "VorlanSG", "Invalid procedure call or argument"); }
void ExpectOutOfRange(auto f) { ExpectVgxError(f, 9, "VorlanSG", "Subscript out of range"); }

TEST(SoftwareDevice, BuffersOfAPossibleSizeKeepWhatIsWrittenAndNothingPastTheirEnd) {
    VgxSoftwareDevice device;
    ExpectInvalid([&] { device.CreateVertexBuffer(0, 0, VgxVertexFormat44, VgxPoolManaged); });
    ExpectInvalid([&] { device.CreateIndexBuffer(6, 0, 77, VgxPoolManaged); });
    auto vertices = device.CreateVertexBuffer(88, VgxUsageWriteOnly, VgxVertexFormat44, VgxPoolManaged);
    EXPECT_EQ(std::tuple(vertices->GetLength(), vertices->GetFormat(), vertices->GetUsage()),
              std::tuple(88u, VgxVertexFormat44, VgxUsageWriteOnly));
    // A new buffer's bytes are undefined until written.
    std::array<float, 22> all{}, expected{};
    vertices->Write(0, all.data(), 88);
    const float position[3] = {1, 2, 3};
    vertices->Write(44, position, sizeof position);
    ExpectOutOfRange([&] { vertices->Write(80, position, sizeof position); });
    ExpectOutOfRange([&] { vertices->Read(89, all.data(), 0); });
    vertices->Read(0, all.data(), 88);
    expected[11] = 1, expected[12] = 2, expected[13] = 3;
    EXPECT_EQ(all, expected);  // and not a byte of the refused write
}

TEST(SoftwareDevice, TexturesOfAPossibleSizeHaveMipChains) {
    VgxSoftwareDevice device;
    ExpectInvalid([&] { device.CreateTexture(0, 4, 0, 0, VgxFormatA8R8G8B8, VgxPoolManaged); });
    auto full = device.CreateTexture(8, 2, 0, 0, VgxFormatA8R8G8B8, VgxPoolManaged);
    ASSERT_EQ(full->GetLevelCount(), 4);  // 8x2, 4x1, 2x1, 1x1
    EXPECT_EQ(std::tuple(full->GetLevelWidth(1), full->GetLevelHeight(1), full->GetLevelWidth(3)), std::tuple(4, 1, 1));
    auto two = device.CreateTexture(8, 8, 2, 0, VgxFormatA8R8G8B8, VgxPoolManaged);
    EXPECT_EQ(two->GetLevelCount(), 2);
    std::vector<int32_t> pixels(16, 0x11223344);
    two->WriteLevel(1, pixels);
    EXPECT_EQ(two->ReadLevel(1), pixels);
    ExpectInvalid([&] { two->WriteLevel(0, pixels); });  // 16 pixels for a level of 64
    EXPECT_EQ(two->ReadLevel(0), std::vector<int32_t>(64, 0));
    ExpectOutOfRange([&] { two->ReadLevel(2); });
}

TEST(SoftwareDevice, LostUntilResetAndRefusesUnknownTransforms) {
    VgxPresentParameters parameters;
    parameters.Windowed = true;
    VgxSoftwareDevice device(parameters, 7, 32);
    EXPECT_EQ(device.TestCooperativeLevel(), VgxDeviceOK);
    EXPECT_EQ(device.GetRenderState(VgxRenderStateSoftwareVertexProcessing), 1);
    device.MarkLost();
    EXPECT_EQ(device.TestCooperativeLevel(), VgxDeviceNotReset);
    parameters.BackBufferCount = 2;
    EXPECT_EQ(device.Reset(parameters), VgxDeviceOK);
    EXPECT_EQ(std::tuple(device.TestCooperativeLevel(), device.GetPresentParameters().BackBufferCount,
                         device.GetResetCount()),
              std::tuple(VgxDeviceOK, 2, 1));

    const VgxMatrix view{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1}};
    device.SetTransform(VgxTransformView, view);
    ExpectInvalid([&] { device.SetTransform(256, VgxMatrix{}); });
    EXPECT_EQ(std::tuple(device.GetTransform(VgxTransformView).m[12], device.GetTransform(VgxTransformProjection).m[0]),
              std::tuple(5, 1));
}

}  // namespace
