#include "primitives.h"

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace vgxtool {

void AddCube(VgxObject& object) {
    const std::vector<VgxVector> points{{-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f},
                                        {-0.5f, 0.5f, -0.5f},  {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f},
                                        {0.5f, 0.5f, 0.5f},    {-0.5f, 0.5f, 0.5f}};
    const std::vector<VgxVector> normals{{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
    const std::vector<VgxUV> uvs{{0, 1}, {0, 0}, {1, 0}, {1, 1}};
    // Corners run clockwise seen from outside, the library's front face.
    const std::array<std::array<int32_t, 4>, 6> sides{
        {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}}};
    std::vector<int32_t> faceData;
    for (int32_t side = 0; side < 6; ++side) {
        faceData.push_back(4);
        for (int32_t corner = 0; corner < 4; ++corner) {
            faceData.insert(faceData.end(), {sides[side][corner], side, corner});
        }
    }
    faceData.push_back(0);
    object.AddFaces(points, normals, uvs, faceData, true, false);
}

void AddTorus(VgxObject& object) {
    constexpr int32_t kRing = 32, kTube = 16;
    constexpr float kRadius = 1.0f, kTubeRadius = 0.4f;
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    for (int32_t i = 0; i < kRing; ++i) {
        const double u = 2 * std::numbers::pi * i / kRing;
        for (int32_t j = 0; j < kTube; ++j) {
            const double v = 2 * std::numbers::pi * j / kTube;
            const VgxVector normal{static_cast<float>(std::cos(v) * std::cos(u)), static_cast<float>(std::sin(v)),
                                   static_cast<float>(std::cos(v) * std::sin(u))};
            const float reach = kRadius + kTubeRadius * static_cast<float>(std::cos(v));
            points.push_back({reach * static_cast<float>(std::cos(u)), kTubeRadius * normal.Y,
                              reach * static_cast<float>(std::sin(u))});
            normals.push_back(normal);
        }
    }
    // The UV grid has one more row and column than the points: the seams get
    // the texture's far edge.
    for (int32_t i = 0; i <= kRing; ++i) {
        for (int32_t j = 0; j <= kTube; ++j)
            uvs.push_back({static_cast<float>(i) / kRing, static_cast<float>(j) / kTube});
    }
    std::vector<int32_t> faceData;
    for (int32_t i = 0; i < kRing; ++i) {
        for (int32_t j = 0; j < kTube; ++j) {
            faceData.push_back(4);
            // Along the tube first, then along the ring: clockwise seen from outside.
            for (auto [di, dj] : {std::array{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
                const int32_t point = (i + di) % kRing * kTube + (j + dj) % kTube;
                faceData.insert(faceData.end(), {point, point, (i + di) * (kTube + 1) + j + dj});
            }
        }
    }
    faceData.push_back(0);
    object.AddFaces(points, normals, uvs, faceData, true, false);
}

namespace {

struct Primitive {
    const char* name;
    void (*add)(VgxObject&);
    float red, green, blue;
};
constexpr Primitive kPrimitives[]{{"cube", AddCube, 0.35f, 0.55f, 0.85f}, {"torus", AddTorus, 0.90f, 0.55f, 0.20f}};

}  // namespace

std::shared_ptr<VgxObject> MakePrimitive(Vgx& root, const std::string& name) {
    for (const Primitive& primitive : kPrimitives) {
        if (name != primitive.name) continue;
        std::shared_ptr<VgxObject> object = root.CreateObject();
        object->SetName(name);
        primitive.add(*object);
        object->DefaultMaterial(root.CreateColorRGB(primitive.red, primitive.green, primitive.blue));
        return object;
    }
    return nullptr;
}

std::string PrimitiveNames() {
    std::string names;
    for (const Primitive& primitive : kPrimitives) names += (names.empty() ? "" : ", ") + std::string(primitive.name);
    return names;
}

}  // namespace vgxtool
