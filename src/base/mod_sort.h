#pragma once
#include <cstdint>
#include <vector>

namespace vgx::modSort {

// Sorts entries 0..count-1 ascending in place; 9 when count exceeds the array.
void SortLongs(std::vector<int32_t>& values, int32_t count);

}  // namespace vgx::modSort
