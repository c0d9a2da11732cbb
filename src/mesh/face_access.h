#pragma once
// The library's access to a face proxy's links.
#include <cstdint>
#include <memory>

#include <vgx/VgxFace.h>

struct VgxFaceAccess {
    static std::shared_ptr<VgxFace> Make(const std::shared_ptr<Vgx>& root, const std::shared_ptr<VgxObject>& object,
                                         const std::shared_ptr<VgxMaterial>& material, int32_t id) {
        std::shared_ptr<VgxFace> face(new VgxFace());
        face->root_ = root;
        face->object_ = object;
        face->material_ = material;
        face->id_ = id;
        return face;
    }
    static const std::shared_ptr<VgxObject>& Object(const VgxFace& face) { return face.object_; }
    static void SetMaterial(VgxFace& face, const std::shared_ptr<VgxMaterial>& material) { face.material_ = material; }
};
