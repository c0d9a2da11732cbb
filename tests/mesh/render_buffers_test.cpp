#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <cstring>

#include "support/internals.h"
#include "support/obj_reader.h"
#include "support/vgx_test.h"

namespace {

using vgx::test::ExpectVgxError;

template <class T>
std::vector<T> ReadBack(const VgxDeviceBuffer& buffer) {
    std::vector<T> values(buffer.GetLength() / sizeof(T));
    buffer.Read(0, values.data(), values.size() * sizeof(T));
    return values;
}

const std::vector<int32_t> kTriangle{3, 0, 0, 0, 1, 0, 1, 2, 0, 2, 0};

class RenderBuffers : public ::testing::Test {
protected:
    void SetUp() override { deviceId = root->CreateDeviceID(); }
    void AddTriangle(VgxObject& object) {
        object.AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}}, {{0, 0}, {1, 0}, {0, 1}}, kTriangle, true,
                        false);
    }

    std::shared_ptr<Vgx> root = Vgx::Create();
    std::shared_ptr<VgxObject> mesh = root->CreateObject();
    std::shared_ptr<VgxSoftwareDevice> device = std::make_shared<VgxSoftwareDevice>();
    int32_t deviceId = 0;
};

TEST_F(RenderBuffers, AnEmptyObjectHasNothingToDraw) {
    EXPECT_EQ(mesh->GetSubObjectCount(), 0);
    EXPECT_EQ(Internals(*mesh).renderBufferState, 1);
    EXPECT_EQ(mesh->GetVertexBuffer(deviceId, device), nullptr);
    EXPECT_EQ(mesh->GetVertexBufferObjectVertexCount(), 0);
    EXPECT_EQ(mesh->GetVertexSize(), 44);
    EXPECT_EQ(mesh->GetVertexFormat(), 594);
}

TEST_F(RenderBuffers, ASingleTriangleInEachFillMode) {
    AddTriangle(*mesh);
    struct Case {
        int32_t quality, nonSolidIndices, nonSolidCount;
    };
    for (const Case& c : {Case{VgxFillWireframe, 6, 3}, Case{VgxFillPoints, 3, 3}, Case{VgxFillSolid, 0, 0},
                          Case{VgxFillOutline | VgxFillPoints, 6, 6}}) {
        mesh->SetQuality(c.quality | VgxShadeGouraud);
        auto vertices = mesh->GetVertexBuffer(deviceId, device);
        ASSERT_EQ(mesh->GetSubObjectCount(), 1);
        EXPECT_EQ(mesh->GetVertexBufferObjectVertexCount(), 3);
        EXPECT_EQ(vertices->GetLength(), 3u * 44);
        EXPECT_EQ(mesh->GetSubObjectSolidPrimitiveCount(0), 1);
        EXPECT_EQ(mesh->GetSubObjectNonSolidPrimitiveCount(0), c.nonSolidCount) << c.quality;
        auto lines = mesh->GetSubObjectNonSolidIndexBuffer(deviceId, 0);
        if (c.nonSolidIndices == 0) {
            EXPECT_EQ(lines, nullptr);
        } else {
            ASSERT_NE(lines, nullptr);
            EXPECT_EQ(lines->GetLength(), c.nonSolidIndices * 4u);
        }
    }
    // Wireframe lines close the polygon first: (2, 0), (0, 1), (1, 2).
    mesh->SetQuality(VgxFillWireframe);
    mesh->GetVertexBuffer(deviceId, device);
    EXPECT_EQ(ReadBack<int32_t>(*mesh->GetSubObjectNonSolidIndexBuffer(deviceId, 0)),
              (std::vector<int32_t>{2, 0, 0, 1, 1, 2}));
    EXPECT_EQ(ReadBack<int32_t>(*mesh->GetSubObjectSolidIndexBuffer(deviceId, 0)), (std::vector<int32_t>{0, 1, 2}));
}

