#pragma once
// The library's one friend of the public classes: constructs them (their
// constructors are private) and reaches the state and operations they keep from
// hosts.
#include <vgx/Vgx7a.h>

#include <cstdint>
#include <memory>

struct VgxAccess {
    template <class T>
    static std::shared_ptr<T> Make() {
        return std::shared_ptr<T>(new T());
    }

    static vgx::RootState& State(const Vgx& root) { return *root.internals_; }
    static vgx::ObjectState& State(const VgxObject& object) { return *object.internals_; }
    static vgx::GroupState& State(const VgxGroup& group) { return *group.internals_; }

    static void SetObjectID(VgxObject& object, int32_t id);
    static void Bind(VgxFaceArray& faces, const std::shared_ptr<Vgx>& root, const std::shared_ptr<VgxObject>& object);
    template <class Element>
    static void AttachList(VgxMemberArray<Element>& view, const std::shared_ptr<VgxMemberList<Element>>& list) {
        view.list_ = list;
    }

    // Scene-root links.
    static const std::shared_ptr<Vgx>& Root(const VgxObject& object) { return object.GetRoot(); }
    static const std::shared_ptr<Vgx>& Root(const VgxMaterial& material) { return material.GetRoot(); }
    static std::shared_ptr<Vgx> Root(const VgxTexture& texture) { return texture.GetRoot(); }
    static void SetRoot(VgxObject& object, const std::shared_ptr<Vgx>& root) { object.SetRoot(root); }
    static void SetRoot(VgxGroup& group, const std::shared_ptr<Vgx>& root) { group.SetRoot(root); }
    static void SetRoot(VgxMaterial& material, const std::shared_ptr<Vgx>& root) { material.SetRoot(root); }
    static void SetRoot(VgxTexture& texture, const std::shared_ptr<Vgx>& root) { texture.SetRoot(root); }
    static void SetRoot(VgxLight& light, const std::shared_ptr<Vgx>& root) { light.root_ = root; }

    static int32_t ChildCount(const VgxGroup& group) { return group.GetChildCount(); }
    static int32_t ChildrenLinkedBack(const VgxGroup& group) { return group.GetChildrenLinkedBack(); }
    static void ReleaseHierarchy(VgxGroup& group) { group.ReleaseHierarchy(); }

    static int32_t MaterialIndex(const VgxMaterial& material) { return material.GetMaterialIndex(); }
    static void SetMaterialIndex(VgxMaterial& material, int32_t index) { material.SetMaterialIndex(index); }
    static void CopyMaterial(const VgxMaterial& material, VgxMaterial& target) { material.CopyTo(target); }
    static void SetTextureID(VgxTexture& texture, int32_t id) { texture.SetTextureID(id); }

    static void AddPick(VgxPickArray& picks, const std::shared_ptr<VgxGroup>& group,
                        const std::shared_ptr<VgxObject>& object, const VgxPickDesc& pick) {
        picks.AddPick(group, object, pick);
    }

    // Face proxies.
    static std::shared_ptr<VgxFace> MakeFace(const std::shared_ptr<Vgx>& root, const std::shared_ptr<VgxObject>& object,
                                             const std::shared_ptr<VgxMaterial>& material, int32_t id) {
        std::shared_ptr<VgxFace> face(new VgxFace());
        face->root_ = root;
        face->object_ = object;
        face->material_ = material;
        face->id_ = id;
        return face;
    }
    static const std::shared_ptr<VgxObject>& FaceObject(const VgxFace& face) { return face.object_; }
    static void SetFaceMaterial(VgxFace& face, const std::shared_ptr<VgxMaterial>& material) {
        face.material_ = material;
    }
};

namespace vgx {

inline RootState& State(const Vgx& root) { return VgxAccess::State(root); }
inline ObjectState& State(const VgxObject& object) { return VgxAccess::State(object); }
inline GroupState& State(const VgxGroup& group) { return VgxAccess::State(group); }

}  // namespace vgx
