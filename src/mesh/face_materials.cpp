#include "mesh/face_materials.h"

namespace vgx {

int32_t FaceMaterialTable::Use(const std::shared_ptr<VgxMaterial>& material) {
    int32_t entry = lastUsed_;
    if (entry < 0 || table_[entry].uses == 0 || table_[entry].material != material) {
        const auto [at, added] = entryOf_.try_emplace(material.get(), -1);
        if (added) {
            if (unused_.empty()) {
                at->second = static_cast<int32_t>(table_.size());
                table_.emplace_back();
            } else {
                at->second = unused_.back();
                unused_.pop_back();
            }
            table_[at->second].material = material;
        }
        entry = at->second;
    }
    ++table_[entry].uses;
    lastUsed_ = entry;
    return entry;
}

void FaceMaterialTable::Release(int32_t entry) {
    Entry& released = table_[entry];
    if (--released.uses > 0) return;
    entryOf_.erase(released.material.get());
    released.material.reset();
    unused_.push_back(entry);
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

void FaceMaterialTable::Truncate(size_t count) {
    if (count >= faces_.size()) return;
    for (size_t f = count; f < faces_.size(); ++f) Release(faces_[f]);
    faces_.resize(count);
}

void FaceMaterialTable::clear() {
    faces_.clear();
    table_.clear();
    entryOf_.clear();
    unused_.clear();
    lastUsed_ = -1;
}

}  // namespace vgx
