#pragma once
// Where a .x file's meshes stand: the frames' world matrices, and a mesh moved
// into another frame.
#include <vgx/VgxDevice.h>

#include <string>
#include <vector>

#include "platform/xfile.h"

namespace vgx::rm {

VgxMatrix ToVgxMatrix(const xfile::Matrix& matrix);

// Per frame of the scene, its transform times its parents' up to the top.
std::vector<VgxMatrix> FrameWorldMatrices(const xfile::Scene& scene);

// The mesh with its positions taken through `placement` and its normals through the
// inverse transpose (then made unit length); a placement that mirrors also reverses
// every face, so faces keep facing outwards. Everything else is copied.
xfile::Mesh PlacedMesh(const xfile::Mesh& mesh, const VgxMatrix& placement);

// A skinned mesh where its bones put it: each vertex taken through the weighted
// sum of the matrices of the bones that weigh it (bones[i] for the mesh's skin
// weights i: the bone's offset, its frame's world matrix, and whatever brings the
// result into the receiving coordinates), or through `unweighted` when no bone
// weighs it. Each normal turns with the vertex of the first corner using it; faces
// are reversed when most vertices are mirrored.
xfile::Mesh SkinnedMesh(const xfile::Mesh& mesh, const VgxMatrix& unweighted, const std::vector<VgxMatrix>& bones);

// True when every element is within 1e-6 of the identity's.
bool IsIdentity(const VgxMatrix& matrix);

// A texture named in a file of folder `fileFolder` (ending in a separator): the
// file of that name beside the .x file when there is one, else the name as written.
std::string ResolveTextureName(const std::string& fileFolder, const std::string& textureName);

}  // namespace vgx::rm
