// The parts of `vgx view` that need no window, on the dinosaur the tests share:
// undo snapshots, the selection's feature lists, the camera's pixel arithmetic and
// picking through the software device as the viewer sets it up.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <set>
#include <tuple>

#include "view/orbit_camera.h"
#include "view/scene_document.h"
#include "view/selection.h"
#include "view/undo_history.h"

namespace {

using namespace vgxtool;

const std::string kDinosaur = std::string(VGX_TESTDATA_DIR) + "/x/fromtruespace_bin32.x";

// p x view x projection, in pixels of a width x height viewport (y downwards) and depth.
VgxVector ToPixel(const Camera& camera, const VgxVector& p, int width, int height,
                  const VgxMatrix* projection = nullptr) {
    const VgxVector eye = TransformPoint(p, camera.view);
    const float* m = (projection ? *projection : camera.projection).m;
    const float x = eye.X * m[0] + eye.Y * m[4] + eye.Z * m[8] + m[12];
    const float y = eye.X * m[1] + eye.Y * m[5] + eye.Z * m[9] + m[13];
    const float z = eye.X * m[2] + eye.Y * m[6] + eye.Z * m[10] + m[14];
    const float w = eye.X * m[3] + eye.Y * m[7] + eye.Z * m[11] + m[15];
    return {(x / w + 1) * width / 2, (1 - y / w) * height / 2, z / w};
}

TEST(ViewUndo, SnapshotsBringBackGeometryMaterialsAndDisplayAttributesThroughUndoAndRedo) {
    SceneDocument document;
    document.Load(kDinosaur);
    VgxObject& dinosaur = *document.Target();
    dinosaur.SetSmoothingLevel(2);
    const MeshSnapshot before = TakeSnapshot(dinosaur);
    ASSERT_EQ(before.faceMaterials.size(), 6656u);

    UndoHistory history;
    history.Record(document.Target(), "smooth");
    dinosaur.Smooth(1, VgxGreaterThan, 0, 0);
    dinosaur.SetSmoothingLevel(0);
    const MeshSnapshot smoothed = TakeSnapshot(dinosaur);
    ASSERT_NE(smoothed.faceData, before.faceData);

    EXPECT_EQ(history.Undo(), "smooth");
    const MeshSnapshot undone = TakeSnapshot(dinosaur);
    EXPECT_EQ(undone.faceData, before.faceData);
    EXPECT_EQ(undone.faceMaterials, before.faceMaterials);
    EXPECT_EQ(undone.smoothingLevel, 2);
    ASSERT_EQ(undone.points.size(), before.points.size());
    for (size_t i = 0; i < before.points.size(); ++i) {
        ASSERT_EQ(std::tuple(undone.points[i].X, undone.points[i].Y, undone.points[i].Z),
                  std::tuple(before.points[i].X, before.points[i].Y, before.points[i].Z))
            << "point " << i;
    }
    EXPECT_EQ(history.Undo(), "");
    EXPECT_EQ(history.Redo(), "smooth");
    EXPECT_EQ(TakeSnapshot(dinosaur).faceData, smoothed.faceData);
    EXPECT_EQ(dinosaur.GetSmoothingLevel(), 0);

    // An edit that did not happen leaves no step behind; a new edit drops the redo side.
    history.Record(document.Target(), "refused");
    history.DropLast();
    EXPECT_EQ(history.UndoCount(), 1u);
    history.Undo();
    history.Record(document.Target(), "divide");
    EXPECT_EQ(history.RedoCount(), 0u);
}

TEST(ViewSelection, FacesGiveTheirCornersAndSidesAndClicksToggleWithAdd) {
    SceneDocument document;
    document.Load(kDinosaur);
    const VgxObject& dinosaur = *document.Target();
    Selection selection;
    EXPECT_EQ(selection.FacesOrAll(dinosaur).size(), 6656u);
    selection.Choose(10, 0, {10, 0}, false);
    selection.Choose(11, 0, {11, 0}, true);
    selection.Choose(12, 0, {12, 0}, true);
    selection.Choose(11, 0, {11, 0}, true);  // again: off
    EXPECT_EQ(selection.faces, (std::vector<int32_t>{10, 12}));
    EXPECT_EQ(selection.Describe(), "2 faces: 10 12");

    std::set<int32_t> corners;
    std::vector<int32_t> sides;
    for (const int32_t face : {10, 12}) {
        const std::shared_ptr<VgxFace> proxy = dinosaur.GetFace(face);
        for (int32_t k = 0; k < proxy->GetPointCount(); ++k) {
            corners.insert(proxy->GetPointID(k));
            sides.insert(sides.end(), {face, k});
        }
    }
    EXPECT_EQ(selection.PointsOrCorners(dinosaur), std::vector<int32_t>(corners.begin(), corners.end()));
    EXPECT_EQ(selection.EdgesOrSides(dinosaur), sides);

    selection.mode = SelectMode::Edges;
    selection.Choose(3, 0, {3, 2}, false);
    EXPECT_EQ(selection.EdgesOrSides(dinosaur), (std::vector<int32_t>{3, 2}));
    selection.Clear();
    EXPECT_TRUE(selection.Empty());
}

// A pixel drag moves a point by that many pixels on the picture, and the picking
// projection keeps the picture while mapping depth to 0..1.
TEST(ViewCamera, ScreenDragsMatchPixelsAndTheDeviceProjectionKeepsThePicture) {
    OrbitCamera orbit;
    orbit.Frame({{-1, -2, -3}, {4, 5, 6}});
    orbit.Orbit(40, -20);
    orbit.Zoom(0.7f);
    orbit.Pan(30, -12, 800, 500);
    const Camera camera = orbit.Make(800.f / 500.f);
    const VgxVector at{1, 2, 0.5f};
    const VgxVector move = ScreenDeltaToScene(camera, at, 25, -40, 500);
    const VgxVector from = ToPixel(camera, at, 800, 500);
    const VgxVector to = ToPixel(camera, {at.X + move.X, at.Y + move.Y, at.Z + move.Z}, 800, 500);
    EXPECT_NEAR(to.X - from.X, 25, 0.05);
    EXPECT_NEAR(to.Y - from.Y, -40, 0.05);

    const VgxMatrix device = DeviceProjection(camera.projection);
    const VgxVector onDevice = ToPixel(camera, at, 800, 500, &device);
    EXPECT_NEAR(onDevice.X, from.X, 1e-3);
    EXPECT_NEAR(onDevice.Y, from.Y, 1e-3);
    EXPECT_NEAR(onDevice.Z, (from.Z + 1) / 2, 1e-5);
    EXPECT_TRUE(onDevice.Z > 0 && onDevice.Z < 1) << onDevice.Z;
}

// The face a pick reports holds the point aimed at, and its nearest corner and side
// are that face's.
TEST(ViewPicking, APickThroughAFaceCentreFindsThatFaceItsCornerAndSide) {
    SceneDocument document;
    document.Load("cube");
    OrbitCamera orbit;
    orbit.Frame(document.Target()->GetBoundingBox());
    const Camera camera = orbit.Make(640.f / 480.f);
    int picked = 0;
    for (int32_t face = 0; face < document.Target()->GetFaceCount(); ++face) {
        const std::shared_ptr<VgxFace> proxy = document.Target()->GetFace(face);
        VgxVector centre{0, 0, 0};
        for (int32_t k = 0; k < proxy->GetPointCount(); ++k) {
            const VgxVector p = document.Target()->GetPoint(proxy->GetPointID(k));
            centre = {centre.X + p.X / proxy->GetPointCount(), centre.Y + p.Y / proxy->GetPointCount(),
                      centre.Z + p.Z / proxy->GetPointCount()};
        }
        // Only the faces turned towards the camera are in front at their centre.
        const VgxVector normal = proxy->GetFaceNormal();
        if (normal.X * camera.towardsEye.X + normal.Y * camera.towardsEye.Y + normal.Z * camera.towardsEye.Z < 0.2f) {
            continue;
        }
        const VgxVector pixel = ToPixel(camera, centre, 640, 480);
        const std::optional<PickedFeature> hit = PickAt(document, camera, 640, 480, pixel.X, pixel.Y);
        ASSERT_TRUE(hit) << "face " << face;
        EXPECT_EQ(hit->face, face);
        EXPECT_EQ(hit->edge.face, face);
        bool cornerOfFace = false;
        for (int32_t k = 0; k < proxy->GetPointCount(); ++k) cornerOfFace |= proxy->GetPointID(k) == hit->point;
        EXPECT_TRUE(cornerOfFace) << hit->point;
        ++picked;
    }
    EXPECT_EQ(picked, 3);  // a cube seen from above and aside shows three faces
    EXPECT_FALSE(PickAt(document, camera, 640, 480, 2, 2));
}

}  // namespace
