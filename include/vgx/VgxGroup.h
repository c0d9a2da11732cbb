#pragma once
// A node of the scene graph: a frame holding child groups, objects and lights.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VgxDevice.h"
#include "VgxEnums.h"
#include "VgxForward.h"
#include "VgxMemberArrays.h"
#include "VgxTypes.h"

class VgxGroup : public std::enable_shared_from_this<VgxGroup> {
public:
    ~VgxGroup();
    VgxGroup(const VgxGroup&) = delete;
    VgxGroup& operator=(const VgxGroup&) = delete;

    // Moves Group from its current parent to the end of this group's children; 5 when
    // Group is this group or one of its ancestors.
    void AddChild(const std::shared_ptr<VgxGroup>& Group);
    // Removes Group from the children; clears its parent link even when absent.
    void DeleteChild(const std::shared_ptr<VgxGroup>& Group);
    std::shared_ptr<VgxGroup> GetParent() const;
    // The top of this group's hierarchy.
    std::shared_ptr<VgxGroup> GetScene();
    std::shared_ptr<VgxGroupArray> GetChildren();
    // 91 "Object is nothing" for an empty Object.
    void AddObject(const std::shared_ptr<VgxObject>& Object);
    void DeleteObject(const std::shared_ptr<VgxObject>& Object);
    std::shared_ptr<VgxObjectArray> GetObjects();
    // Moves Light from its current group to the end of this group's lights.
    void AddLight(const std::shared_ptr<VgxLight>& Light);
    void DeleteLight(const std::shared_ptr<VgxLight>& Light);
    std::shared_ptr<VgxLightArray> GetLights();

    std::string GetName() const;
    void SetName(const std::string& Name);
    int32_t GetAppData() const;
    void SetAppData(int32_t Data);
    std::shared_ptr<Vgx> csVgx() const;

    // Scene settings, stored for the host's renderer and returned; only a NaN or an
    // infinity is refused (5).
    void SetSceneFogMode(VgxFogMode SceneFogMode);
    VgxFogMode GetSceneFogMode() const;
    void SetSceneFogColor(int32_t SceneFogColor);
    int32_t GetSceneFogColor() const;
    void SetSceneFogParams(float FogStart, float FogEnd, float FogDensity);
    void GetSceneFogParams(float& FogStart, float& FogEnd, float& FogDensity) const;
    void SetSceneFogEnable(int32_t SceneFogEnable);
    int32_t GetSceneFogEnable() const;
    void SetSceneBackgroundRGB(float Red, float Green, float Blue);

    // Custom-field schemas: Add returns the new id (the count before the call), Name
    // raises 9 outside 0 .. count - 1, ID finds the first name equal ignoring case
    // (-1 when none is).
    int32_t AddObjectCustomField(const std::string& CustomFieldName);
    void ClearObjectCustomFields();
    int32_t GetObjectCustomFieldCount() const;
    std::string GetObjectCustomFieldName(int32_t Index) const;
    int32_t GetObjectCustomFieldID(const std::string& CustomFieldName) const;
    int32_t AddMaterialCustomField(const std::string& CustomFieldName);
    void ClearMaterialCustomFields();
    int32_t GetMaterialCustomFieldCount() const;
    std::string GetMaterialCustomFieldName(int32_t Index) const;
    int32_t GetMaterialCustomFieldID(const std::string& CustomFieldName) const;
    int32_t AddGroupCustomField(const std::string& CustomFieldName);
    void ClearGroupCustomFields();
    int32_t GetGroupCustomFieldCount() const;
    std::string GetGroupCustomFieldName(int32_t Index) const;
    int32_t GetGroupCustomFieldID(const std::string& CustomFieldName) const;
    // This group's six custom field values, ids 0..5; any other id raises 9 as is.
    void SetCustomFieldValue(int32_t FieldID, const std::string& FieldValue);
    std::string GetCustomFieldValue(int32_t FieldID) const;

    // Transforms. The local transform places this frame in its parent's; the world
    // matrix is L(self) x L(parent) x ... x L(top). A RelativeGroup of none means world
    // coordinates. Time arguments are ignored, though a setter's must be finite.
    // Matrices are row-major with row vectors (p' = p x M). A bad Dir, Up, quaternion,
    // look-at target or enum value raises 5 and changes nothing.
    void SetPosition(float Time, const std::shared_ptr<VgxGroup>& RelativeGroup, const VgxVector& Position);
    void GetPosition(float Time, const std::shared_ptr<VgxGroup>& RelativeGroup, VgxVector& Position) const;
    // z along Dir, y along Up made perpendicular to Dir; the origin stays.
    void SetOrientation(float Time, const std::shared_ptr<VgxGroup>& RelativeGroup, const VgxVector& Dir,
                        const VgxVector& Up);
    void GetOrientation(float Time, const std::shared_ptr<VgxGroup>& RelativeGroup, VgxVector& Dir,
                        VgxVector& Up) const;
    void SetQuaternion(const std::shared_ptr<VgxGroup>& RelativeGroup, const VgxQuaternion& Q);
    // The spin of ApplyRotation: stored only.
    void SetRotation(const VgxVector& Axis, float Theta);
    void GetRotation(VgxVector& Axis, float& Theta) const;
    // Spins every group of this subtree that has a parent by its own Theta x Delta
    // about its own stored axis, taken in its own frame.
    void ApplyRotation(float Delta);
    void AddRotation(VgxCombineType Combine, const VgxVector& Axis, float Theta);
    void AddTranslation(VgxCombineType Combine, const VgxVector& Translation);
    // Turns the z axis towards LookAtGroup's origin; the origin stays.
    void LookAt(const std::shared_ptr<VgxGroup>& LookAtGroup, VgxGroupConstraint Constraint);
    // W(self) x W(RelativeGroup)^-1.
    void GetTransform(const std::shared_ptr<VgxGroup>& RelativeGroup, VgxMatrix& Transform) const;
    void GetLocalTransform(VgxMatrix& Transform) const;
    // From this frame to the world, and back.
    void Transform(VgxVector& DestinationVector, const VgxVector& SourceVector) const;
    void InverseTransform(VgxVector& DestinationVector, const VgxVector& SourceVector) const;
    // Each point from this frame to RelativeGroup's; Result is resized to the list.
    // 9 for an empty VectorList.
    void TransformVectors(std::vector<VgxVector>& Result, const std::vector<VgxVector>& VectorList,
                          const std::shared_ptr<VgxGroup>& RelativeGroup) const;
    // Each point from RelativeGroup's frame to this one, into the first entries of
    // Result, which must hold at least as many: 9 otherwise, and for an empty list.
    void InverseTransformVectors(std::vector<VgxVector>& Result, const std::vector<VgxVector>& VectorList,
                                 const std::shared_ptr<VgxGroup>& RelativeGroup) const;

