#include "scene/xfile_placement.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "scene/frame_math.h"

namespace vgx::rm {

VgxMatrix ToVgxMatrix(const xfile::Matrix& matrix) {
    VgxMatrix result;
    std::memcpy(result.m, matrix.data(), sizeof(result.m));
    return result;
}

std::vector<VgxMatrix> FrameWorldMatrices(const xfile::Scene& scene) {
    std::vector<VgxMatrix> worlds(scene.frames.size());
    for (size_t i = 0; i < scene.frames.size(); ++i) {
        const xfile::Frame& frame = scene.frames[i];
        const VgxMatrix local = ToVgxMatrix(frame.transform);
        // Parents come first, so the parent's world is ready.
        worlds[i] = frame.parent < 0 ? local : MatrixMultiply(local, worlds[static_cast<size_t>(frame.parent)]);
    }
    return worlds;
}

bool IsIdentity(const VgxMatrix& matrix) {
    const VgxMatrix identity = MatrixIdentity();
    for (int k = 0; k < 16; ++k) {
        if (std::fabs(matrix.m[k] - identity.m[k]) > 1e-6f) return false;
    }
    return true;
}

namespace {

// The inverse transpose of the 3x3 part, row-major, in double.
std::array<double, 9> NormalMatrix(const VgxMatrix& placement, double& determinant) {
    const auto a = [&](int row, int column) { return static_cast<double>(placement.m[row * 4 + column]); };
    // Cofactors of the 3x3 part are the inverse transpose times the determinant.
    std::array<double, 9> cofactor{
        a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1), a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2), a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0),
        a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2), a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0), a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1),
        a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1), a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2), a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)};
    determinant = a(0, 0) * cofactor[0] + a(0, 1) * cofactor[1] + a(0, 2) * cofactor[2];
    // The sign of the determinant keeps the normals' sense; their length is made 1 later.
    if (determinant < 0) {
        for (double& c : cofactor) c = -c;
    }
    return cofactor;
}

void ReverseFaces(std::vector<uint32_t>& corners, const std::vector<uint32_t>& sizes) {
    size_t start = 0;
    for (uint32_t size : sizes) {
        std::reverse(corners.begin() + static_cast<std::ptrdiff_t>(start),
                     corners.begin() + static_cast<std::ptrdiff_t>(start + size));
        start += size;
    }
}

}  // namespace

xfile::Mesh PlacedMesh(const xfile::Mesh& mesh, const VgxMatrix& placement) {
    xfile::Mesh placed = mesh;
    if (IsIdentity(placement)) return placed;
    for (size_t i = 0; i + 2 < placed.positions.size(); i += 3) {
        const VgxVector p =
            TransformPoint({placed.positions[i], placed.positions[i + 1], placed.positions[i + 2]}, placement);
        placed.positions[i] = p.X;
        placed.positions[i + 1] = p.Y;
        placed.positions[i + 2] = p.Z;
    }
    double determinant = 0;
    const std::array<double, 9> n = NormalMatrix(placement, determinant);
    for (size_t i = 0; i + 2 < placed.normals.size(); i += 3) {
        const double x = placed.normals[i], y = placed.normals[i + 1], z = placed.normals[i + 2];
        // Row vector times the inverse transpose: (x, y, z) x C / det, whose columns
        // are the cofactor rows.
        const double nx = x * n[0] + y * n[3] + z * n[6];
        const double ny = x * n[1] + y * n[4] + z * n[7];
        const double nz = x * n[2] + y * n[5] + z * n[8];
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        const double scale = length > 0 ? 1.0 / length : 0.0;
        placed.normals[i] = static_cast<float>(nx * scale);
        placed.normals[i + 1] = static_cast<float>(ny * scale);
        placed.normals[i + 2] = static_cast<float>(nz * scale);
    }
    if (determinant < 0) {
        ReverseFaces(placed.faceVertices, placed.faceSizes);
        ReverseFaces(placed.normalFaceIndices, placed.normalFaceSizes);
    }
    return placed;
}

std::string ResolveTextureName(const std::string& fileFolder, const std::string& textureName) {
    if (textureName.empty()) return textureName;
    const size_t slash = textureName.find_last_of("\\/");
    const std::string beside = fileFolder + (slash == std::string::npos ? textureName : textureName.substr(slash + 1));
    return std::ifstream(beside, std::ios::binary).is_open() ? beside : textureName;
}

}  // namespace vgx::rm
