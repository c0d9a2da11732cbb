#include <gtest/gtest.h>
#include <vgx/VgxDevice.h>

#include <algorithm>
#include <array>
#include <vector>

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

// Writes of many megabytes take another copying path: every byte lands, from any
// starting byte, and none around the written range changes.
TEST(SoftwareDevice, BigWritesKeepEveryByteWhereverTheyStartAndEnd) {
    VgxSoftwareDevice device;
    constexpr size_t kLength = (size_t{9} << 20) + 77, kOffset = 5, kSize = kLength - kOffset - 3;
    auto buffer = device.CreateIndexBuffer(kLength, VgxUsageWriteOnly, VgxFormatIndex32, VgxPoolManaged);
    const std::vector<uint8_t> zeros(kLength, 0);
    buffer->Write(0, zeros.data(), kLength);
    std::vector<uint8_t> bytes(kSize + 1);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + i / 251);
    buffer->Write(kOffset, bytes.data() + 1, kSize);  // neither end on a 16-byte boundary
    std::vector<uint8_t> read(kLength);
    buffer->Read(0, read.data(), kLength);
    std::vector<uint8_t> expected(kLength, 0);
    std::copy(bytes.begin() + 1, bytes.end(), expected.begin() + kOffset);
    EXPECT_TRUE(read == expected);
}

// A mesh over buffers reads their bytes; a write to either side leaves the other as it was.
TEST(SoftwareDevice, AMeshOverBuffersSharesThemUntilEitherIsWritten) {
    VgxSoftwareDevice device;
    auto vertices = device.CreateVertexBuffer(3 * 44, VgxUsageWriteOnly, VgxVertexFormat44, VgxPoolManaged);
    auto indices = device.CreateIndexBuffer(3 * 2, VgxUsageWriteOnly, VgxFormatIndex16, VgxPoolManaged);
    std::array<float, 33> corners{};
    for (size_t i = 0; i < corners.size(); ++i) corners[i] = float(i);
    const std::array<int16_t, 3> triangle{0, 1, 2}, other{2, 1, 0};
    vertices->Write(0, corners.data(), sizeof corners);
    indices->Write(0, triangle.data(), sizeof triangle);
    // Two of the three vertices, and indices that must fill the index buffer exactly.
    ExpectInvalid([&] { device.CreateMeshOver(1, 4, VgxMeshManaged, VgxVertexFormat44, vertices, indices); });
    ExpectInvalid([&] { device.CreateMeshOver(2, 2, VgxMeshManaged, VgxVertexFormat44, vertices, indices); });
    ExpectInvalid(
        [&] { device.CreateMeshOver(1, 2, VgxMeshManaged | VgxMeshIndex32, VgxVertexFormat44, vertices, indices); });
    auto mesh = device.CreateMeshOver(1, 2, VgxMeshManaged, VgxVertexFormat44, vertices, indices);
    EXPECT_EQ(std::tuple(mesh->GetNumFaces(), mesh->GetNumVertices(), mesh->GetVertexBuffer()->GetLength(),
                         mesh->GetIndexBuffer()->GetLength(), mesh->GetIndexBuffer()->GetFormat()),
              std::tuple(1, 2, size_t{88}, size_t{6}, int32_t{VgxFormatIndex16}));
    std::array<float, 22> meshVertices{};
    mesh->GetVertexBuffer()->Read(0, meshVertices.data(), 88);
    EXPECT_TRUE(std::equal(meshVertices.begin(), meshVertices.end(), corners.begin()));

    const float moved[3] = {-1, -2, -3};
    mesh->GetVertexBuffer()->Write(0, moved, sizeof moved);
    indices->Write(0, other.data(), sizeof other);
    std::array<float, 33> source{};
    std::array<int16_t, 3> meshTriangle{};
    vertices->Read(0, source.data(), sizeof source);
    mesh->GetIndexBuffer()->Read(0, meshTriangle.data(), sizeof meshTriangle);
    mesh->GetVertexBuffer()->Read(0, meshVertices.data(), 88);
    EXPECT_EQ(source, corners);
    EXPECT_EQ(meshTriangle, triangle);
    EXPECT_EQ(std::tuple(meshVertices[0], meshVertices[2], meshVertices[3]), std::tuple(-1.0f, -3.0f, 3.0f));

    // Buffers of another kind cannot be shared: the caller is told to copy.
    struct Foreign : VgxIndexBuffer {
        size_t GetLength() const override { return 6; }
        void Write(size_t, const void*, size_t) override {}
        void Read(size_t, void*, size_t) const override {}
        int32_t GetFormat() const override { return VgxFormatIndex16; }
        int32_t GetUsage() const override { return 0; }
    };
    EXPECT_EQ(device.CreateMeshOver(1, 2, VgxMeshManaged, VgxVertexFormat44, vertices, std::make_shared<Foreign>()),
              nullptr);
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
