#include "export/png_writer.hpp"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include "export/output_file.hpp"

namespace raster {
namespace {

struct ErrorSink {
  char message[256] = {0};
};

void on_png_error(png_structp png, png_const_charp text) {
  auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", text ? text : "libpng error");
  png_longjmp(png, 1);
}
void on_png_warning(png_structp, png_const_charp) {}

// Plain C-style body: libpng reports errors by longjmp, which must not skip
// C++ destructors, so everything with one lives in the caller.
bool encode(std::FILE* out, const Surface& surface, png_bytep row, ErrorSink* sink) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, sink, on_png_error, on_png_warning);
  if (!png) {
    std::snprintf(sink->message, sizeof sink->message, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!sink->message[0]) std::snprintf(sink->message, sizeof sink->message, "out of memory");
    return false;
  }
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(surface.width),
               static_cast<png_uint_32>(surface.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < surface.height; ++y) {
    for (int x = 0; x < surface.width; ++x) {
      const std::uint32_t p = surface.at(x, y);
      row[3 * x] = static_cast<png_byte>(p >> 16);
      row[3 * x + 1] = static_cast<png_byte>(p >> 8);
      row[3 * x + 2] = static_cast<png_byte>(p);
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool write_png(const Surface& surface, std::FILE* out, const std::string& name,
               std::string* error) {
  if (!surface.pixels || surface.width <= 0 || surface.height <= 0) {
    if (error) *error = "cannot write " + name + ": empty image";
    return false;
  }
  std::vector<png_byte> row(static_cast<std::size_t>(surface.width) * 3);
  ErrorSink sink;
  if (!encode(out, surface, row.data(), &sink)) {
    if (error) *error = "cannot write " + name + ": " + sink.message;
    return false;
  }
  return true;
}

bool write_png_file(const Surface& surface, const std::string& path, std::string* error,
                    Replace replace) {
  if (!surface.pixels || surface.width <= 0 || surface.height <= 0) {
    if (error) *error = "cannot write " + path + ": empty image";
    return false;
  }
  OutputFile file(path, replace, error);
  return file.stream() && write_png(surface, file.stream(), path, error) && file.commit(error);
}

}  // namespace raster