TEST_F(RenderBuffers, VertexBytesAsTheDeviceReceivesThem) {
    AddTriangle(*mesh);
    auto material = mesh->GetFace(0)->GetMaterial();
    material->SetColor(static_cast<int32_t>(0x80FF4020u));
    auto bytes = ReadBack<uint8_t>(*mesh->GetVertexBuffer(deviceId, device));
    ASSERT_EQ(bytes.size(), 132u);
    float f[11];
    std::memcpy(f, bytes.data() + 44, sizeof f);  // vertex 1: point (1, 0, 0), UV (1, 0)
    EXPECT_EQ(f[0], 1);
    EXPECT_EQ(f[1], 0);
    EXPECT_EQ(f[5], 1);  // normal Z
    uint32_t diffuse;
    std::memcpy(&diffuse, bytes.data() + 44 + 24, 4);
    EXPECT_EQ(diffuse, 0x80FF4020u);
    EXPECT_EQ(f[7], 1);  // U
    EXPECT_EQ(f[8], 0);  // V
    EXPECT_EQ(f[9], 1);  // second set copies the first
    EXPECT_EQ(f[10], 0);
    EXPECT_EQ(mesh->GetVertexBuffer(deviceId, device)->GetFormat(), 0x252);
    EXPECT_EQ(mesh->GetVertexBuffer(deviceId, device)->GetUsage(), VgxUsageWriteOnly);
}

TEST_F(RenderBuffers, CornersShareVerticesOnlyWithinOneColour) {
    // A quad of two triangles; the shared corners have the same point, normal and UV.
    const std::vector<int32_t> twoTriangles{3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 2, 0, 0, 1, 0, 0, 3, 0, 0, 0};
    mesh->AddFaces({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 0, 1}}, {{0, 0}}, twoTriangles, true, false);
    auto first = root->CreateMaterial(), second = root->CreateMaterial();
    mesh->GetFace(0)->ApplyMaterial(first);
    mesh->GetFace(1)->ApplyMaterial(second);
    // Attribute-equal but distinct materials are two sub-objects sharing vertices.
    EXPECT_EQ(mesh->GetSubObjectCount(), 2);
    EXPECT_EQ(mesh->GetVertexBufferObjectVertexCount(), 4);
    EXPECT_EQ(mesh->GetSubObjectMaterial(1), second);
    second->SetColorRGBA(1, 0, 0, 1);
    mesh->GetFace(1)->ApplyMaterial(second);  // marks the render data stale
    EXPECT_EQ(mesh->GetVertexBufferObjectVertexCount(), 6);
    ExpectVgxError([&] { mesh->GetSubObjectMaterial(2); }, 9, "VgxObject", "Subscript out of range");
    ExpectVgxError([&] { mesh->GetSubObjectSolidPrimitiveCount(-1); }, 9, "VgxObject", "Subscript out of range");
}

TEST_F(RenderBuffers, IndexWidthFollowsTheFirstDevice) {
    AddTriangle(*mesh);
    auto narrow = std::make_shared<VgxSoftwareDevice>();
    narrow->SetDeviceCaps({65535, 65535});
    mesh->GetVertexBuffer(deviceId, narrow);
    auto indices = mesh->GetSubObjectSolidIndexBuffer(deviceId, 0);
    EXPECT_EQ(indices->GetFormat(), VgxFormatIndex16);
    EXPECT_EQ(ReadBack<int16_t>(*indices), (std::vector<int16_t>{0, 1, 2}));
    // Fixed for the object's life, whatever device asks later.
    const int32_t second = root->CreateDeviceID();
    mesh->GetVertexBuffer(second, device);
    EXPECT_EQ(mesh->GetSubObjectSolidIndexBuffer(second, 0)->GetFormat(), VgxFormatIndex16);
    auto wide = root->CreateObject();
    AddTriangle(*wide);
    wide->GetVertexBuffer(second, device);
    EXPECT_EQ(wide->GetSubObjectSolidIndexBuffer(second, 0)->GetFormat(), VgxFormatIndex32);
    auto meshOfTriangles = wide->GetSubObjectD3DXMesh(second, 0, device);
    ASSERT_NE(meshOfTriangles, nullptr);
    EXPECT_EQ(meshOfTriangles->GetNumFaces(), 1);
    EXPECT_EQ(meshOfTriangles->GetNumVertices(), 3);
    EXPECT_EQ(meshOfTriangles->GetOptions(), 0x221);
    EXPECT_EQ(ReadBack<int32_t>(*meshOfTriangles->GetIndexBuffer()), (std::vector<int32_t>{0, 1, 2}));
}

