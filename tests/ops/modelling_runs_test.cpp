// Cases the modelling fuzzer found, replayed through the public API.
#include "ops/ops_fixture.h"

namespace vgx::test {
namespace {

class ModellingRuns : public Ops {
protected:
    // The positions in the object block of the vertex buffer, rebuilt when stale.
    Points Drawn(VgxObject& object) {
        const auto buffer = object.GetVertexBuffer(deviceId, device);
        Points positions;
        for (int32_t v = 0; v < object.GetVertexBufferObjectVertexCount(); ++v) {
            float vertex[11];
            buffer->Read(size_t(v) * sizeof vertex, vertex, sizeof vertex);
            positions.push_back({vertex[0], vertex[1], vertex[2]});
        }
        return positions;
    }

    int32_t deviceId = root->CreateDeviceID();
};

// A corner set through its face pools its values as the object's adders do, which
// makes the render data stale: it was left built, and with a mirror the next move
// read past the mirror's points.
TEST_F(ModellingRuns, CornersSetThroughTheirFaceAreDrawn) {
    const VgxVector moved{5, 5, 5};
    auto grid = Grid(2, 1);
    grid->SetMirrorAxis(VgxAxisX);
    Drawn(*grid);
    grid->GetFace(0)->SetPoint(0, moved, {0, 0, 1}, {0, 0});
    EXPECT_TRUE(Contains(Drawn(*grid), {moved}));
    grid->SetPoint(1, {1, -0.5f, 0});
    EXPECT_TRUE(Contains(Drawn(*grid), {{1, -0.5f, 0}, moved}));
}

// A corner added by index may name no normal or UV; rebuilding the mesh from its
// export read past the pools and had cleared the mesh first.
TEST_F(ModellingRuns, RebuildsRefuseCornersNamingNoCoordinate) {
    const std::vector<std::function<void()>> rebuilds{[&] { cube->Optimize(false, 100); },
                                                      [&] { cube->Optimize(true, 300); },
                                                      [&] { cube->Smooth(1, VgxGreaterThan, 0, 0); }};
    for (const Ints& corner : {Ints{0, 6, 0}, Ints{0, -1, 0}, Ints{0, 0, 4}}) {
        cube = Cube();
        cube->AddFacesIndexed({3, 1, 0, 0, 2, 0, 0, corner[0], corner[1], corner[2], 0}, false);
        for (const auto& rebuild : rebuilds) ExpectRefused(*cube, 9, rebuild);
    }
}

}  // namespace
}  // namespace vgx::test
