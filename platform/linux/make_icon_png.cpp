// make_icon_png ICO SIZE OUT.png: the program icon at SIZE x SIZE pixels for
// the desktop's icon theme, made at build time from assets/mirukado.ico, so the
// icon has one source for Windows and Linux alike.
//
// The icon is pixel art: sizes that are whole multiples of it repeat each
// pixel, whole fractions average the pixels they cover; other sizes would blur
// the figure and are refused.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "export/png_writer.hpp"
#include "platform/linux/icon.hpp"
#include "raster/stretch.hpp"

namespace {

constexpr int kMaxSize = 1024;

using Icon = linux_host::IconImage;

int fail(const std::string& why) {
  std::fprintf(stderr, "make_icon_png: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return fail("usage: make_icon_png ICO SIZE OUT.png");
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
  if (!in.good() && !in.eof()) return fail(std::string("cannot read ") + argv[1]);
  Icon icon;
  std::string error;
  if (!linux_host::decode_icon(bytes, &icon, &error))
    return fail(std::string(argv[1]) + ": " + error);
  const int side = std::atoi(argv[2]);
  if (side <= 0 || side > kMaxSize ||
      (side >= icon.side ? side % icon.side != 0 : icon.side % side != 0))
    return fail(std::string("size ") + argv[2] + " is no whole multiple or fraction of " +
                std::to_string(icon.side));
  // Whole multiples and fractions of the icon's side, so each pixel is one
  // source pixel repeated or the mean of a square of them.
  std::vector<std::uint32_t> pixels =
      raster::stretch_area_average(icon.pixels.data(), icon.side, icon.side, side, side);
  const raster::Surface surface{pixels.data(), side, side, side};
  if (!raster::write_png_file(surface, argv[3], &error)) return fail(error);
  return 0;
}
