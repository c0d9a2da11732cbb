#pragma once
// The proxy of one face of an object's editable mesh.
#include <cstdint>
#include <memory>

#include "VgxForward.h"

class VgxFace : public std::enable_shared_from_this<VgxFace> {
public:
    VgxFace(const VgxFace&) = delete;
    VgxFace& operator=(const VgxFace&) = delete;

    int32_t id() const { return id_; }
    std::shared_ptr<VgxMaterial> GetMaterial() const { return material_; }

private:
    friend struct VgxFactory;
    VgxFace() = default;

    std::shared_ptr<Vgx> root_;
    std::shared_ptr<VgxObject> object_;  // each proxy holds its object alive
    std::shared_ptr<VgxMaterial> material_;
    int32_t id_ = 0;
};
