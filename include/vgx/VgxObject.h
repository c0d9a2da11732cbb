#pragma once
// An indexed polygon mesh. Points, normals and texture coordinates live in pools
// that merge coordinates within 0.0001; faces index them. Every operation works
// on the editable mesh (level 0) unless it says otherwise. Indexes are 0-based.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VgxDevice.h"
#include "VgxEnums.h"
#include "VgxForward.h"
#include "VgxTypes.h"

class VgxObject : public std::enable_shared_from_this<VgxObject> {
public:
    ~VgxObject();
    VgxObject(const VgxObject&) = delete;
    VgxObject& operator=(const VgxObject&) = delete;

    // Single coordinates. Add* returns the index of an existing coordinate within
    // 0.0001, else of the one appended. Get/Set raise 9 outside the pool's array.
    int32_t AddOptimizedPoint(const VgxVector& Point);
    void AddOptimizedPoints(const std::vector<VgxVector>& PointList, std::vector<int32_t>& PointIndexList);
    int32_t AddOptimizedNormal(const VgxVector& Normal);
    void AddOptimizedNormals(const std::vector<VgxVector>& NormalList, std::vector<int32_t>& NormalIndexList);
    int32_t AddOptimizedUV(const VgxUV& UV);
    void AddOptimizedUVs(const std::vector<VgxUV>& UVList, std::vector<int32_t>& UVIndexList);
    int32_t GetPointCount() const;
    int32_t GetNormalCount() const;
    int32_t GetUVCount() const;
    VgxVector GetPoint(int32_t PointID) const;
    // Moves a point; it stays filed under the position it was pooled with.
    void SetPoint(int32_t PointID, const VgxVector& Point);
    VgxVector GetNormal(int32_t NormalID) const;
    void SetNormal(int32_t NormalID, const VgxVector& Normal);
    VgxUV GetUV(int32_t UVID) const;
    void SetUV(int32_t UVID, const VgxUV& UV);

    // Faces. FaceData: per face the corner count n, then n triples (point, normal,
    // UV index), and a final 0. AddFaces indexes the given arrays, AddFacesIndexed
    // the object's own pools.
    void AddFaces(const std::vector<VgxVector>& PointList, const std::vector<VgxVector>& NormalList,
                  const std::vector<VgxUV>& UVList, const std::vector<int32_t>& FaceData, bool OptimizeCoordinates,
                  bool OptimizeFaces);
    void AddFacesIndexed(const std::vector<int32_t>& FaceData, bool OptimizeFaces);
    // Appends a face with no corners and the default material.
    std::shared_ptr<VgxFace> CreateFace();
    // Removes the listed faces and every face of fewer than 3 corners; faces are
    // renumbered and get new proxies.
    void DeleteFaces(const std::vector<int32_t>& FaceIDList);
    int32_t GetFaceCount() const;
    // The proxy of face FaceID; 9 outside the faces.
    std::shared_ptr<VgxFace> GetFace(int32_t FaceID) const;
    // A live view of this object's faces.
    std::shared_ptr<VgxFaceArray> GetFaces();
    // A new material of this colour on every face.
    void DefaultMaterial(int32_t Color);
    void ApplyMaterial(const std::shared_ptr<VgxMaterial>& Material);

