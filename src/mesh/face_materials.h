#pragma once
// Each face's material as a 4-byte index into a table of the materials the faces
// use, each held once with the number of faces using it: a million faces hold a
// few references, not a million. An entry no face uses any more lets go of its
// material, so the faces keep alive exactly the materials they use.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "base/large_blocks.h"

class VgxMaterial;

namespace vgx {

class FaceMaterialTable {
public:
    const std::shared_ptr<VgxMaterial>& operator[](size_t face) const { return table_[faces_[face]].material; }
    size_t size() const { return faces_.size(); }
    bool empty() const { return faces_.empty(); }

    // Appends a face using `material`.
    void push_back(const std::shared_ptr<VgxMaterial>& material) { faces_.push_back(Use(material)); }
    void Set(size_t face, const std::shared_ptr<VgxMaterial>& material);
    // Face `to` takes face `from`'s material.
    void Copy(size_t to, size_t from);
    // Keeps the first `count` faces (all of them when there are no more).
    void Truncate(size_t count);
    void reserve(size_t count) { faces_.reserve(count); }
    size_t capacity() const { return faces_.capacity(); }
    void clear();

private:
    struct Entry {
        std::shared_ptr<VgxMaterial> material;
        int64_t uses = 0;
    };

    // The material's entry, one more face using it.
    int32_t Use(const std::shared_ptr<VgxMaterial>& material);
    void Release(int32_t entry);

    BlockArray<int32_t> faces_;
    std::vector<Entry> table_;
    std::unordered_map<const VgxMaterial*, int32_t> entryOf_;  // the entries in use
    std::vector<int32_t> unused_;                               // entries no face uses, to fill first
    int32_t lastUsed_ = -1;                                     // faces come in runs of one material
};

}  // namespace vgx
