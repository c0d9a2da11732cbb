// Render buffers on meshes from 1k to 1M faces and on public meshes: the full build
// after the object is marked stale, the partial rebuild after 1% of its points moved,
// and what a host would otherwise write: one vertex per face corner, and that stream
// welded by meshoptimizer. Every case ends with the buffers on a software device, so
// the baselines pay for their upload as the library does.
//
// Rates: "faces/s" counts the mesh's faces and "vertices/s" the render vertices the
// library makes of them, in every case, so both rates compare cases by time alone;
// "out_vertices" is what the case itself hands the device.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "support/obj_reader.h"

#if VGX_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

namespace {

using vgx::bench::FromFile;
using vgx::bench::Generated;
using vgx::bench::MeshSource;
using vgx::bench::QuietRoot;
using vgx::bench::Shape;
using vgx::test::ObjMesh;

// The mesh as the host reads it back: pooled coordinates, faces and one material each.
struct HostMesh {
    std::vector<VgxVector> points, normals;
    std::vector<VgxUV> uvs;
    std::vector<int32_t> faceData;
    std::vector<std::shared_ptr<VgxMaterial>> materials;
};

// One object with its buffers built once (edges and adjacency too), shared by every
// case of a source. Only the latest source is kept: the 1M-face objects are large.
struct Prepared {
    std::string key;
    std::shared_ptr<Vgx> root;
    std::shared_ptr<VgxSoftwareDevice> device;
    int32_t deviceId = 0;
    std::shared_ptr<VgxObject> object;
    int32_t faces = 0;
    int32_t vertices = 0;  // render vertices of the object block
    HostMesh host;
};

Prepared& Prepare(const std::string& key, const MeshSource& source) {
    static Prepared cache;
    if (cache.key != key) {
        cache = Prepared{};  // the old object goes before the new one is made
        const ObjMesh& mesh = source();
        cache.root = QuietRoot();
        cache.deviceId = cache.root->CreateDeviceID();
        cache.device = std::make_shared<VgxSoftwareDevice>();
        cache.object = cache.root->CreateObject();
        VgxObject& object = *cache.object;
        object.AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false);
        object.GetVertexBuffer(cache.deviceId, cache.device);
        cache.faces = object.GetFaceCount();
        cache.vertices = object.GetVertexBufferObjectVertexCount();
        HostMesh& host = cache.host;
        int32_t points = 0, normals = 0, uvs = 0, faceData = 0, materials = 0;
        object.GetVisual(false, host.points, points, host.normals, normals, host.uvs, uvs, host.faceData, faceData,
                         host.materials, materials);
        cache.key = key;
    }
    return cache;
}

