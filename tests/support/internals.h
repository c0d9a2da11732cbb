#pragma once
// The tests' one way into library-private state and operations, which hosts
// cannot reach through the public classes.
#include <vgx/Vgx7a.h>

#include <memory>

#include "base/access.h"
#include "object/object_internal.h"
#include "scene/group_internal.h"
#include "state/root_state.h"
#include "state/texture_entry.h"

inline vgx::RootState& Internals(const Vgx& root) { return VgxAccess::State(root); }
inline vgx::ObjectState& Internals(const VgxObject& object) { return VgxAccess::State(object); }
inline vgx::GroupState& Internals(const VgxGroup& group) { return VgxAccess::State(group); }

// Where an object's render build stands: 0 to be built from scratch, 1 current,
// 2 only positions to re-send.
inline int32_t RenderState(const VgxObject& object) {
    const vgx::ChangeState& changes = VgxAccess::State(object).changes;
    return changes.RenderCurrent() ? 1 : changes.RenderPositionsOnly() ? 2 : 0;
}

// A public class made bare, outside any scene root.
template <class T>
std::shared_ptr<T> MakeBare() {
    return VgxAccess::Make<T>();
}

inline int32_t ChildCount(const VgxGroup& group) { return VgxAccess::ChildCount(group); }
inline void ReleaseHierarchy(VgxGroup& group) { VgxAccess::ReleaseHierarchy(group); }
inline void AddPick(VgxPickArray& picks, const std::shared_ptr<VgxGroup>& group,
                    const std::shared_ptr<VgxObject>& object, const VgxPickDesc& pick) {
    VgxAccess::AddPick(picks, group, object, pick);
}

inline std::shared_ptr<Vgx> RootOf(const VgxObject& object) { return VgxAccess::Root(object); }
inline std::shared_ptr<Vgx> RootOf(const VgxMaterial& material) { return VgxAccess::Root(material); }
inline int32_t MaterialIndex(const VgxMaterial& material) { return VgxAccess::MaterialIndex(material); }
inline void SetMaterialIndex(VgxMaterial& material, int32_t index) { VgxAccess::SetMaterialIndex(material, index); }
inline void CopyMaterial(const VgxMaterial& material, VgxMaterial& target) {
    VgxAccess::CopyMaterial(material, target);
}

// Registers a bare texture under Root with the given registry id.
inline void BindTexture(VgxTexture& texture, const std::shared_ptr<Vgx>& root, int32_t id) {
    VgxAccess::SetRoot(texture, root);
    VgxAccess::SetTextureID(texture, id);
}