    // Whole geometry. Output arrays are recreated with exactly Count entries.
    void GetGeometry(std::vector<VgxVector>& PointList, int32_t& PointListCount, std::vector<VgxVector>& NormalList,
                     int32_t& NormalListCount, std::vector<VgxUV>& UVList, int32_t& UVListCount,
                     std::vector<int32_t>& FaceData, int32_t& FaceDataCount) const;
    // One entry per distinct (point, UV) pair; FaceData blocks hold n, then n
    // pairs (point-UV index, normal index).
    void GetGeometryPointUV(std::vector<VgxVectorUV>& PointUVList, int32_t& PointUVListCount,
                            std::vector<VgxVector>& NormalList, int32_t& NormalListCount,
                            std::vector<int32_t>& FaceData, int32_t& FaceDataCount) const;
    // The mesh as it is shown, optionally split into triangles, with one material per
    // output face.
    void GetVisual(bool Triangulate, std::vector<VgxVector>& PointList, int32_t& PointListCount,
                   std::vector<VgxVector>& NormalList, int32_t& NormalListCount, std::vector<VgxUV>& UVList,
                   int32_t& UVListCount, std::vector<int32_t>& FaceData, int32_t& FaceDataCount,
                   std::vector<std::shared_ptr<VgxMaterial>>& FaceMaterialList, int32_t& FaceMaterialListCount);
    void GetPoints(std::vector<VgxVector>& PointList, int32_t& PointListCount) const;
    void GetNormals(std::vector<VgxVector>& NormalList, int32_t& NormalListCount) const;
    void GetUVs(std::vector<VgxUV>& UVList, int32_t& UVListCount) const;
    // Overwrite entries 0.. of the pools; 9 at the first index beyond the pool.
    void SetPoints(const std::vector<VgxVector>& PointList);
    void SetNormals(const std::vector<VgxVector>& NormalList);
    void SetUVs(const std::vector<VgxUV>& UVList);
    void Resize(const VgxVector& Factor);
    void Translate(const VgxVector& Translation);
    VgxBox GetBoundingBox();
    // Rebuilds the mesh with merged coordinates; InDepth also shares equal
    // materials (OptimizeMaterials) and drops degenerate corners and faces and
    // unused coordinates.
    void Optimize(bool InDepth, int32_t Version);
    void Clear();
    // Appends a copy of Object's faces with their materials.
    void AddObject(const std::shared_ptr<VgxObject>& Object);
    // Replaces the mesh by every mesh of the DirectX .x file FileName (found through
    // the root's search path), each placed by its frames, and takes the file's mesh
    // name. Materials equal in colour, power, ambient, emissive and specular are
    // shared; named textures are created through the root. 53 when the file is not
    // found, 321 when it is not a readable .x file (one holding a NaN or an infinity
    // is not); the object is then unchanged.
    void Load(const std::string& FileName);
    // Writes the editable mesh as glTF 2.0 by FileName's extension: ".glb" one
    // binary file, ".gltf" a JSON file with its buffer in a ".bin" file of the same
    // name beside it. One node, named after the object, holds one mesh with a
    // primitive per sub-object (the render vertices and triangles), materials as
    // metallic-roughness base colours. Coordinates become right-handed (z changes
    // sign) and triangles counter-clockwise. ".x" writes a text .x file instead: the
    // mesh with its materials and texture names. 5 for any other extension; 75 when
    // a file cannot be written, none then being left, complete or partial.
    void Save(const std::string& FileName);

    // Modelling operations on the editable mesh. Each leaves the render data stale.
    // Subdivides the mesh SmoothingLevel (0..4, else 9) times by the Catmull-Clark
    // rules: a point moves when the condition on its sharpness holds for the angle
    // (degrees), blended with its old position by the tension (0 full smoothing,
    // 1 none). Normals follow the creasing factor.
    void Smooth(int32_t SmoothingLevel, VgxCondition SmoothingCondition, float SmoothingAngle,
                float SmoothingTension);
    // Splits every face once around its centre; 9 on an object without faces.
    void Divide();
    // Corner normals shared by faces that meet at less than (100 - CreasingFactor)
    // percent of 180 degrees, or at less than CreaseAngle degrees.
    void Crease();
    void Crease2(float CreaseAngle);
    // Every face of 4 or more corners becomes its triangles.
    void Triangulate();
    // Pairs of triangles that form a near-rectangular quad become that quad, in
    // passes of growing tolerance (Level 1..12; 13 or more is 11 after pass 12).
    void MergeTriangles(int32_t Level, bool MergeDissimilarMaterials);
    // Neighbouring faces within Level^1.5 degrees of one plane become one polygon,
    // without the corners that end up straight.
    void Consolidate(int32_t Level, bool ConsolidateDissimilarMaterials);
    // Polygons of 4 or more corners bent by more than (11 - Level) x 2 degrees (a
    // corner turning away from the face's plane or inwards) become triangle fans,
    // marked with application data 1. Level 0 does nothing.
    void RepairGeometry(int32_t Level);
    // Closes open surfaces with triangles (application data 1) across boundary
    // edges, accepting ever less square triangles, then any triangle, until no edge
    // has one face or no opening can shrink. Version above 100 rebuilds the edges first.
    void Solidify(int32_t Version);
    // Cuts each listed point's corners back by Bevel along their sides and closes the
    // cut with a cap (application data 1). Bevel must be positive and shorter than
    // every side at a cut corner (half of it when both ends are cut), else 5.
    void BevelPoints(const std::vector<int32_t>& PointList, float Bevel);
    // Edges are named by (FaceID, side) pairs, side k running from corner k to k + 1.
    // Replaces each listed edge by a strip (application data 1), bevels the corners
    // at its ends and closes what is left open with Solidify.
    void BevelEdges(const std::vector<int32_t>& EdgeList, float Bevel, int32_t Version);
    // Simplifies the mesh to Level percent (0..100, else 5) of its vertices, counted
    // as distinct (point, UV) pairs, and at least 3. The result is triangles with
    // fresh normals, each on the material of the faces it came from; no edge
    // collapses across a border between materials. Nothing changes when the hidden
    // device stays lost or the simplification fails (both are logged).
    void Reduce(int32_t Level);
    // Gives every face corner the texture coordinate of a projection: flat (along
    // Dir), cylinder (about Up), sphere (about Up, from the pole) or chrome (the
    // direction from the origin as a sphere map). Origin, Dir and Up are in this
    // object's coordinates, or in RelativeGroup's frame when one is given. U and V
    // are then offset by (ou, ov) after scaling by (su, sv). 5 for an unknown type, a
    // zero Dir or Up, or parallel ones.
    void ApplyWrap(VgxWrapType WrapType, const std::shared_ptr<VgxGroup>& RelativeGroup, float ox, float oy,
                   float oz, float dx, float dy, float dz, float ux, float uy, float uz, float ou, float ov, float su,
                   float sv);
    // Faces whose materials are equal (VgxMaterial values) share the first one.
    void OptimizeMaterials();
    // The triangles (six points per outline edge) of the shadow volume the rendered
    // mesh casts along LightDirection, extruded by ten times its length. DeviceID is
    // not used. A zero direction lights no face: the list comes back empty.
    void GetShadowVolumeVertices(int32_t DeviceID, std::vector<VgxVector>& ShadowVolumePointList,
                                 int32_t& ShadowVolumePointListCount, const VgxVector& LightDirection);

