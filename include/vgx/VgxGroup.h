#pragma once
// A node of the scene graph: a frame holding child groups, objects and lights.
#include <cstdint>
#include <memory>
#include <string>

#include "VgxForward.h"
#include "VgxMemberArrays.h"

class VgxGroup : public std::enable_shared_from_this<VgxGroup> {
public:
    ~VgxGroup();
    VgxGroup(const VgxGroup&) = delete;
    VgxGroup& operator=(const VgxGroup&) = delete;

    // Moves Group from its current parent to the end of this group's children.
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

    // Library-private operations.
    void SetRoot(const std::shared_ptr<Vgx>& Root);
    int32_t GetChildCount() const;
    // Breaks the cycles of this subtree: children first, then releases the device
    // buffers of its objects and drops its lists, parent and root.
    void ReleaseHierarchy();

    struct Internals;  // defined under src/
    Internals& GetInternals() const { return *internals_; }

private:
    friend struct VgxFactory;
    VgxGroup();
    std::unique_ptr<Internals> internals_;
};
