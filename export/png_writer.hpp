#pragma once
// 8-bit RGB PNG files of a surface.

#include <cstdio>
#include <string>

#include "export/output_file.hpp"
#include "raster/surface.hpp"

namespace raster {

// Encodes the surface onto an open stream; name is for the message. On failure
// returns false and sets *error to one line.
bool write_png(const Surface& surface, std::FILE* out, const std::string& name, std::string* error);

// Writes the surface to path as OutputFile does (a temporary put in place, or
// a device written in place), replacing a file there by `replace` (a build
// step regenerating its own output replaces it always). On failure returns
// false, sets *error to one line and leaves no file behind.
bool write_png_file(const Surface& surface, const std::string& path, std::string* error,
                    Replace replace = Replace::Forced);

}  // namespace raster
