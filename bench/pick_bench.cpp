// Picking on meshes from 1k to 1M triangles: the first pick of a mesh (its hierarchy
// built on the way), repeated picks on the same mesh, a scan of every triangle in the
// same run as the baseline, and RayPick through a scene as a host calls it.
#include <benchmark/benchmark.h>
#include <vgx/Vgx7a.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if VGX_HAVE_EMBREE
#include <embree3/rtcore.h>
#endif

#include "bench_support.h"
#include "base/task_pool.h"
#include "mesh/render_data.h"
#include "platform/mesh_intersect.h"

namespace {

// A unit UV sphere of about `triangles` triangles, straight into a 32-bit device mesh.
std::shared_ptr<VgxDeviceMesh> SphereMesh(VgxDevice& device, int64_t triangles) {
    const int32_t rings = std::max<int32_t>(4, static_cast<int32_t>(std::sqrt(triangles / 4.0)));
    const int32_t segments = 2 * rings;
    std::vector<vgx::RenderVertex> vertices;
    for (int32_t r = 0; r <= rings; ++r) {
        const double theta = M_PI * r / rings;
        for (int32_t s = 0; s <= segments; ++s) {
            const double phi = 2 * M_PI * s / segments;
            vgx::RenderVertex v{};
            v.Position[0] = static_cast<float>(std::sin(theta) * std::cos(phi));
            v.Position[1] = static_cast<float>(std::cos(theta));
            v.Position[2] = static_cast<float>(std::sin(theta) * std::sin(phi));
            vertices.push_back(v);
        }
    }
    std::vector<uint32_t> indices;
    for (int32_t r = 0; r < rings; ++r) {
        for (int32_t s = 0; s < segments; ++s) {
            const uint32_t a = r * (segments + 1) + s, b = a + segments + 1;
            indices.insert(indices.end(), {a, b, a + 1, a + 1, b, b + 1});
        }
    }
    auto mesh = device.CreateMesh(static_cast<int32_t>(indices.size() / 3), static_cast<int32_t>(vertices.size()),
                                  VgxMeshManaged | VgxMeshIndex32, VgxVertexFormat44);
    mesh->GetVertexBuffer()->Write(0, vertices.data(), vertices.size() * sizeof(vgx::RenderVertex));
    mesh->GetIndexBuffer()->Write(0, indices.data(), indices.size() * 4);
    return mesh;
}

struct TestRay {
    VgxVector origin, direction;
};

// From a sphere of radius 3 towards points inside the unit sphere: most hit.
std::vector<TestRay> Rays() {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(-1, 1);
    std::vector<TestRay> rays(1024);
    for (TestRay& ray : rays) {
        VgxVector o{unit(random), unit(random), unit(random)};
        const float k = 3 / std::sqrt(o.X * o.X + o.Y * o.Y + o.Z * o.Z + 1e-12f);
        o = {o.X * k, o.Y * k, o.Z * k};
        const VgxVector target{unit(random) * 0.5f, unit(random) * 0.5f, unit(random) * 0.5f};
        ray = {o, {target.X - o.X, target.Y - o.Y, target.Z - o.Z}};
    }
    return rays;
}

void Triangles(benchmark::State& state, int64_t triangles) {
    state.counters["triangles"] = static_cast<double>(triangles);
}

// A new mesh every iteration: reading it, building its hierarchy and one pick.
void BM_PickFirst(benchmark::State& state) {
    VgxSoftwareDevice device;
    const auto rays = Rays();
    int64_t triangles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = SphereMesh(device, state.range(0));
        triangles = mesh->GetNumFaces();
        state.ResumeTiming();
        benchmark::DoNotOptimize(vgx::platform::IntersectMesh(mesh, rays[0].origin, rays[0].direction));
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
    Triangles(state, triangles);
}
BENCHMARK(BM_PickFirst)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_PickRepeated(benchmark::State& state) {
    VgxSoftwareDevice device;
    auto mesh = SphereMesh(device, state.range(0));
    const auto rays = Rays();
    vgx::platform::IntersectMesh(mesh, rays[0].origin, rays[0].direction);  // built once
    size_t i = 0;
    for (auto _ : state) {
        const TestRay& ray = rays[i++ % rays.size()];
        benchmark::DoNotOptimize(vgx::platform::IntersectMesh(mesh, ray.origin, ray.direction));
    }
    Triangles(state, mesh->GetNumFaces());
}
BENCHMARK(BM_PickRepeated)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// The baseline: every triangle tested, the mesh already read into arrays.
void BM_PickBruteForce(benchmark::State& state) {
    VgxSoftwareDevice device;
    auto mesh = SphereMesh(device, state.range(0));
    const auto triangles = vgx::platform::ReadMeshTriangles(*mesh);
    const auto rays = Rays();
    size_t i = 0;
    for (auto _ : state) {
        const TestRay& ray = rays[i++ % rays.size()];
        benchmark::DoNotOptimize(vgx::platform::IntersectTrianglesBruteForce(triangles, ray.origin, ray.direction));
    }
    Triangles(state, triangles.TriangleCount());
}
BENCHMARK(BM_PickBruteForce)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

#if VGX_HAVE_EMBREE
// The reference: Embree's own hierarchy over the same triangles, one ray at a time,
// built on as many threads as ours (VGX_THREADS).
struct EmbreeScene {
    explicit EmbreeScene(const vgx::platform::MeshTriangles& triangles) {
        device = rtcNewDevice(("threads=" + std::to_string(vgx::tasks::ThreadCount())).c_str());
        scene = rtcNewScene(device);
        RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
        const size_t vertexCount = triangles.positions.size() / 3;
        auto* positions = static_cast<float*>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), vertexCount));
        std::copy(triangles.positions.begin(), triangles.positions.end(), positions);
        auto* indices = static_cast<uint32_t*>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(uint32_t), triangles.TriangleCount()));
        std::copy(triangles.indices.begin(), triangles.indices.end(), indices);
        rtcCommitGeometry(geometry);
        rtcAttachGeometry(scene, geometry);
        rtcReleaseGeometry(geometry);
        rtcCommitScene(scene);
    }
    ~EmbreeScene() {
        rtcReleaseScene(scene);
        rtcReleaseDevice(device);
    }
    EmbreeScene(const EmbreeScene&) = delete;
    EmbreeScene& operator=(const EmbreeScene&) = delete;

    float Intersect(const TestRay& ray) const {
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        RTCRayHit hit{};
        hit.ray.org_x = ray.origin.X, hit.ray.org_y = ray.origin.Y, hit.ray.org_z = ray.origin.Z;
        hit.ray.dir_x = ray.direction.X, hit.ray.dir_y = ray.direction.Y, hit.ray.dir_z = ray.direction.Z;
        hit.ray.tnear = 0;
        hit.ray.tfar = std::numeric_limits<float>::infinity();
        hit.ray.mask = ~0u;
        hit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(scene, &context, &hit);
        return hit.ray.tfar;
    }

    RTCDevice device;
    RTCScene scene;
};

