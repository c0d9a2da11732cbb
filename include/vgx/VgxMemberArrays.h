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

    // Library-private.
    void AttachList(const std::shared_ptr<VgxMemberList<Element>>& List) { list_ = List; }
    const std::shared_ptr<VgxMemberList<Element>>& GetList() const { return list_; }

protected:
    VgxMemberArray() = default;
    // Size of the attached list; 91 when none is attached.
    int32_t AttachedSize() const;
    std::shared_ptr<VgxMemberList<Element>> list_;
};

class VgxGroupArray : public VgxMemberArray<VgxGroup> {
public:
    int32_t GetSize() const { return AttachedSize(); }

private:
    friend struct VgxFactory;
    VgxGroupArray() = default;
};

class VgxObjectArray : public VgxMemberArray<VgxObject> {
public:
    // 0 when attached to no list.
    int32_t GetSize() const { return list_ ? AttachedSize() : 0; }

private:
    friend struct VgxFactory;
    VgxObjectArray() = default;
};

class VgxLightArray : public VgxMemberArray<VgxLight> {
public:
    int32_t GetSize() const { return AttachedSize(); }

private:
    friend struct VgxFactory;
    VgxLightArray() = default;
};

extern template class VgxMemberArray<VgxGroup>;
extern template class VgxMemberArray<VgxObject>;
extern template class VgxMemberArray<VgxLight>;
