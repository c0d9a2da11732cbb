// The scene root's frame-tree conversion of .x files.
#include <vgx/Vgx.h>

#include "base/errors.h"
#include "io/xfile_conversion.h"

int32_t Vgx::lngConvertFrameHierarchy(
    const std::string& XFile, std::vector<int32_t>& FrameParent, std::vector<std::string>& FrameName,
    std::vector<float>& FramePositionsX, std::vector<float>& FramePositionsY, std::vector<float>& FramePositionsZ,
    std::vector<float>& FrameOrientationsDirX, std::vector<float>& FrameOrientationsDirY,
    std::vector<float>& FrameOrientationsDirZ, std::vector<float>& FrameOrientationsUpX,
    std::vector<float>& FrameOrientationsUpY, std::vector<float>& FrameOrientationsUpZ,
    std::vector<int32_t>& ObjectParent, std::vector<int32_t>& FrameAnimationKeyCount,
    std::vector<int32_t>& FrameAnimationType, std::vector<int32_t>& AnimationKeyType,
    std::vector<float>& AnimationKeyTime, std::vector<float>& AnimationKeyX, std::vector<float>& AnimationKeyY,
    std::vector<float>& AnimationKeyZ, std::vector<float>& AnimationKeyS) {
    return vgx::Trap("Vgx", [&] {
        vgx::rm::FrameHierarchyArrays arrays;
        const int32_t last = vgx::rm::ConvertFrameHierarchy(
            XFile, GetSearchPath(), arrays, [](int32_t j, vgx::xfile::Scene&& single, bool) {
                vgx::xfile::WriteXFile(vgx::rm::TemporaryMeshFile(j), single);
            });
        FrameParent = std::move(arrays.frameParent);
        FrameName = std::move(arrays.frameName);
        FramePositionsX = std::move(arrays.positionX);
        FramePositionsY = std::move(arrays.positionY);
        FramePositionsZ = std::move(arrays.positionZ);
        FrameOrientationsDirX = std::move(arrays.dirX);
        FrameOrientationsDirY = std::move(arrays.dirY);
        FrameOrientationsDirZ = std::move(arrays.dirZ);
        FrameOrientationsUpX = std::move(arrays.upX);
        FrameOrientationsUpY = std::move(arrays.upY);
        FrameOrientationsUpZ = std::move(arrays.upZ);
        ObjectParent = std::move(arrays.objectParent);
        FrameAnimationKeyCount = std::move(arrays.frameAnimationKeyCount);
        FrameAnimationType = std::move(arrays.frameAnimationType);
        AnimationKeyType = std::move(arrays.animationKeyType);
        AnimationKeyTime = std::move(arrays.animationKeyTime);
        AnimationKeyX = std::move(arrays.animationKeyX);
        AnimationKeyY = std::move(arrays.animationKeyY);
        AnimationKeyZ = std::move(arrays.animationKeyZ);
        AnimationKeyS = std::move(arrays.animationKeyS);
        return last;
    });
}