void Count(benchmark::State& state, const Prepared& prepared, int64_t outVertices) {
    state.SetItemsProcessed(state.iterations() * prepared.faces);
    state.counters["faces"] = prepared.faces;
    state.counters["vertices"] = prepared.vertices;
    state.counters["out_vertices"] = double(outVertices);
    state.counters["faces/s"] = benchmark::Counter(prepared.faces, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["vertices/s"] = benchmark::Counter(prepared.vertices, benchmark::Counter::kIsIterationInvariantRate);
}

// ---- the library ----

void FullBuild(benchmark::State& state, const std::string& key, const MeshSource& source) {
    Prepared& prepared = Prepare(key, source);
    VgxObject& object = *prepared.object;
    for (auto _ : state) {
        // Cartoon is a fill bit the buffers do not depend on: each pass marks the
        // object stale and rebuilds exactly the same buffers.
        object.SetQuality(object.GetQuality() ^ VgxFillCartoon);
        benchmark::DoNotOptimize(object.GetVertexBuffer(prepared.deviceId, prepared.device).get());
    }
    if (object.GetQuality() & VgxFillCartoon) object.SetQuality(object.GetQuality() ^ VgxFillCartoon);
    object.GetVertexBuffer(prepared.deviceId, prepared.device);
    Count(state, prepared, object.GetVertexBufferObjectVertexCount());
}

// Moves every hundredth point (1%, spread over the mesh as the pools number points
// in order of first use) and back on alternate passes, so every pass moves them.
void PartialRebuild(benchmark::State& state, const std::string& key, const MeshSource& source) {
    Prepared& prepared = Prepare(key, source);
    VgxObject& object = *prepared.object;
    const int32_t points = object.GetPointCount();
    const int32_t movedCount = std::max(1, points / 100);
    // Well past the 0.0001 under which a point counts as unmoved, and small beside the mesh.
    const VgxBox box = object.GetBoundingBox();
    const float extent = std::max({box.Max.X - box.Min.X, box.Max.Y - box.Min.Y, box.Max.Z - box.Min.Z});
    const float step = std::max(1e-3f, 1e-4f * extent);
    std::vector<int32_t> moved(static_cast<size_t>(movedCount));
    std::vector<VgxVector> home(moved.size()), away(moved.size());
    for (size_t k = 0; k < moved.size(); ++k) {
        moved[k] = static_cast<int32_t>(static_cast<int64_t>(k) * points / movedCount);
        home[k] = object.GetPoint(moved[k]);
        away[k] = {home[k].X + step, home[k].Y + step, home[k].Z + step};
    }
    object.GetVertexBuffer(prepared.deviceId, prepared.device);
    bool out = false;
    for (auto _ : state) {
        out = !out;
        const std::vector<VgxVector>& to = out ? away : home;
        for (size_t k = 0; k < moved.size(); ++k) object.SetPoint(moved[k], to[k]);
        benchmark::DoNotOptimize(object.GetVertexBuffer(prepared.deviceId, prepared.device).get());
    }
    if (out) {
        for (size_t k = 0; k < moved.size(); ++k) object.SetPoint(moved[k], home[k]);
        object.GetVertexBuffer(prepared.deviceId, prepared.device);
    }
    Count(state, prepared, object.GetVertexBufferObjectVertexCount());
    state.counters["moved"] = movedCount;
}

// ---- baselines: the render buffers a host would build itself ----

// The library's 44-byte vertex layout.
struct HostVertex {
    float position[3];
    float normal[3];
    int32_t diffuse;
    float uv0[2];
    float uv1[2];
};
static_assert(sizeof(HostVertex) == 44);

struct HostBuffers {
    std::vector<HostVertex> vertices;
    std::vector<std::vector<uint32_t>> indices;  // triangles, one list per material
};

// One vertex per face corner, each face a fan of triangles. The arrays are refilled,
// keeping their capacity, as a host rebuilding every frame would keep them.
void Deindex(const HostMesh& mesh, HostBuffers& out) {
    out.vertices.clear();
    for (std::vector<uint32_t>& list : out.indices) list.clear();
    std::unordered_map<const VgxMaterial*, size_t> slots;
    size_t at = 0;
    for (size_t face = 0; mesh.faceData[at] != 0; ++face) {
        const auto n = static_cast<uint32_t>(mesh.faceData[at]);
        const VgxMaterial* material = mesh.materials[face].get();
        const auto [slot, added] = slots.try_emplace(material, slots.size());
        if (added && out.indices.size() < slots.size()) out.indices.emplace_back();
        const int32_t color = material ? material->GetColor() : 0;
        const auto first = static_cast<uint32_t>(out.vertices.size());
        for (uint32_t c = 0; c < n; ++c) {
            const int32_t* corner = &mesh.faceData[at + 1 + 3 * c];
            const VgxVector& p = mesh.points[corner[0]];
            const VgxVector& normal = mesh.normals[corner[1]];
            const VgxUV& uv = mesh.uvs[corner[2]];
            out.vertices.push_back({{p.X, p.Y, p.Z}, {normal.X, normal.Y, normal.Z}, color, {uv.U, uv.V}, {uv.U, uv.V}});
        }
        std::vector<uint32_t>& list = out.indices[slot->second];
        for (uint32_t i = 1; i + 1 < n; ++i) list.insert(list.end(), {first, first + i, first + i + 1});
        at += 1 + 3 * size_t(n);
    }
    out.indices.resize(slots.size());
}

// The buffers on the device, 32-bit indices.
struct Uploaded {
    std::shared_ptr<VgxVertexBuffer> vertices;
    std::vector<std::shared_ptr<VgxIndexBuffer>> indices;
};

Uploaded Upload(VgxDevice& device, const HostBuffers& buffers) {
    Uploaded out;
    const size_t bytes = buffers.vertices.size() * sizeof(HostVertex);
    out.vertices = device.CreateVertexBuffer(bytes, VgxUsageWriteOnly, VgxVertexFormat44, VgxPoolManaged);
    out.vertices->Write(0, buffers.vertices.data(), bytes);
    for (const std::vector<uint32_t>& list : buffers.indices) {
        const size_t listBytes = list.size() * sizeof(uint32_t);
        out.indices.push_back(device.CreateIndexBuffer(listBytes, VgxUsageWriteOnly, VgxFormatIndex32, VgxPoolManaged));
        out.indices.back()->Write(0, list.data(), listBytes);
    }
    return out;
}

void DeindexBaseline(benchmark::State& state, const std::string& key, const MeshSource& source) {
    Prepared& prepared = Prepare(key, source);
    HostBuffers buffers;
    Uploaded uploaded;
    for (auto _ : state) {
        Deindex(prepared.host, buffers);
        uploaded = {};  // the old device buffers go first, as the library's do
        uploaded = Upload(*prepared.device, buffers);
        benchmark::DoNotOptimize(uploaded.vertices.get());
    }
    Count(state, prepared, int64_t(buffers.vertices.size()));
}

#if VGX_HAVE_MESHOPTIMIZER
// The corner stream welded bitwise by meshoptimizer before the upload.
void MeshoptBaseline(benchmark::State& state, const std::string& key, const MeshSource& source) {
    Prepared& prepared = Prepare(key, source);
    HostBuffers buffers, welded;
    std::vector<unsigned int> remap;
    Uploaded uploaded;
    for (auto _ : state) {
        Deindex(prepared.host, buffers);
        const size_t corners = buffers.vertices.size();
        remap.resize(corners);
        const size_t unique =
            meshopt_generateVertexRemap(remap.data(), nullptr, corners, buffers.vertices.data(), corners, sizeof(HostVertex));
        welded.vertices.resize(unique);
        meshopt_remapVertexBuffer(welded.vertices.data(), buffers.vertices.data(), corners, sizeof(HostVertex), remap.data());
        welded.indices.resize(buffers.indices.size());
        for (size_t s = 0; s < buffers.indices.size(); ++s) {
            welded.indices[s].resize(buffers.indices[s].size());
            meshopt_remapIndexBuffer(welded.indices[s].data(), buffers.indices[s].data(), buffers.indices[s].size(),
                                     remap.data());
        }
        uploaded = {};
        uploaded = Upload(*prepared.device, welded);
        benchmark::DoNotOptimize(uploaded.vertices.get());
    }
    Count(state, prepared, int64_t(welded.vertices.size()));
}
#endif

// ---- registration ----

// Names read Operation/source, as the mesh benchmarks do: generated sources carry
// faces:n, files file:name.
using Operation = void (*)(benchmark::State&, const std::string&, const MeshSource&);

void Register(const std::string& name, const MeshSource& source) {
    std::vector<std::pair<const char*, Operation>> operations{
        {"RenderFullBuild", FullBuild}, {"RenderPartialRebuild1pct", PartialRebuild}, {"RenderDeindex", DeindexBaseline}};
#if VGX_HAVE_MESHOPTIMIZER
    operations.emplace_back("RenderMeshoptWeld", MeshoptBaseline);
#endif
    for (const auto& [operation, run] : operations)
        benchmark::RegisterBenchmark((std::string(operation) + "/" + name).c_str(),
                                     [=](benchmark::State& state) { run(state, name, source); })
            ->Unit(benchmark::kMicrosecond);
}

const bool registered = [] {
    for (int64_t faces : {1000, 10000, 100000, 1000000}) {
        Register("grid/faces:" + std::to_string(faces), [=]() -> const ObjMesh& { return Generated(Shape::Grid, faces); });
        Register("sphere/faces:" + std::to_string(faces),
                 [=]() -> const ObjMesh& { return Generated(Shape::Sphere, faces); });
    }
    for (const char* file : {"suzanne", "spot", "teapot", "beast", "stanford-bunny"}) {
        const std::string relative = std::string("meshes/common/") + file + ".obj";
        Register(std::string("file:") + file, [=]() -> const ObjMesh& { return FromFile(relative); });
    }
    return true;
}();

}  // namespace
