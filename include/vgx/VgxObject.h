#pragma once
// An indexed polygon mesh.
#include <cstdint>
#include <memory>
#include <string>

#include "VgxForward.h"

class VgxObject : public std::enable_shared_from_this<VgxObject> {
public:
    ~VgxObject();
    VgxObject(const VgxObject&) = delete;
    VgxObject& operator=(const VgxObject&) = delete;

    int32_t GetFaceCount() const;
    // The proxy of face FaceID; 9 outside the faces.
    std::shared_ptr<VgxFace> GetFace(int32_t FaceID) const;
    // A live view of this object's faces.
    std::shared_ptr<VgxFaceArray> GetFaces();
    // Drops the device resources of every device id (render buffers are rebuilt lazily).
    void ReleaseDirect3DBuffers();
    void ReleaseDirect3DBuffers(int32_t DeviceID);

    std::string GetName() const;
    void SetName(const std::string& Name);
    int32_t GetAppData() const;
    void SetAppData(int32_t Data);
    int32_t GetObjectID() const;

    // Library-private: the scene root link; an empty root clears the geometry.
    const std::shared_ptr<Vgx>& GetRoot() const;
    void SetRoot(const std::shared_ptr<Vgx>& Root);

    struct Internals;  // the mesh records, defined under src/
    Internals& GetInternals() const { return *internals_; }

private:
    friend struct VgxFactory;
    VgxObject();
    std::unique_ptr<Internals> internals_;
};
