#include "io/xfile_placement.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "base/frame_math.h"

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

// A normal taken through the inverse transpose given as cofactors, made unit length.
void TransformNormal(const std::array<double, 9>& n, float* normal) {
    const double x = normal[0], y = normal[1], z = normal[2];
    // Row vector times the inverse transpose: (x, y, z) x C / det, whose columns are
    // the cofactor rows.
    const double nx = x * n[0] + y * n[3] + z * n[6];
    const double ny = x * n[1] + y * n[4] + z * n[7];
    const double nz = x * n[2] + y * n[5] + z * n[8];
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    const double scale = length > 0 ? 1.0 / length : 0.0;
    normal[0] = static_cast<float>(nx * scale);
    normal[1] = static_cast<float>(ny * scale);
    normal[2] = static_cast<float>(nz * scale);
}

void TransformPosition(const VgxMatrix& matrix, float* position) {
    const VgxVector p = TransformPoint({position[0], position[1], position[2]}, matrix);
    position[0] = p.X, position[1] = p.Y, position[2] = p.Z;
}

void ReverseEveryFace(xfile::Mesh& mesh) {
    ReverseFaces(mesh.faceVertices, mesh.faceSizes);
    ReverseFaces(mesh.normalFaceIndices, mesh.normalFaceSizes);
}

// Each vertex's matrix: the weighted sum of its bones' matrices, or `unweighted`
// for a vertex no bone weighs.
std::vector<VgxMatrix> BlendedMatrices(const xfile::Mesh& mesh, const VgxMatrix& unweighted,
                                       const std::vector<VgxMatrix>& bones) {
    std::vector<std::array<double, 16>> sums(mesh.VertexCount(), std::array<double, 16>{});
    std::vector<double> weights(mesh.VertexCount(), 0.0);
    for (size_t b = 0; b < bones.size(); ++b) {
        const xfile::SkinWeights& skin = mesh.skinWeights[b];
        for (size_t k = 0; k < skin.vertices.size(); ++k) {
            const uint32_t vertex = skin.vertices[k];
            for (int e = 0; e < 16; ++e) sums[vertex][e] += double{skin.weights[k]} * bones[b].m[e];
            weights[vertex] += skin.weights[k];
        }
    }
    std::vector<VgxMatrix> matrices(mesh.VertexCount(), unweighted);
    for (size_t v = 0; v < matrices.size(); ++v) {
        if (weights[v] == 0) continue;
        for (int e = 0; e < 16; ++e) matrices[v].m[e] = static_cast<float>(sums[v][e]);
    }
    return matrices;
}

}  // namespace

xfile::Mesh PlacedMesh(const xfile::Mesh& mesh, const VgxMatrix& placement) {
    xfile::Mesh placed = mesh;
    if (IsIdentity(placement)) return placed;
    for (size_t i = 0; i + 2 < placed.positions.size(); i += 3) TransformPosition(placement, &placed.positions[i]);
    double determinant = 0;
    const std::array<double, 9> n = NormalMatrix(placement, determinant);
    for (size_t i = 0; i + 2 < placed.normals.size(); i += 3) TransformNormal(n, &placed.normals[i]);
    if (determinant < 0) ReverseEveryFace(placed);
    return placed;
}

xfile::Mesh SkinnedMesh(const xfile::Mesh& mesh, const VgxMatrix& unweighted, const std::vector<VgxMatrix>& bones) {
    xfile::Mesh skinned = mesh;
    const std::vector<VgxMatrix> matrices = BlendedMatrices(mesh, unweighted, bones);
    std::vector<std::array<double, 9>> cofactors(matrices.size());
    size_t mirrored = 0;
    for (size_t v = 0; v < matrices.size(); ++v) {
        TransformPosition(matrices[v], &skinned.positions[3 * v]);
        double determinant = 0;
        cofactors[v] = NormalMatrix(matrices[v], determinant);
        if (determinant < 0) ++mirrored;
    }
    // A normal turns with the vertex of the first corner that uses it.
    std::vector<int64_t> vertexOf(skinned.normals.size() / 3, -1);
    for (size_t c = 0; c < skinned.normalFaceIndices.size() && c < skinned.faceVertices.size(); ++c) {
        const uint32_t normal = skinned.normalFaceIndices[c], vertex = skinned.faceVertices[c];
        if (normal < vertexOf.size() && vertex < matrices.size() && vertexOf[normal] < 0) vertexOf[normal] = vertex;
    }
    double determinant = 0;
    const std::array<double, 9> unweightedCofactors = NormalMatrix(unweighted, determinant);
    for (size_t i = 0; i < vertexOf.size(); ++i) {
        TransformNormal(vertexOf[i] < 0 ? unweightedCofactors : cofactors[static_cast<size_t>(vertexOf[i])],
                        &skinned.normals[3 * i]);
    }
    if (2 * mirrored > matrices.size()) ReverseEveryFace(skinned);
    return skinned;
}

std::string ResolveTextureName(const std::string& fileFolder, const std::string& textureName) {
    if (textureName.empty()) return textureName;
    const size_t slash = textureName.find_last_of("\\/");
    const std::string beside = fileFolder + (slash == std::string::npos ? textureName : textureName.substr(slash + 1));
    return std::ifstream(beside, std::ios::binary).is_open() ? beside : textureName;
}

}  // namespace vgx::rm
