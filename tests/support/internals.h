#pragma once
// The tests' one way into library-private state and operations, which hosts
// cannot reach through the public classes.
#include <vgx/Vgx7a.h>

#include <memory>

#include "material/texture_entry.h"
#include "mesh/object_internal.h"
#include "root/factory.h"
#include "root/vgx_internal.h"
#include "scene/group_internal.h"

inline auto& Internals(const Vgx& root) { return root.GetInternals(); }
inline auto& Internals(const VgxObject& object) { return object.GetInternals(); }
inline auto& Internals(const VgxGroup& group) { return group.GetInternals(); }

// A public class made bare, outside any scene root.
template <class T>
std::shared_ptr<T> MakeBare() {
    return VgxFactory::Make<T>();
}

inline int32_t ChildCount(const VgxGroup& group) { return group.GetChildCount(); }
inline void ReleaseHierarchy(VgxGroup& group) { group.ReleaseHierarchy(); }
inline void AddPick(VgxPickArray& picks, const std::shared_ptr<VgxGroup>& group,
                    const std::shared_ptr<VgxObject>& object, const VgxPickDesc& pick) {
    picks.AddPick(group, object, pick);
}

inline std::shared_ptr<Vgx> RootOf(const VgxObject& object) { return object.GetRoot(); }
inline std::shared_ptr<Vgx> RootOf(const VgxMaterial& material) { return material.GetRoot(); }
inline int32_t MaterialIndex(const VgxMaterial& material) { return material.GetMaterialIndex(); }
inline void SetMaterialIndex(VgxMaterial& material, int32_t index) { material.SetMaterialIndex(index); }
inline void CopyMaterial(const VgxMaterial& material, VgxMaterial& target) { material.CopyTo(target); }

// Registers a bare texture under Root with the given registry id.
inline void BindTexture(VgxTexture& texture, const std::shared_ptr<Vgx>& root, int32_t id) {
    texture.SetRoot(root);
    texture.SetTextureID(id);
}
