#pragma once
// The proxy of one face of an object's editable mesh. Corner indexes are 0-based;
// an id or corner outside the object's arrays raises 9.
#include <cstdint>
#include <memory>
#include <vector>

#include "VgxForward.h"
#include "VgxTypes.h"

class VgxFace : public std::enable_shared_from_this<VgxFace> {
public:
    VgxFace(const VgxFace&) = delete;
    VgxFace& operator=(const VgxFace&) = delete;

    // Pools the three values and appends a corner.
    void AddPoint(const VgxVector& Point, const VgxVector& Normal, const VgxUV& UV);
    // Appends a corner with these pool indexes, unchecked.
    void AddPointIndexed(int32_t PointID, int32_t NormalID, int32_t UVID);
    void SetPoint(int32_t FacePointID, const VgxVector& Point, const VgxVector& Normal, const VgxUV& UV);
    void SetPointIndexed(int32_t FacePointID, int32_t PointID, int32_t NormalID, int32_t UVID);
    void SetUV(int32_t FacePointID, const VgxUV& UV);
    void SetUVID(int32_t FacePointID, int32_t UVID);
    VgxUV GetUV(int32_t Index) const;
    int32_t GetPointCount() const;
    void GetPoint(int32_t FacePointID, VgxVector& Point, VgxVector& Normal, VgxUV& UV) const;
    void GetPoints(std::vector<VgxVector>& PointList, std::vector<VgxVector>& NormalList, std::vector<VgxUV>& UVList,
                   int32_t& PointCount) const;
    void GetPointIDs(std::vector<int32_t>& PointIDList, std::vector<int32_t>& NormalIDList,
                     std::vector<int32_t>& UVIDList, int32_t& PointCount) const;
    int32_t GetPointID(int32_t Index) const;
    int32_t GetNormalID(int32_t Index) const;
    int32_t GetUVID(int32_t Index) const;
    // (p1 - p0) x (p2 - p1), normalised; zero for faces of 2 or fewer corners.
    VgxVector GetFaceNormal() const;
    std::shared_ptr<VgxMaterial> GetMaterial() const { return material_; }
    void ApplyMaterial(const std::shared_ptr<VgxMaterial>& Material);
    // A new material of this colour on this face only.
    void DefaultMaterial(int32_t Color);
    int32_t GetAppData() const;
    void SetAppData(int32_t Data);
    int32_t id() const { return id_; }

private:
    friend struct VgxAccess;
    VgxFace() = default;

    std::shared_ptr<Vgx> root_;
    std::shared_ptr<VgxObject> object_;  // each proxy holds its object alive
    std::shared_ptr<VgxMaterial> material_;
    int32_t id_ = 0;
};
