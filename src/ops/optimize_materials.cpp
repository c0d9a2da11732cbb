// VgxObject::OptimizeMaterials: faces whose materials are equal share one object.
#include <vgx/VgxMaterial.h>
#include <vgx/VgxObject.h>

#include <unordered_map>

#include "base/errors.h"
#include "material/materials_equal.h"
#include "object/object_internal.h"

void VgxObject::OptimizeMaterials() {
    vgx::Trap("VgxObject", [&] {
        vgx::iVgxObject& level = internals_->Base();
        // The first material of each class of equal ones, in order of first use, and
        // what each material object resolved to when first met: faces sharing an
        // object need no second search. Each face's handle is only looked at: a
        // copy per face would count references on the one material of most meshes.
        std::vector<std::shared_ptr<VgxMaterial>> distinct;
        std::unordered_map<const VgxMaterial*, std::shared_ptr<VgxMaterial>> resolved;
        for (int32_t f = 0; f < level.FaceListCount; ++f) {
            const std::shared_ptr<VgxMaterial>& material = level.FaceMaterial(f);
            auto [entry, added] = resolved.try_emplace(material.get());
            if (added) {
                for (const auto& candidate : distinct) {
                    if (candidate == material || (candidate && material && vgx::MaterialsEqual(*candidate, *material))) {
                        entry->second = candidate;
                        break;
                    }
                }
                if (!entry->second && material) {
                    distinct.push_back(material);
                    entry->second = material;
                }
            }
            if (entry->second && entry->second != material) {
                level.SetFaceMaterial(f, entry->second);
                internals_->changes.StructureChanged(vgx::Changed::kPoolValues);
            }
        }
    });
}
