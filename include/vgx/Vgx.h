#pragma once
// The scene root: factory of objects, groups, materials and lights, keeper of the
// search path and plug-in registry, and the garbage collection of library objects.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "VgxDevice.h"
#include "VgxEnums.h"
#include "VgxForward.h"
#include "VgxPicture.h"
#include "VgxTypes.h"

// Shows a modal message: Text, Title and a VgxMessageBoxStyle icon.
using VgxMessageBoxHandler = std::function<void(const std::string& Text, const std::string& Title, int32_t Style)>;

class Vgx : public std::enable_shared_from_this<Vgx> {
public:
    // Starts a scene root; raises VgxError with source "Vgx" when start-up fails.
    static std::shared_ptr<Vgx> Create();
    ~Vgx();
    Vgx(const Vgx&) = delete;
    Vgx& operator=(const Vgx&) = delete;

    int32_t CreateDeviceID();
    std::shared_ptr<VgxObject> CreateObject();
    std::shared_ptr<VgxGroup> CreateGroup(const std::shared_ptr<VgxGroup>& ParentGroup);
    std::shared_ptr<VgxMaterial> CreateMaterial();
    std::shared_ptr<VgxLight> CreateLight(VgxLightType LightType, int32_t Color);
    std::shared_ptr<VgxLight> CreateLightRGB(VgxLightType LightType, float Red, float Green, float Blue);

    // Folders separated by ";"; Priority 0, 1 or 2 (2 is searched first).
    void AddSearchPath(const std::string& Path, int32_t Priority);
    std::string GetSearchPath() const;
    void GetSearchPathList(std::vector<std::string>& SearchPathList, int32_t& SearchPathListCount) const;

    void ReleaseDirect3DBuffers();

    int32_t GetPluginID(const std::string& PlugInDLL);
    std::string GetPluginDLL(int32_t PlugInID) const;
    void SetPluginObject(int32_t PlugInID, const std::shared_ptr<PluginMaterial>& PluginObject);
    std::shared_ptr<PluginMaterial> GetPluginObject(int32_t PlugInID) const;

    // The texture registry. CreateTexture reuses the entry of the same six file
    // names (folders dropped, any letter case) and exactly the same overlay density
    // when it was loaded at most 2 s ago, reloads it otherwise, and appends a new
    // entry when none matches. Sizes must be 1 to 16384 a side and 64 M pixels in
    // all, the density 0 to 1 (error 5).
    std::shared_ptr<VgxTexture> CreateTexture(const std::string& Texture, const std::string& TextureAlpha,
                                              const std::string& TextureOverlay, float TextureOverlayDensity,
                                              const std::string& TextureBumpMap, const std::string& TextureSpecularMap,
                                              const std::string& TextureEnvironmentMap, int32_t TextureWidth,
                                              int32_t TextureHeight);
    int32_t GetTextureCount() const;

    // Device textures (full mip chain) of one map of entry TextureID, the registry
    // index: one less than the texture's id. Unless Refresh is set, a map unchanged
    // since its last build leaves the caller's texture as it is; an absent map gives
    // none. A TextureID outside the registry raises 9.
    void RebuildDirect3DTextureCombined8(VgxDevice& Direct3D, int32_t TextureID,
                                         std::shared_ptr<VgxDeviceTexture>& TextureCombined, bool Refresh);
    void RebuildDirect3DTexture8(VgxDevice& Direct3D, int32_t TextureID, std::shared_ptr<VgxDeviceTexture>& Texture,
                                 bool Refresh);
    void RebuildDirect3DTextureOverlay8(VgxDevice& Direct3D, int32_t TextureID,
                                        std::shared_ptr<VgxDeviceTexture>& TextureOverlay, bool Refresh);
    void RebuildDirect3DBumpmap8(VgxDevice& Direct3D, int32_t TextureID, std::shared_ptr<VgxDeviceTexture>& Bumpmap,
                                 bool Refresh);
    void RebuildDirect3DSpecularMap8(VgxDevice& Direct3D, int32_t TextureID,
                                     std::shared_ptr<VgxDeviceTexture>& SpecularMap, bool Refresh);
    void RebuildDirect3DEnvironmentMap8(VgxDevice& Direct3D, int32_t TextureID,
                                        std::shared_ptr<VgxDeviceTexture>& EnvironmentMap, bool Refresh);

