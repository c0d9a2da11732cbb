#pragma once
// Shared by the benchmark programs: a quiet scene root and the meshes they time.
#include <vgx/Vgx.h>
#include <vgx/VgxObject.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/obj_reader.h"

namespace vgx::bench {

// A scene root whose start-up log goes to a scratch folder, not the user's documents.
std::shared_ptr<Vgx> QuietRoot();

// Generated meshes list every corner of every face separately (a face soup), so the
// corners neighbouring faces share arrive as repeated coordinates for the pools to
// merge, as they do from most exporters that write flat vertex streams.

// A flat grid of about `faces` unit quads (the nearest square).
vgx::test::ObjMesh MakeGrid(int64_t faces);
// A flat grid of about `faces` right triangles, two to a unit square.
vgx::test::ObjMesh MakeTriangleGrid(int64_t faces);
// A unit UV sphere of about `faces` faces: quads, and triangles round the poles.
// Positions repeat exactly (the seam and the poles too); UVs split at the seam.
vgx::test::ObjMesh MakeSphere(int64_t faces);

enum class Shape { Grid, Sphere, Triangles };

// One generated mesh at a time: the 1M-face soups are large. The reference stays
// valid until the next call asks for another mesh.
const vgx::test::ObjMesh& Generated(Shape shape, int64_t faces);

// A mesh under the test data folder (tests/data), read once and kept.
const vgx::test::ObjMesh& FromFile(const std::string& relative);

using MeshSource = std::function<const vgx::test::ObjMesh&()>;

// A new object of `root` holding the mesh, its coordinates pooled.
std::shared_ptr<VgxObject> Pooled(Vgx& root, const vgx::test::ObjMesh& mesh);

// An object's editable mesh as the peers take it: positions, and per face its
// corner count and corner point indexes.
struct IndexedMesh {
    std::vector<VgxVector> points;
    std::vector<int> cornerCounts, corners;
};
IndexedMesh Indexed(const VgxObject& object);
// A generated mesh as the library holds it after pooling, for the peers to take.
IndexedMesh IndexedGenerated(Shape shape, int64_t faces);

// The bytes of heap in use by this process, from the allocator's own count.
size_t HeapInUse();

}  // namespace vgx::bench