TEST_F(RenderBuffers, SixteenBitIndicesOverflowPast32768Vertices) {
    // 10923 separate triangles: 32769 vertices.
    std::vector<VgxVector> points;
    std::vector<int32_t> faceData;
    for (int32_t t = 0; t < 10923; ++t) {
        const auto x = static_cast<float>(t);
        points.insert(points.end(), {{x, 0, 0}, {x + 0.5f, 0, 0}, {x, 1, 0}});
        faceData.insert(faceData.end(), {3, 3 * t, 0, 0, 3 * t + 1, 0, 0, 3 * t + 2, 0, 0});
    }
    faceData.push_back(0);
    mesh->AddFaces(points, {{0, 0, 1}}, {{0, 0}}, faceData, false, false);
    auto narrow = std::make_shared<VgxSoftwareDevice>();
    narrow->SetDeviceCaps({65535, 65535});
    ExpectVgxError([&] { mesh->GetVertexBuffer(deviceId, narrow); }, 6, "VgxObject", "Overflow");
    EXPECT_EQ(Internals(*mesh).Base().D3DVertexBuffer[deviceId], nullptr);
}

TEST_F(RenderBuffers, MissingUVsAndNormalsAreRepairedAndLogged) {
    // Faces indexing pools that hold points only.
    for (const VgxVector& p : std::vector<VgxVector>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) mesh->AddOptimizedPoint(p);
    mesh->SetName("bare");
    mesh->AddFacesIndexed({3, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}, false);
    vgx::test::ClearLog();
    EXPECT_EQ(mesh->GetSubObjectCount(), 1);
    EXPECT_EQ(vgx::test::LogMessages(), (std::vector<std::string>{"Recovered from missing UV for object: bare",
                                                                   "Recovered from missing Normal for object: bare"}));
    EXPECT_EQ(mesh->GetUVCount(), 1);
    EXPECT_EQ(mesh->GetNormal(0).Z, 0);
    auto vertices = ReadBack<vgx::RenderVertex>(*mesh->GetVertexBuffer(deviceId, device));
    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_EQ(vertices[2].Position[1], 1);
    EXPECT_EQ(vertices[2].UV0[0], 0);
}

TEST_F(RenderBuffers, ReleasedBuffersAreMadeAgain) {
    AddTriangle(*mesh);
    auto first = mesh->GetVertexBuffer(deviceId, device);
    auto indices = mesh->GetSubObjectSolidIndexBuffer(deviceId, 0);
    EXPECT_EQ(mesh->GetVertexBuffer(deviceId, device), first);  // cached while nothing changes
    root->ReleaseDirect3DBuffers();
    EXPECT_EQ(mesh->GetSubObjectSolidIndexBuffer(deviceId, 0), nullptr);
    auto second = mesh->GetVertexBuffer(deviceId, device);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(ReadBack<uint8_t>(*second), ReadBack<uint8_t>(*first));
    EXPECT_EQ(ReadBack<int32_t>(*mesh->GetSubObjectSolidIndexBuffer(deviceId, 0)), ReadBack<int32_t>(*indices));
}

TEST_F(RenderBuffers, BadDevicesAndIds) {
    AddTriangle(*mesh);
    ExpectVgxError([&] { mesh->GetVertexBuffer(deviceId, nullptr); }, 91, "VgxObject",
                   "Object variable or With block variable not set");
    ExpectVgxError([&] { mesh->GetVertexBuffer(deviceId + 1, device); }, 9, "VgxObject", "Subscript out of range");
    ExpectVgxError([&] { mesh->GetVertexBuffer(-1, device); }, 9, "VgxObject", "Subscript out of range");
    mesh->GetVertexBuffer(deviceId, device);
    ExpectVgxError([&] { mesh->GetSubObjectSolidIndexBuffer(deviceId + 1, 0); }, 9, "VgxObject",
                   "Subscript out of range");
    ExpectVgxError([&] { mesh->GetSubObjectSolidIndexBuffer(deviceId, 1); }, 9, "VgxObject", "Subscript out of range");
    EXPECT_EQ(mesh->GetSubVisualSolidIndexBuffer(deviceId, 0), nullptr);
    EXPECT_EQ(mesh->GetSubVisualSolidPrimitiveCount(0), 0);
}