    // Draws each picture, resampled to the result's size, over the result with its
    // alpha, in order. An empty Result takes the size of the first picture. A missing
    // picture raises 91, one whose pixels do not match its size 5; Result is then
    // unchanged.
    void CombineImages(std::shared_ptr<VgxPicture>& Result, const std::vector<std::shared_ptr<VgxPicture>>& Pictures) const;

    // Reads the frame tree of the DirectX .x file XFile (found through the search
    // path) into the frame arrays, recreated: frames numbered from 1 (entry 0 is the
    // group that receives the file), each placed by its position, Dir (z axis) and Up
    // (y axis) in its parent frame; per mesh j, the frame holding it, the mesh being
    // written to "<temp folder>/~VRL<j>.x"; per frame, its number of animation keys
    // and the animation options that play them, and the keys (rotation keys in this
    // library's rotation sense, X, Y, Z the vector part and S the scalar part;
    // position keys in X, Y, Z; times in the file's ticks) frame after frame. Returns
    // the last mesh index, -1 when the file has no mesh. 53 when the file is not
    // found, 321 when it is not a readable .x file (as one holding a NaN or an
    // infinity is not).
    int32_t lngConvertFrameHierarchy(const std::string& XFile, std::vector<int32_t>& FrameParent,
                                     std::vector<std::string>& FrameName, std::vector<float>& FramePositionsX,
                                     std::vector<float>& FramePositionsY, std::vector<float>& FramePositionsZ,
                                     std::vector<float>& FrameOrientationsDirX, std::vector<float>& FrameOrientationsDirY,
                                     std::vector<float>& FrameOrientationsDirZ, std::vector<float>& FrameOrientationsUpX,
                                     std::vector<float>& FrameOrientationsUpY, std::vector<float>& FrameOrientationsUpZ,
                                     std::vector<int32_t>& ObjectParent, std::vector<int32_t>& FrameAnimationKeyCount,
                                     std::vector<int32_t>& FrameAnimationType, std::vector<int32_t>& AnimationKeyType,
                                     std::vector<float>& AnimationKeyTime, std::vector<float>& AnimationKeyX,
                                     std::vector<float>& AnimationKeyY, std::vector<float>& AnimationKeyZ,
                                     std::vector<float>& AnimationKeyS);

    // Releases every registered library object nobody outside the library holds.
    void CollectGarbage();

    // Vector, quaternion and colour helpers. A Result may be the same record as an input.
    float VectorModulus(const VgxVector& Vector) const;
    void VectorRotate(VgxVector& Result, const VgxVector& Vector, const VgxVector& Axis, float Theta) const;
    void VectorScale(VgxVector& Result, const VgxVector& Vector, float Factor) const;
    void VectorNormalize(VgxVector& Result, const VgxVector& Vector) const;
    float VectorDotProduct(const VgxVector& Vector1, const VgxVector& Vector2) const;
    void VectorCrossProduct(VgxVector& Result, const VgxVector& Vector1, const VgxVector& Vector2) const;
    void QuaternionFromRotation(VgxQuaternion& Result, const VgxVector& Vector, float Theta) const;
    void QuaternionMultiply(VgxQuaternion& Result, const VgxQuaternion& Quaternion1, const VgxQuaternion& Quaternion2) const;
    float ColorGetRed(int32_t Color) const;
    float ColorGetGreen(int32_t Color) const;
    float ColorGetBlue(int32_t Color) const;
    float ColorGetAlpha(int32_t Color) const;
    int32_t CreateColorRGBA(float Red, float Green, float Blue, float Alpha) const;
    int32_t CreateColorRGB(float Red, float Green, float Blue) const;

    // Where the diagnostic log "Vorlan.log" is written (the user's documents folder).
    static std::string GetDiagnosticLogPath();

    // The threads the library's operations may use, the caller's included, shared
    // by every root of the process; 1 runs everything on the calling thread. It
    // starts at VGX_THREADS when that holds 1 to 256, else at the machine's
    // hardware threads. Results never depend on it. Outside 1 to 256 raises 5.
    void SetThreadCount(int32_t ThreadCount);
    int32_t GetThreadCount() const;

    // Replaces how warnings are shown; an empty handler restores the default
    // (diagnostic log and standard error).
    void SetMessageBoxHandler(VgxMessageBoxHandler Handler);

private:
    friend struct VgxAccess;
    Vgx();
    std::unique_ptr<vgx::RootState> internals_;
};
