// Render vertex numbers against a plain count of corner keys by first use, on
// meshes large enough to be keyed in several runs of faces: a run's keys must
// take the numbers of keys an earlier run met, and new ones the next numbers.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/thread_counts.h"

namespace vgx::test {
namespace {

constexpr int32_t kColumns = 200, kRows = 300;  // 60,000 quads: up to three runs
constexpr int32_t kLateFace = 55000;            // in the last run

// A grid of quads whose points each have one normal and one UV, numbered in order
// of first use by its faces.
struct SmoothGrid {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;

    SmoothGrid() {
        for (int32_t n = 0; n < 7; ++n) normals.push_back({0, static_cast<float>(n), 1});
        for (int32_t u = 0; u < 5; ++u) uvs.push_back({static_cast<float>(u), 0});
        std::vector<int32_t> number((kColumns + 1) * (kRows + 1), -1);
        const auto corner = [&](int32_t row, int32_t column) {
            int32_t& p = number[row * (kColumns + 1) + column];
            if (p < 0) {
                p = static_cast<int32_t>(points.size());
                points.push_back({static_cast<float>(column), static_cast<float>(row), 0});
            }
            faceData.insert(faceData.end(), {p, p % 7, p % 5});
        };
        for (int32_t row = 0; row < kRows; ++row) {
            for (int32_t column = 0; column < kColumns; ++column) {
                faceData.push_back(4);
                corner(row, column), corner(row, column + 1), corner(row + 1, column + 1), corner(row + 1, column);
            }
        }
        faceData.push_back(0);
    }
    int32_t& CornerData(int32_t face, int32_t k, int32_t field) { return faceData[face * 13 + 1 + 3 * k + field]; }
};

// Each corner's vertex is the rank of its key (point, normal, UV, colour) by first
// use over the faces, and each vertex holds its key's point, colour and normal.
void ExpectVerticesByFirstUse(VgxObject& object, const std::string& what) {
    object.GetVertexBuffer(0, std::make_shared<VgxSoftwareDevice>());
    const ObjectState& state = Internals(object);
    const iVgxObject& level = state.Base();
    const RenderBlock& block = state.render.object;
    std::map<std::tuple<int32_t, int32_t, int32_t, int32_t>, int32_t> rank;
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const std::shared_ptr<VgxMaterial>& material = level.FaceMaterial(f);
        const int32_t color = material ? material->GetColor() : 0;
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
            const iVgxFacePoint& corner = level.FaceCorners(f)[k];
            const auto [it, added] =
                rank.try_emplace({corner.Point, corner.Normal, corner.UV, color}, static_cast<int32_t>(rank.size()));
            ASSERT_EQ(block.CornerVertices(level.FaceList[f].CornerStart)[k], it->second)
                << what << ": face " << f << " corner " << k;
            if (!added) continue;
            const RenderVertex& vertex = block.vertices[static_cast<size_t>(it->second)];
            const VgxVector& p = level.PointList[corner.Point].Point;
            ASSERT_EQ(std::make_tuple(vertex.Position[0], vertex.Position[1], vertex.Diffuse),
                      std::make_tuple(p.X, p.Y, color))
                << what << ": vertex " << it->second;
            ASSERT_EQ(block.vertexNormal[static_cast<size_t>(it->second)], corner.Normal) << what;
        }
    }
    ASSERT_EQ(block.vertices.size(), rank.size()) << what;
    EXPECT_EQ(PointVertexListFault(object), "") << what;
}

// A grid whose points each have one key, whose runs share only the points where
// they meet, and the same grid changed late: one corner with another normal (a
// point with two keys), one face with another colour, and the points first used
// from the late face on numbered backwards (beyond every earlier run's points).
TEST(RenderVertices, CornersNumberTheirKeysByFirstUseOnAnyThreadCount) {
    ForEachThreadCount({1, 2, 3, 4}, [&](int32_t threads) {
        const std::string on = " on " + std::to_string(threads) + " threads";
        const std::shared_ptr<Vgx> root = Vgx::Create();
        root->CreateDeviceID();
        // Pooled first, so that the faces keep the grid's numbers.
        const auto made = [&](const SmoothGrid& grid) {
            const std::shared_ptr<VgxObject> object = root->CreateObject();
            std::vector<int32_t> numbers;
            object->AddOptimizedPoints(grid.points, numbers);
            object->AddOptimizedNormals(grid.normals, numbers);
            object->AddOptimizedUVs(grid.uvs, numbers);
            object->AddFacesIndexed(grid.faceData, false);
            return object;
        };

        const SmoothGrid smooth;
        const std::shared_ptr<VgxObject> plain = made(smooth);
        ExpectVerticesByFirstUse(*plain, "smooth" + on);
        ASSERT_EQ(plain->GetVertexBufferObjectVertexCount(), static_cast<int32_t>(smooth.points.size()));

        SmoothGrid seam;
        seam.CornerData(kLateFace, 2, 1) = (seam.CornerData(kLateFace, 2, 1) + 1) % 7;
        ExpectVerticesByFirstUse(*made(seam), "a late corner with another normal" + on);

        const std::shared_ptr<VgxObject> coloured = made(smooth);
        const std::shared_ptr<VgxMaterial> red = root->CreateMaterial();
        red->SetColorRGBA(1, 0, 0, 1);
        coloured->GetFace(kLateFace)->ApplyMaterial(red);
        ExpectVerticesByFirstUse(*coloured, "a late face with another colour" + on);

        // The points first used from the late face on, renumbered last to first.
        SmoothGrid backwards;
        const int32_t firstLate = backwards.CornerData(kLateFace, 2, 0);
        const auto last = static_cast<int32_t>(backwards.points.size()) - 1;
        std::reverse(backwards.points.begin() + firstLate, backwards.points.end());
        for (size_t at = 0; backwards.faceData[at] != 0; at += 13) {
            for (size_t k = 0; k < 4; ++k) {
                int32_t& p = backwards.faceData[at + 1 + 3 * k];
                if (p >= firstLate) p = last - (p - firstLate);
            }
        }
        ExpectVerticesByFirstUse(*made(backwards), "late points numbered backwards" + on);
    });
}

}  // namespace
}  // namespace vgx::test
