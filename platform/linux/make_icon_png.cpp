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

#include "platform/linux/icon.hpp"
#include "platform/raster/png_writer.hpp"

namespace {

constexpr int kMaxSize = 1024;

using Icon = linux_host::IconImage;

// The icon scaled to side x side: each output pixel is the mean of the square
// of source pixels it covers (one source pixel when enlarging).
std::vector<std::uint32_t> scale(const Icon& icon, int side) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
  const int span = side >= icon.side ? 1 : icon.side / side;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const int sx = x * icon.side / side, sy = y * icon.side / side;
      std::uint32_t sum[3] = {0, 0, 0};
      for (int dy = 0; dy < span; ++dy)
        for (int dx = 0; dx < span; ++dx) {
          const std::uint32_t p =
              icon.pixels[static_cast<std::size_t>((sy + dy) * icon.side + sx + dx)];
          sum[0] += p >> 16 & 0xFF;
          sum[1] += p >> 8 & 0xFF;
          sum[2] += p & 0xFF;
        }
      const std::uint32_t n = static_cast<std::uint32_t>(span * span);
      out[static_cast<std::size_t>(y * side + x)] =
          ((sum[0] + n / 2) / n) << 16 | ((sum[1] + n / 2) / n) << 8 | (sum[2] + n / 2) / n;
    }
  return out;
}

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
  std::vector<std::uint32_t> pixels = scale(icon, side);
  const raster::Surface surface{pixels.data(), side, side, side};
  if (!raster::write_png_file(surface, argv[3], &error)) return fail(error);
  return 0;
}