TEST_F(RenderBuffers, MovingAPointRewritesOnlyItsVertices) {
    auto cube = vgx::test::ReadObj(vgx::test::TestDataPath("meshes/common/suzanne.obj"));
    mesh->AddFaces(cube.points, cube.normals, cube.uvs, cube.faceData, true, false);
    auto before = ReadBack<vgx::RenderVertex>(*mesh->GetVertexBuffer(deviceId, device));
    auto buffer = mesh->GetVertexBuffer(deviceId, device);
    const VgxVector p = mesh->GetPoint(7);
    mesh->SetPoint(7, {p.X + 1, p.Y, p.Z});
    EXPECT_EQ(Internals(*mesh).renderBufferState, 2);
    auto moved = mesh->GetVertexBuffer(deviceId, device);
    EXPECT_NE(moved, buffer);
    auto after = ReadBack<vgx::RenderVertex>(*moved);
    ASSERT_EQ(after.size(), before.size());
    const vgx::iVgxObject& level = Internals(*mesh).Base();
    const std::vector<int32_t> listed = level.RenderAdjacency.ToVector(level.PointList[7].D3DVertexList);
    ASSERT_FALSE(listed.empty());
    for (size_t v = 0; v < after.size(); ++v) {
        const bool ofPoint = std::find(listed.begin(), listed.end(), static_cast<int32_t>(v)) != listed.end();
        EXPECT_EQ(after[v].Position[0], before[v].Position[0] + (ofPoint ? 1.0f : 0.0f)) << v;
        EXPECT_EQ(after[v].Position[1], before[v].Position[1]);
    }
    EXPECT_EQ(mesh->GetSubObjectSolidPrimitiveCount(0) * 3,
              static_cast<int32_t>(mesh->GetSubObjectSolidIndexBuffer(deviceId, 0)->GetLength() / 4));
}

// Twice the area of triangle (a, b, c).
double DoubleArea(const VgxVector& a, const VgxVector& b, const VgxVector& c) {
    const double ux = b.X - a.X, uy = b.Y - a.Y, uz = b.Z - a.Z, vx = c.X - a.X, vy = c.Y - a.Y, vz = c.Z - a.Z;
    const double x = uy * vz - uz * vy, y = uz * vx - ux * vz, z = ux * vy - uy * vx;
    return std::sqrt(x * x + y * y + z * z);
}

TEST_F(RenderBuffers, ARealMeshIsDrawnWithTheAreaOfItsPolygons) {
    for (const char* file : {"meshes/common/suzanne.obj", "meshes/common/beast.obj"}) {
        auto source = vgx::test::ReadObj(vgx::test::TestDataPath(file));
        auto object = root->CreateObject();
        object->AddFaces(source.points, source.normals, source.uvs, source.faceData, false, false);
        object->GetVertexBuffer(deviceId, device);
        auto vertices = ReadBack<vgx::RenderVertex>(*object->GetVertexBuffer(deviceId, device));
        int64_t expectedTriangles = 0;
        double sourceArea = 0;
        for (size_t position = 0; position + 1 < source.faceData.size();) {
            const int32_t n = source.faceData[position];
            expectedTriangles += n - 2;
            const VgxVector& a = source.points[source.faceData[position + 1]];
            for (int32_t k = 1; k + 1 < n; ++k) {
                sourceArea += DoubleArea(a, source.points[source.faceData[position + 1 + 3 * k]],
                                         source.points[source.faceData[position + 1 + 3 * (k + 1)]]);
            }
            position += 1 + 3 * n;
        }
        int64_t triangles = 0;
        double drawnArea = 0;
        for (int32_t s = 0; s < object->GetSubObjectCount(); ++s) {
            auto indices = ReadBack<int32_t>(*object->GetSubObjectSolidIndexBuffer(deviceId, s));
            ASSERT_EQ(static_cast<int32_t>(indices.size()), object->GetSubObjectSolidPrimitiveCount(s) * 3);
            for (int32_t index : indices) ASSERT_LT(static_cast<size_t>(index), vertices.size());
            for (size_t t = 0; t < indices.size(); t += 3) {
                auto at = [&](size_t i) {
                    const float* p = vertices[indices[i]].Position;
                    return VgxVector{p[0], p[1], p[2]};
                };
                drawnArea += DoubleArea(at(t), at(t + 1), at(t + 2));
            }
            triangles += static_cast<int64_t>(indices.size() / 3);
        }
        EXPECT_EQ(triangles, expectedTriangles) << file;
        EXPECT_NEAR(drawnArea, sourceArea, sourceArea * 0.01) << file;
    }
}

}  // namespace
