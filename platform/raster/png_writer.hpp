#pragma once
// 8-bit RGB PNG files of a surface.

#include <string>

#include "platform/raster/raster_window.hpp"

namespace raster {

// Writes the surface to path through a temporary file in the same folder. On
// failure returns false, sets *error to one line and leaves no file behind.
bool write_png_file(const Surface& surface, const std::string& path, std::string* error);

}  // namespace raster
