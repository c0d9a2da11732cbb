#include "mesh/face_materials.h"

#include <algorithm>

namespace vgx {

int32_t FaceMaterialTable::Find(const VgxMaterial* material) const {
    if (lastUsed_ >= 0 && table_[lastUsed_].material.get() == material && table_[lastUsed_].uses > 0) return lastUsed_;
    // Meshes use a handful of materials: a scan beats a hash here.
    for (size_t e = 0; e < table_.size(); ++e) {
        if (table_[e].uses > 0 && table_[e].material.get() == material) return static_cast<int32_t>(e);
    }
    return -1;
}

int32_t FaceMaterialTable::Use(const std::shared_ptr<VgxMaterial>& material) {
    int32_t entry = Find(material.get());
    if (entry < 0) {
        const auto unused = std::find_if(table_.begin(), table_.end(), [](const Entry& e) { return e.uses == 0; });
        entry = static_cast<int32_t>(unused - table_.begin());
        if (unused == table_.end()) table_.emplace_back();
        table_[entry].material = material;
    }
    ++table_[entry].uses;
    lastUsed_ = entry;
    return entry;
}

void FaceMaterialTable::Release(int32_t entry) {
    if (--table_[entry].uses == 0) table_[entry].material.reset();
}

void FaceMaterialTable::Set(size_t face, const std::shared_ptr<VgxMaterial>& material) {
    const int32_t entry = Use(material);
    Release(faces_[face]);
    faces_[face] = entry;
}

void FaceMaterialTable::Copy(size_t to, size_t from) {
    ++table_[faces_[from]].uses;
    Release(faces_[to]);
    faces_[to] = faces_[from];
}

void FaceMaterialTable::resize(size_t count) {
    for (size_t f = count; f < faces_.size(); ++f) Release(faces_[f]);
    if (count <= faces_.size()) {
        faces_.resize(count);
        return;
    }
    const int32_t none = Use(nullptr);
    table_[none].uses += static_cast<int64_t>(count - faces_.size()) - 1;
    faces_.resize(count, none);
}

void FaceMaterialTable::clear() {
    faces_.clear();
    table_.clear();
    lastUsed_ = -1;
}

}  // namespace vgx
