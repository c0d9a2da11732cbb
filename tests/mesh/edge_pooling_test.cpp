// Edge pooling of a mesh large enough to be pooled in several runs of faces: every
// side's edge joins its two points, no two edges join the same points, and the
// edges are numbered in order of first use, alike on one to four threads.
#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <set>
#include <utility>
#include <vector>

#include "base/task_pool.h"
#include "support/internals.h"
#include "support/mesh_checks.h"
#include "support/obj_reader.h"
#include "support/thread_counts.h"

namespace vgx::test {
namespace {

// Each side's edge, face by face, once checked to be numbered in order of first
// use and distinct.
std::vector<int32_t> SideEdgesInFirstUseOrder(const iVgxObject& level) {
    std::vector<int32_t> sides;
    int32_t next = 0;
    for (int32_t f = 0; f < level.FaceListCount; ++f) {
        const iVgxFacePoint* corners = level.FaceCorners(f);
        for (int32_t k = 0; k < level.FaceList[f].PointCount; ++k) {
            const int32_t e = corners[k].Edge;
            EXPECT_LE(e, next) << "face " << f << " side " << k;
            if (e == next) ++next;
            sides.push_back(e);
        }
    }
    EXPECT_EQ(next, level.EdgeListCount);
    std::set<std::pair<int32_t, int32_t>> joined;
    for (int32_t e = 0; e < level.EdgeListCount; ++e)
        joined.insert({level.EdgeList[e].Point[0], level.EdgeList[e].Point[1]});
    EXPECT_EQ(joined.size(), static_cast<size_t>(level.EdgeListCount)) << "two edges join the same points";
    return sides;
}

TEST(EdgePooling, LargeMeshNumbersEdgesInFirstUseOrderOnAnyThreadCount) {
    const ObjMesh mesh = ReadObj(TestDataPath("meshes/common/stanford-bunny.obj"));
    std::vector<int32_t> oneThread;
    ForEachThreadCount({1, 2, 3, 4}, [&](int32_t threads) {
        const std::shared_ptr<Vgx> root = Vgx::Create();
        const std::shared_ptr<VgxObject> object = root->CreateObject();
        object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false);
        EXPECT_EQ(MeshFault(*object), "") << threads << " threads";
        const std::vector<int32_t> sides = SideEdgesInFirstUseOrder(Internals(*object).Base());
        if (threads == 1) oneThread = sides;
        EXPECT_EQ(sides, oneThread) << threads << " threads";
    });
}

}  // namespace
}  // namespace vgx::test