void BM_PickEmbreeFirst(benchmark::State& state) {
    VgxSoftwareDevice device;
    const auto rays = Rays();
    int64_t triangles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = SphereMesh(device, state.range(0));
        triangles = mesh->GetNumFaces();
        const auto read = vgx::platform::ReadMeshTriangles(*mesh);
        state.ResumeTiming();
        EmbreeScene scene(read);
        benchmark::DoNotOptimize(scene.Intersect(rays[0]));
    }
    Triangles(state, triangles);
}
BENCHMARK(BM_PickEmbreeFirst)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_PickEmbreeRepeated(benchmark::State& state) {
    VgxSoftwareDevice device;
    auto mesh = SphereMesh(device, state.range(0));
    const EmbreeScene scene(vgx::platform::ReadMeshTriangles(*mesh));
    const auto rays = Rays();
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(scene.Intersect(rays[i++ % rays.size()]));
    Triangles(state, mesh->GetNumFaces());
}
BENCHMARK(BM_PickEmbreeRepeated)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
#endif

// RayPick on a scene of one sphere object, as the host calls it, render meshes built.
void BM_RayPickScene(benchmark::State& state) {
    auto root = vgx::bench::QuietRoot();
    const auto& sphere = vgx::bench::Generated(vgx::bench::Shape::Sphere, state.range(0));
    auto object = root->CreateObject();
    object->AddFaces(sphere.points, sphere.normals, sphere.uvs, sphere.faceData, true, false);
    auto top = root->CreateGroup(nullptr);
    top->AddObject(object);
    auto device = std::make_shared<VgxSoftwareDevice>();
    const int32_t id = root->CreateDeviceID();
    const auto rays = Rays();
    top->RayPick(id, device, rays[0].origin, rays[0].direction);  // render meshes and hierarchy
    size_t i = 0;
    for (auto _ : state) {
        const TestRay& ray = rays[i++ % rays.size()];
        benchmark::DoNotOptimize(top->RayPick(id, device, ray.origin, ray.direction));
    }
    state.counters["faces"] = sphere.faceCount;
}
BENCHMARK(BM_RayPickScene)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace
