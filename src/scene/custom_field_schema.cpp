#include "scene/custom_field_schema.h"

#include <algorithm>
#include <cctype>

#include "base/errors.h"

namespace vgx {
namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return std::ranges::equal(a, b,
                              [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

}  // namespace

int32_t CustomFieldSchema::Add(const std::string& name) {
    names_.push_back(name);
    return Count() - 1;
}

const std::string& CustomFieldSchema::Name(int32_t id) const { return vgx::At(names_, id); }

int32_t CustomFieldSchema::Find(const std::string& name) const {
    auto found = std::ranges::find_if(names_, [&](const std::string& entry) { return SameIgnoringCase(entry, name); });
    return found == names_.end() ? -1 : static_cast<int32_t>(found - names_.begin());
}

}  // namespace vgx
