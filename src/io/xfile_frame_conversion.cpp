// A .x file's frame tree read into the frame arrays VgxGroup::Load builds groups
// from; its meshes are written to temporary files for VgxObject::Load.
#include <vgx/VgxEnums.h>

#include <array>
#include <cmath>
#include <unordered_map>

#include "base/frame_math.h"
#include "base/retained_mode.h"
#include "io/xfile_conversion.h"
#include "io/xfile_placement.h"
#include "platform/os.h"

namespace vgx::rm {

std::string TemporaryMeshFile(int32_t j) {
    return platform::ShortPath(platform::TempFolder()) + "/~VRL" + std::to_string(j) + ".x";
}

namespace {

bool Usable(const VgxVector& v) { return std::isfinite(v.X + v.Y + v.Z) && VectorModulus(v) > 1e-6f; }

// The placement a group gets from SetPosition and SetOrientation relative to its
// parent, as those operations compute it; a frame squashed flat keeps its
// parent's axes (its meshes then carry the whole transform).
VgxMatrix GroupWorld(const VgxMatrix& parentWorld, const VgxVector& position, VgxVector& dir, VgxVector& up) {
    VgxVector side;
    VectorCrossProduct(side, up, dir);
    if (!Usable(dir) || !Usable(up) || !Usable(side)) {
        dir = {0, 0, 1};
        up = {0, 1, 0};
    }
    const VgxMatrix placed =
        MatrixMultiply(FrameSetPosition(parentWorld, parentWorld, parentWorld, position), parentWorld);
    return MatrixMultiply(FrameSetOrientation(placed, parentWorld, parentWorld, dir, up), parentWorld);
}

void AppendKey(FrameHierarchyArrays& result, VgxAnimationKeyType type, uint32_t time, const VgxQuaternion& q) {
    result.animationKeyType.push_back(type);
    result.animationKeyTime.push_back(static_cast<float>(time));
    result.animationKeyX.push_back(q.V.X);
    result.animationKeyY.push_back(q.V.Y);
    result.animationKeyZ.push_back(q.V.Z);
    result.animationKeyS.push_back(q.s);
}

// The rotation and position keys of one animation; scale keys have no place in a
// group's animation and are left out. Returns the animation options a group
// playing them would use.
int32_t AppendAnimationKeys(const xfile::Animation& animation, FrameHierarchyArrays& result, int32_t& keyCount) {
    bool rotations = false, positions = false;
    for (const xfile::AnimationKeys& keys : animation.keys) {
        const size_t stride = xfile::ValuesPerKey(keys.keyType);
        for (size_t k = 0; k < keys.times.size(); ++k) {
            const float* v = keys.values.data() + k * stride;
            switch (keys.keyType) {
                case 0:  // (w, x, y, z) turning the other way round from this library's rotations
                    AppendKey(result, VgxAnimationRotateKey, keys.times[k], {v[0], {-v[1], -v[2], -v[3]}});
                    rotations = true;
                    ++keyCount;
                    break;
                case 2:
                    AppendKey(result, VgxAnimationPositionKey, keys.times[k], {0, {v[0], v[1], v[2]}});
                    positions = true;
                    ++keyCount;
                    break;
                case 4: {
                    VgxMatrix matrix;
                    std::copy(v, v + 16, matrix.m);
                    VgxVector position, dir, up;
                    MatrixDecompose(matrix, position, dir, up);
                    const VgxMatrix rotation = GroupWorld(MatrixIdentity(), {0, 0, 0}, dir, up);
                    AppendKey(result, VgxAnimationRotateKey, keys.times[k], QuaternionFromMatrix(rotation));
                    AppendKey(result, VgxAnimationPositionKey, keys.times[k], {0, position});
                    rotations = positions = true;
                    keyCount += 2;
                    break;
                }
                default:
                    break;
            }
        }
    }
    if (!rotations && !positions) return 0;
    int32_t options = animation.closed ? VgxAnimationClosed : VgxAnimationOpen;
    options |= animation.splinePositions ? VgxAnimationSplinePosition : VgxAnimationLinearPosition;
    if (rotations) options |= VgxAnimationScaleAndRotation;
    if (positions) options |= VgxAnimationPosition;
    return options;
}

void SizeFrameArrays(FrameHierarchyArrays& result, size_t entries) {
    result = {};
    result.frameParent.assign(entries, 0);
    result.frameName.assign(entries, std::string());
    for (std::vector<float>* values : {&result.positionX, &result.positionY, &result.positionZ, &result.dirX,
                                       &result.dirY, &result.dirZ, &result.upX, &result.upY, &result.upZ}) {
        values->assign(entries, 0.0f);
    }
    result.frameAnimationKeyCount.assign(entries, 0);
    result.frameAnimationType.assign(entries, 0);
}

}  // namespace

int32_t ConvertFrameHierarchy(const std::string& fileName, const std::string& searchPath, FrameHierarchyArrays& result,
                              const PlacedMeshSink& placedMesh) {
    std::string path;
    ImportedScene imported = ReadSceneFile(fileName, searchPath, &path);
    const xfile::Scene& scene = imported.scene;
    const std::string folder = FolderOf(path);
    const std::vector<VgxMatrix> fileWorlds = FrameWorldMatrices(scene);
    const size_t frameCount = scene.frames.size();

    FrameHierarchyArrays arrays;
    SizeFrameArrays(arrays, frameCount + 1);
    // Where each group will stand relative to the group that receives the file
    // (entry 0). The first frame's group keeps the identity; what its frame's
    // transform does is carried by its children and meshes instead.
    std::vector<VgxMatrix> groupWorlds(frameCount + 1, MatrixIdentity());
    for (size_t i = 1; i <= frameCount; ++i) {
        const xfile::Frame& frame = scene.frames[i - 1];
        const auto parent = static_cast<size_t>(frame.parent + 1);
        arrays.frameParent[i] = static_cast<int32_t>(parent);
        arrays.frameName[i] = frame.name;
        if (i == 1) continue;
        VgxVector position, dir, up;
        MatrixDecompose(FrameGetTransform(fileWorlds[i - 1], groupWorlds[parent]), position, dir, up);
        RequireFiniteNumbers(path,
                             std::array{position.X, position.Y, position.Z, dir.X, dir.Y, dir.Z, up.X, up.Y, up.Z});
        groupWorlds[i] = GroupWorld(groupWorlds[parent], position, dir, up);
        arrays.positionX[i] = position.X, arrays.positionY[i] = position.Y, arrays.positionZ[i] = position.Z;
        arrays.dirX[i] = dir.X, arrays.dirY[i] = dir.Y, arrays.dirZ[i] = dir.Z;
        arrays.upX[i] = up.X, arrays.upY[i] = up.Y, arrays.upZ[i] = up.Z;
    }

    // Bones, and animations of a .x file, find their frames by name, the first of a name.
    std::unordered_map<std::string, size_t> frameByName;
    for (size_t i = frameCount; i >= 1; --i) frameByName[scene.frames[i - 1].name] = i;
    // The first animation set is the one a group can play.
    if (!scene.animationSets.empty()) {
        std::vector<const xfile::Animation*> frameAnimation(frameCount + 1, nullptr);
        for (const xfile::Animation& animation : scene.animationSets.front().animations) {
            size_t at = 0;
            if (animation.frame >= 0) {
                at = static_cast<size_t>(animation.frame) + 1;
            } else if (const auto found = frameByName.find(animation.frameName); found != frameByName.end()) {
                at = found->second;
            }
            if (at != 0 && at <= frameCount && !frameAnimation[at]) frameAnimation[at] = &animation;
        }
        for (size_t i = 1; i <= frameCount; ++i) {
            if (!frameAnimation[i]) continue;
            arrays.frameAnimationType[i] =
                AppendAnimationKeys(*frameAnimation[i], arrays, arrays.frameAnimationKeyCount[i]);
        }
    }

    for (size_t j = 0; j < scene.meshes.size(); ++j) {
        const int32_t frame = scene.meshFrame[j];
        const auto group = static_cast<size_t>(frame + 1);
        arrays.objectParent.push_back(static_cast<int32_t>(group));
        const xfile::Mesh& mesh = scene.meshes[j];
        const VgxMatrix placement =
            frame < 0 ? MatrixIdentity() : FrameGetTransform(fileWorlds[group - 1], groupWorlds[group]);
        xfile::Scene single;
        if (mesh.skinWeights.empty()) {
            single.meshes.push_back(PlacedMesh(mesh, placement));
        } else {
            // A skinned mesh stands where its bones put it; the frame holding it
            // plays no part. A bone naming no frame stands at the file's origin.
            std::vector<VgxMatrix> bones;
            for (const xfile::SkinWeights& skin : mesh.skinWeights) {
                const auto bone = frameByName.find(skin.boneName);
                const VgxMatrix world = bone == frameByName.end() ? MatrixIdentity() : fileWorlds[bone->second - 1];
                bones.push_back(
                    FrameGetTransform(MatrixMultiply(ToVgxMatrix(skin.offset), world), groupWorlds[group]));
            }
            single.meshes.push_back(SkinnedMesh(mesh, placement, bones));
        }
        // The temporary file lies elsewhere: textures beside the scene file keep their folder.
        for (xfile::Material& material : single.meshes.back().materials) {
            material.textureFile = ResolveTextureName(folder, material.textureFile);
        }
        single.meshFrame.push_back(-1);
        RequireFiniteScene(path, single);  // placed and skinned through the frames' transforms
        placedMesh(static_cast<int32_t>(j), std::move(single), !imported.animateGroups);
    }
    for (SceneLight& light : imported.lights) ++light.frame;  // frames count from 1 here
    arrays.lights = std::move(imported.lights);
    arrays.images = std::move(imported.images);
    arrays.skipped = std::move(imported.skipped);
    arrays.xFile = !imported.animateGroups;
    if (imported.animateGroups && scene.ticksPerSecond > 0) {
        arrays.animateGroups = true;
        for (float& time : arrays.animationKeyTime) time /= static_cast<float>(scene.ticksPerSecond);
    }
    result = std::move(arrays);
    return static_cast<int32_t>(scene.meshes.size()) - 1;
}

}  // namespace vgx::rm
