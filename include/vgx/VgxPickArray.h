#pragma once
// The hits of one pick: parallel lists of descriptions, groups and objects.
#include <cstdint>
#include <memory>
#include <vector>

#include "VgxForward.h"
#include "VgxTypes.h"

class VgxPickArray {
public:
    VgxPickArray(const VgxPickArray&) = delete;
    VgxPickArray& operator=(const VgxPickArray&) = delete;

    int32_t GetSize() const { return count_; }
    // Copies pick Index; 9 outside the stored lists.
    void GetPick(int32_t Index, std::shared_ptr<VgxObject>& Object, std::shared_ptr<VgxGroup>& Group,
                 VgxPickDesc& PickDescription) const;
    // Index of the smallest / largest dist; -1 when empty.
    int32_t FindNearest() const;
    int32_t FindFurthest() const;

private:
    friend struct VgxAccess;
    VgxPickArray() = default;
    // Appends one pick (the lists grow ten entries at a time).
    void AddPick(const std::shared_ptr<VgxGroup>& Group, const std::shared_ptr<VgxObject>& Object,
                 const VgxPickDesc& PickDescription);

    int32_t count_ = 0;
    std::vector<VgxPickDesc> picks_;
    std::vector<std::shared_ptr<VgxGroup>> groups_;
    std::vector<std::shared_ptr<VgxObject>> objects_;
    int32_t capacity_ = 0;
};
