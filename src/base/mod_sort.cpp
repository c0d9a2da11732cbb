#include "base/mod_sort.h"

#include <algorithm>

#include "base/errors.h"

namespace vgx::modSort {

void SortLongs(std::vector<int32_t>& values, int32_t count) {
    if (count <= 1) return;
    if (static_cast<size_t>(count) > values.size()) Raise(VgxErrSubscript, "modSort");
    std::sort(values.begin(), values.begin() + count);
}

}  // namespace vgx::modSort
