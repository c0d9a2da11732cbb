#pragma once
// A picture handed to or from the host: Width x Height pixels of 0xAARRGGBB, row
// by row from the top, Width per row.
#include <cstdint>
#include <vector>

struct VgxPicture {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<int32_t> Pixels;
};
