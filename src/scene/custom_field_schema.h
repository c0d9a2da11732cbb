#pragma once
// An ordered list of custom-field names; ids are positions in order of addition.
#include <cstdint>
#include <string>
#include <vector>

namespace vgx {

class CustomFieldSchema {
public:
    // Appends the name (duplicates allowed) and returns its id.
    int32_t Add(const std::string& name);
    void Clear() { names_.clear(); }
    int32_t Count() const { return static_cast<int32_t>(names_.size()); }
    // 9 for an id outside 0 .. count - 1.
    const std::string& Name(int32_t id) const;
    // The first id whose name matches ignoring ASCII case; -1 when none does.
    int32_t Find(const std::string& name) const;

private:
    std::vector<std::string> names_;
};

}  // namespace vgx
