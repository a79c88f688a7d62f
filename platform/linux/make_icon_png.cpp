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

#include "platform/raster/png_writer.hpp"

namespace {

constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr int kBitsPerPixel = 24;
constexpr int kMaxSize = 1024;

std::uint32_t le(const std::vector<unsigned char>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

struct Icon {
  int side = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row 0 at the top
};

// The first image of an icon file, which must be square, 24 bits a pixel and
// uncompressed: what assets/make_sprites.cpp writes.
bool decode_icon(const std::vector<unsigned char>& b, Icon* icon, std::string* error) {
  if (b.size() < kIconDirSize + kIconEntrySize || le(b, 0, 2) != 0 || le(b, 2, 2) != 1 ||
      le(b, 4, 2) < 1) {
    *error = "not an icon file";
    return false;
  }
  const std::size_t at = le(b, kIconDirSize + 12, 4);
  if (at > b.size() || b.size() - at < kInfoHeaderSize) {
    *error = "icon image outside the file";
    return false;
  }
  const int width = static_cast<int>(le(b, at + 4, 4));
  const int height = static_cast<int>(le(b, at + 8, 4)) / 2;  // colour bitmap + AND mask
  if (width <= 0 || width > kMaxSize || width != height ||
      le(b, at + 14, 2) != static_cast<std::uint32_t>(kBitsPerPixel) || le(b, at + 16, 4) != 0) {
    *error = "the icon must be square, 24 bits a pixel, uncompressed";
    return false;
  }
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  const std::size_t bits = at + le(b, at, 4);
  if (bits > b.size() || (b.size() - bits) / stride < static_cast<std::size_t>(height)) {
    *error = "icon bitmap cut short";
    return false;
  }
  icon->side = width;
  icon->pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(width), 0);
  for (int y = 0; y < width; ++y) {
    // Bottom-up rows, blue-green-red.
    const unsigned char* row = &b[bits + static_cast<std::size_t>(width - 1 - y) * stride];
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = row + 3 * x;
      icon->pixels[static_cast<std::size_t>(y * width + x)] =
          (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    }
  }
  return true;
}

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
  if (!decode_icon(bytes, &icon, &error)) return fail(std::string(argv[1]) + ": " + error);
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
