#pragma once
// Picture stretching of an image control: each target pixel is the average of
// the source area it covers, weighted by how much of each source pixel falls
// inside it. Enlarging keeps flat colours flat; only pixels that straddle a
// source edge blend.

#include <cstdint>
#include <vector>

namespace raster {

// src is sw x sh pixels (0x00RRGGBB, rows top to bottom); returns dw x dh.
std::vector<std::uint32_t> stretch_area_average(const std::uint32_t* src, int sw, int sh, int dw,
                                                int dh);

}  // namespace raster