    // Inserts the midpoints of the listed edges in every face using them; a face with
    // two of them is cut in two along the segment between the midpoints (with more,
    // into the pieces between consecutive midpoints and the polygon they make).
    // Returns the number of faces made (application data 1).
    int32_t JoinEdges(const std::vector<int32_t>& EdgeList);
    // Cuts every face holding exactly two of the points, not side by side, in two
    // between them (application data 1). Returns the number of faces cut, or -1
    // with nothing changed when a point shares no face with another or none can be cut.
    int32_t JoinPoints(const std::vector<int32_t>& Points);
    // Cuts the edges into Divisions equal parts in every face that uses them;
    // returns the number of faces rebuilt.
    int32_t DivideEdges(const std::vector<int32_t>& EdgeList, int32_t Divisions);
    // Splits the listed faces into smaller faces around their side midpoints;
    // neighbours get the midpoints on their sides, so no crack opens.
    int32_t DivideFaces(const std::vector<int32_t>& FaceIDList, int32_t DivisionMode);
    // The same division, under the name later hosts call.
    int32_t DivideFaces2(const std::vector<int32_t>& FaceIDList, int32_t DivisionMode);

    // Render buffers: one vertex buffer per device (44-byte vertices, format 0x252:
    // the object block, then the visual block) and per sub-object (material slot)
    // index buffers of triangles and of lines or points. Built lazily after edits;
    // device resources are made per device id. The host calls GetVertexBuffer
    // first, then GetSubObjectCount and the per-sub-object getters, and draws the
    // visual lists with base vertex GetVertexBufferObjectVertexCount().
    int32_t GetSubObjectCount();
    std::shared_ptr<VgxVertexBuffer> GetVertexBuffer(int32_t DeviceID, const std::shared_ptr<VgxDevice>& ddDevice);
    std::shared_ptr<VgxIndexBuffer> GetSubObjectSolidIndexBuffer(int32_t DeviceID, int32_t SubObject) const;
    std::shared_ptr<VgxIndexBuffer> GetSubObjectNonSolidIndexBuffer(int32_t DeviceID, int32_t SubObject) const;
    std::shared_ptr<VgxIndexBuffer> GetSubVisualSolidIndexBuffer(int32_t DeviceID, int32_t SubObject) const;
    std::shared_ptr<VgxIndexBuffer> GetSubVisualNonSolidIndexBuffer(int32_t DeviceID, int32_t SubObject) const;
    // The sub-object's triangles as a mesh (for picking); none without triangles.
    std::shared_ptr<VgxDeviceMesh> GetSubObjectD3DXMesh(int32_t DeviceID, int32_t SubObject,
                                                        const std::shared_ptr<VgxDevice>& ddDevice);
    int32_t GetVertexSize() const { return 44; }
    int32_t GetVertexFormat() const { return 0x252; }
    std::shared_ptr<VgxMaterial> GetSubObjectMaterial(int32_t SubObject) const;
    int32_t GetVertexBufferObjectVertexCount();
    int32_t GetVertexBufferVisualVertexCount();
    int32_t GetSubObjectSolidPrimitiveCount(int32_t SubObject);
    int32_t GetSubObjectNonSolidPrimitiveCount(int32_t SubObject);
    int32_t GetSubVisualSolidPrimitiveCount(int32_t SubObject) const;
    int32_t GetSubVisualNonSolidPrimitiveCount(int32_t SubObject) const;
    // Drops the device resources (all devices, or one); the CPU-side data stays.
    void ReleaseDirect3DBuffers();
    void ReleaseDirect3DBuffers(int32_t DeviceID);