    // Animation keys. Position keys (type VgxAnimationPositionKey) and rotation keys
    // (every other type) are kept apart, each ascending by time.
    // Inserts after every key of its list whose time is <= the key's time.
    void AddAnimationKey(const VgxAnimationKey& Key);
    // Removes every key whose time is within 0.0001 of Time.
    void DeleteAnimationKey(float Time);
    // The position keys, then the rotation keys, with TimeMin <= time <= TimeMax.
    void GetAnimationKeys(float TimeMin, float TimeMax, std::vector<VgxAnimationKey>& KeyList,
                          int32_t& KeyListCount) const;
    void SetAnimationOptions(int32_t Flags);
    int32_t GetAnimationOptions() const;
    // Places the group relative to its parent at the keys' values at Time: positions
    // on a Catmull-Rom spline, rotations by slerp, as the options enable them. A
    // closed animation whose wrapped keys fall outside its list raises 9 and changes
    // nothing.
    void SetAnimationTime(float Time);

    // Picking. Both walk this group and every group below it, starting from the
    // identity (the frame of the hierarchy's top, whose own transform is not
    // applied), and return a new pick array of the hits on the render meshes of the
    // pickable objects, each hit in the coordinates of its object's group.
    // ViewportPick casts the ray through pixel (X, Y) of the device's viewport, view
    // and projection and reports every surface it crosses, in both directions, with
    // dist measured from the near plane, plus the faces made of the same points as a
    // hit face. RayPick reports the nearest hit of each mesh, dist being the
    // parameter of RayDirection x 1000. A non-finite position or ray raises 5 first;
    // then a missing device raises 91, and a viewport without area or depth range, a
    // view and projection that cannot be inverted, or a zero ray raise 5, before
    // anything is created.
    std::shared_ptr<VgxPickArray> ViewportPick(float X, float Y, int32_t DeviceID,
                                               const std::shared_ptr<VgxDevice>& Device);
    std::shared_ptr<VgxPickArray> RayPick(int32_t DeviceID, const std::shared_ptr<VgxDevice>& Device,
                                          const VgxVector& RayOrigin, const VgxVector& RayDirection);

    // Rebuilds the DirectX .x file FileName below this group: a new container group,
    // in it one group per frame (named after it, "Group" when it has no name) placed
    // like the frame, and the frames' meshes as objects. The file's animation is not
    // applied. A file with no mesh, or one that cannot be read (a NaN or an infinity
    // among its numbers included), is tried as one object; when that fails too the
    // message "File Format Invalid." is shown and nothing changes. Errors while the
    // groups are built are raised with what was built left in place.
    void Load(const std::string& FileName);
    // Writes this group and everything below it as glTF 2.0, files and errors as
    // VgxObject::Save: groups become nodes carrying their local transforms, an
    // only object the node's mesh (several get a child node each, named after
    // them), point, spot and directional lights KHR_lights_punctual lights (ambient
    // and area lights have no glTF form and are left out). A ".x" name writes a text
    // .x file: groups as frames with their local transforms, objects as meshes with
    // their materials and texture names (lights and animation keys have no place there).
    void Save(const std::string& FileName);

    // Skinning: this group as a bone moving points of the mesh object Skin. Weights
    // are normalised over every bone of a skin when next read: each point's weights
    // then sum to 1, and the group holding the skin object moves the points no bone
    // moves. SetSkin(none) also clears the influences.
    void SetSkin(const std::shared_ptr<VgxObject>& Skin);
    // Normalises first when the weights changed. 91 when the skin object is in no group.
    std::shared_ptr<VgxObject> GetSkin();
    // The points this bone moves and their weights, one per point; 9 when WeightList
    // is shorter than PointList. Nothing changes on an error.
    void SetSkinInfluences(const std::vector<int32_t>& PointList, const std::vector<float>& WeightList);
    // The points and their normalised weights. Normalising raises 91 when this group
    // has influences but no skin or the skin object is in no group, 9 for a point
    // beyond the skin's points, 11 for a point whose weights sum to 0.
    void GetSkinInfluences(std::vector<int32_t>& PointList, std::vector<float>& WeightList,
                           int32_t& InfluenceCount);

private:
    friend struct VgxAccess;
    VgxGroup();
    void SetRoot(const std::shared_ptr<Vgx>& Root);
    int32_t GetChildCount() const;
    // The children whose parent link is this group: each holds a reference to it.
    int32_t GetChildrenLinkedBack() const;
    // Breaks the cycles of this subtree: children first, then releases the device
    // buffers of its objects and drops its lists, parent and root.
    void ReleaseHierarchy();

    std::unique_ptr<vgx::GroupState> internals_;
};
