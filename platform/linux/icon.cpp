#include "platform/linux/icon.hpp"

namespace linux_host {

namespace {

constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr int kBitsPerPixel = 24;
constexpr int kMaxSize = 1024;

std::uint32_t le(std::span<const unsigned char> b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

}  // namespace

bool decode_icon(std::span<const unsigned char> b, IconImage* icon, std::string* error) {
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

}  // namespace linux_host