    // Attributes; none is validated, except that a NaN or an infinity raises 5.
    std::string GetName() const;
    void SetName(const std::string& Name);
    int32_t GetAppData() const;
    void SetAppData(int32_t Data);
    int32_t GetObjectID() const;
    void Enable(int32_t Flags);
    int32_t GetEnable() const;
    void SetQuality(int32_t Quality);
    int32_t GetQuality() const;
    void SetSmoothingLevel(int32_t Level);
    int32_t GetSmoothingLevel() const;
    void SetSmoothingTension(float Tension);
    float GetSmoothingTension() const;
    void SetSmoothingCondition(VgxCondition Condition);
    VgxCondition GetSmoothingCondition() const;
    void SetSmoothingAngle(float Angle);
    float GetSmoothingAngle() const;
    void SetMirrorAxis(VgxAxis Axis);
    VgxAxis GetMirrorAxis() const;
    void SetCreasingFactor(float Factor);
    float GetCreasingFactor() const;
    void SetCurvePoints(int32_t CurvePoints);
    int32_t GetCurvePoints() const;
    void SetCurveType(VgxCurveType CurveType);
    VgxCurveType GetCurveType() const;
    void SetCurveQuality(float CurveQuality);
    float GetCurveQuality() const;
    void SetObjectType(VgxObjectType ObjectType);
    VgxObjectType GetObjectType() const;
    void SetLocked(bool Locked);
    bool GetLocked() const;
    void SetCloneOptions(const VgxVectorLong& CloneNumber, const VgxVector& CloneOffset, const VgxVector& CloneRotate);
    void GetCloneOptions(VgxVectorLong& CloneNumber, VgxVector& CloneOffset, VgxVector& CloneRotate) const;
    void SetOperationControl(VgxOperationControlType Type);
    VgxOperationControlType GetOperationControl() const;
    void SetOperationControlDirectional(bool Directional);
    bool GetOperationControlDirectional() const;
    void SetOperationControlPosition(const VgxVector& Position);
    void GetOperationControlPosition(VgxVector& Position) const;
    void SetOperationControlSize(const VgxVector& Size);
    void GetOperationControlSize(VgxVector& Size) const;
    void SetOperationControlOrientation(const VgxVector& Dir, const VgxVector& Up);
    void GetOperationControlOrientation(VgxVector& Dir, VgxVector& Up) const;
    void SetRenderShadow(bool RenderShadow);
    bool GetRenderShadow() const;
    // Kept for hosts written against older versions: adjacency is always rebuilt.
    void SetMaintainAdjacency(bool MaintainAdjacency);
    bool GetMaintainAdjacency() const;
    // FieldID 0..5, else 9.
    void SetCustomFieldValue(int32_t FieldID, const std::string& FieldValue);
    std::string GetCustomFieldValue(int32_t FieldID) const;

private:
    friend struct VgxAccess;
    VgxObject();
    // The scene root link; an empty root clears the geometry.
    const std::shared_ptr<Vgx>& GetRoot() const;
    void SetRoot(const std::shared_ptr<Vgx>& Root);

    std::unique_ptr<vgx::ObjectState> internals_;
};
