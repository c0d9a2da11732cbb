#include "bench_support.h"

#include "base/large_blocks.h"
#include "object/object_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <initializer_list>
#include <numbers>
#include <string>
#include <unordered_map>
#include <utility>

namespace vgx::bench {

using vgx::test::ObjMesh;

std::shared_ptr<Vgx> QuietRoot() {
    static const std::string folder = [] {
        auto path = std::filesystem::temp_directory_path() / "vgx_bench";
        std::filesystem::create_directories(path);
        return path.string();
    }();
    setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1);
    return Vgx::Create();
}

std::shared_ptr<VgxObject> Pooled(Vgx& root, const ObjMesh& mesh) {
    auto object = root.CreateObject();
    object->AddFaces(mesh.points, mesh.normals, mesh.uvs, mesh.faceData, true, false);
    return object;
}

IndexedMesh Indexed(const VgxObject& object) {
    const vgx::iVgxObject& base = vgx::State(object).Base();
    IndexedMesh mesh;
    mesh.points.reserve(static_cast<size_t>(base.PointListCount));
    for (int32_t p = 0; p < base.PointListCount; ++p) mesh.points.push_back(base.PointList[p].Point);
    for (int32_t f = 0; f < base.FaceListCount; ++f) {
        mesh.cornerCounts.push_back(base.FaceList[f].PointCount);
        for (int32_t k = 0; k < base.FaceList[f].PointCount; ++k) mesh.corners.push_back(base.FaceCorners(f)[k].Point);
    }
    return mesh;
}

IndexedMesh IndexedGenerated(Shape shape, int64_t faces) {
    auto root = QuietRoot();
    return Indexed(*Pooled(*root, Generated(shape, faces)));
}

size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    // Small blocks, the large ones the heap mapped on their own, and the library's
    // own large blocks.
    return info.uordblks + info.hblkhd + vgx::blocks::MappedBlockBytes();
}

namespace {

// Appends one face whose corners are new entries of every list.
struct SoupBuilder {
    ObjMesh mesh;
    void Face(std::initializer_list<std::pair<VgxVector, VgxUV>> corners, const std::function<VgxVector(VgxVector)>& normal) {
        mesh.faceData.push_back(int32_t(corners.size()));
        for (const auto& [point, uv] : corners) {
            const auto index = int32_t(mesh.points.size());
            mesh.points.push_back(point);
            mesh.normals.push_back(normal(point));
            mesh.uvs.push_back(uv);
            mesh.faceData.insert(mesh.faceData.end(), {index, index, index});
        }
        ++mesh.faceCount;
    }
    ObjMesh Finish() {
        mesh.faceData.push_back(0);
        return std::move(mesh);
    }
};

}  // namespace

ObjMesh MakeGrid(int64_t faces) {
    const int side = std::max(1, int(std::lround(std::sqrt(double(faces)))));
    SoupBuilder soup;
    const auto up = [](VgxVector) { return VgxVector{0, 0, 1}; };
    auto corner = [&](int i, int j) {
        return std::pair{VgxVector{float(i), float(j), 0}, VgxUV{float(i) / side, float(j) / side}};
    };
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) soup.Face({corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)}, up);
    return soup.Finish();
}

ObjMesh MakeTriangleGrid(int64_t faces) {
    const int side = std::max(1, int(std::lround(std::sqrt(double(faces) / 2))));
    SoupBuilder soup;
    const auto up = [](VgxVector) { return VgxVector{0, 0, 1}; };
    auto corner = [&](int i, int j) {
        return std::pair{VgxVector{float(i), float(j), 0}, VgxUV{float(i) / side, float(j) / side}};
    };
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            soup.Face({corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)}, up);
            soup.Face({corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)}, up);
        }
    return soup.Finish();
}

ObjMesh MakeSphere(int64_t faces) {
    const int rings = std::max(2, int(std::lround(std::sqrt(double(faces) / 2)))), segments = 2 * rings;
    SoupBuilder soup;
    const auto outward = [](VgxVector p) { return p; };
    auto corner = [&](int ring, int segment) {
        const double theta = std::numbers::pi * ring / rings, phi = 2 * std::numbers::pi * (segment % segments) / segments;
        VgxVector p{float(std::sin(theta) * std::cos(phi)), float(std::cos(theta)), float(std::sin(theta) * std::sin(phi))};
        if (ring == 0 || ring == rings) p = {0, ring == 0 ? 1.0f : -1.0f, 0};
        return std::pair{p, VgxUV{float(segment) / segments, float(ring) / rings}};
    };
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            if (r == 0)
                soup.Face({corner(0, s), corner(1, s + 1), corner(1, s)}, outward);
            else if (r == rings - 1)
                soup.Face({corner(r, s), corner(r, s + 1), corner(rings, s)}, outward);
            else
                soup.Face({corner(r, s), corner(r, s + 1), corner(r + 1, s + 1), corner(r + 1, s)}, outward);
        }
    return soup.Finish();
}

const ObjMesh& Generated(Shape shape, int64_t faces) {
    static struct {
        Shape shape;
        int64_t faces = -1;
        ObjMesh mesh;
    } cache;
    if (cache.shape != shape || cache.faces != faces) {
        cache.mesh = {};
        cache.mesh = shape == Shape::Grid ? MakeGrid(faces) : shape == Shape::Sphere ? MakeSphere(faces) : MakeTriangleGrid(faces);
        cache.shape = shape;
        cache.faces = faces;
    }
    return cache.mesh;
}

const ObjMesh& FromFile(const std::string& relative) {
    static std::unordered_map<std::string, ObjMesh> loaded;
    auto found = loaded.find(relative);
    if (found == loaded.end()) found = loaded.emplace(relative, vgx::test::ReadObj(vgx::test::TestDataPath(relative))).first;
    return found->second;
}

}  // namespace vgx::bench
