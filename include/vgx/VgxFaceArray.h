#pragma once
// A live view of the faces of one object.
#include <cstdint>
#include <memory>

#include "VgxForward.h"

class VgxFaceArray {
public:
    VgxFaceArray(const VgxFaceArray&) = delete;
    VgxFaceArray& operator=(const VgxFaceArray&) = delete;

    // 0 for an array bound to no object.
    int32_t GetSize() const;
    // 9 outside the faces, 91 for an array bound to no object.
    std::shared_ptr<VgxFace> GetElement(int32_t Index) const;

private:
    friend struct VgxAccess;
    VgxFaceArray() = default;

    std::shared_ptr<Vgx> root_;
    std::shared_ptr<VgxObject> object_;
};
