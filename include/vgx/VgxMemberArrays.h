#pragma once
// Read-only live views of a group's children, objects and lights.
#include <cstdint>
#include <memory>
#include <vector>

#include "VgxForward.h"

template <class Element>
using VgxMemberList = std::vector<std::shared_ptr<Element>>;

// Shared by the three views: the list is the group's own, so later additions and
// removals show through the view.
template <class Element>
class VgxMemberArray {
public:
    VgxMemberArray(const VgxMemberArray&) = delete;
    VgxMemberArray& operator=(const VgxMemberArray&) = delete;

    // Entry Index (from 0); 9 outside the list, 91 for a view attached to no list.
    std::shared_ptr<Element> GetElement(int32_t Index) const;

protected:
    friend struct VgxAccess;
    VgxMemberArray() = default;
    // Size of the attached list; 91 when none is attached.
    int32_t AttachedSize() const;
    std::shared_ptr<VgxMemberList<Element>> list_;
};

class VgxGroupArray : public VgxMemberArray<VgxGroup> {
public:
    int32_t GetSize() const { return AttachedSize(); }

private:
    friend struct VgxAccess;
    VgxGroupArray() = default;
};

class VgxObjectArray : public VgxMemberArray<VgxObject> {
public:
    // 0 when attached to no list.
    int32_t GetSize() const { return list_ ? AttachedSize() : 0; }

private:
    friend struct VgxAccess;
    VgxObjectArray() = default;
};

class VgxLightArray : public VgxMemberArray<VgxLight> {
public:
    int32_t GetSize() const { return AttachedSize(); }

private:
    friend struct VgxAccess;
    VgxLightArray() = default;
};

extern template class VgxMemberArray<VgxGroup>;
extern template class VgxMemberArray<VgxObject>;
extern template class VgxMemberArray<VgxLight>;
