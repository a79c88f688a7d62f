#include "stage/assets.hpp"

#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <string>

namespace stage {
namespace {

std::uint32_t le(std::span<const unsigned char> b, std::size_t at, int bytes) {
  if (at + static_cast<std::size_t>(bytes) > b.size()) throw std::runtime_error("BMP truncated");
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

}  // namespace

std::span<const unsigned char> find_asset(std::string_view name) {
  for (const EmbeddedAsset& a : embedded_assets())
    if (name == a.name) return {a.data, a.size};
  return {};
}

Sprite decode_sprite_bmp(std::span<const unsigned char> b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') throw std::runtime_error("not a BMP file");
  const std::uint32_t offset = le(b, 10, 4);
  const auto width = static_cast<std::int32_t>(le(b, 18, 4));
  const auto height = static_cast<std::int32_t>(le(b, 22, 4));
  const std::uint32_t bits = le(b, 28, 2);
  const std::uint32_t compression = le(b, 30, 4);
  if (width != kSpriteSize || (height != kSpriteSize && height != -kSpriteSize) || bits != 24 ||
      compression != 0)
    throw std::runtime_error("sprite BMP must be 32 x 32, 24 bits, uncompressed");
  const std::size_t row_bytes = (kSpriteSize * 3 + 3) & ~std::size_t{3};
  Sprite s;
  for (int y = 0; y < kSpriteSize; ++y) {
    const int file_row = height > 0 ? kSpriteSize - 1 - y : y;  // positive height: bottom-up
    const std::size_t row = offset + static_cast<std::size_t>(file_row) * row_bytes;
    for (int x = 0; x < kSpriteSize; ++x) {
      const std::size_t p = row + static_cast<std::size_t>(x) * 3;
      const std::uint32_t bgr = le(b, p, 3);
      const std::uint32_t blue = bgr & 0xFF, green = (bgr >> 8) & 0xFF, red = (bgr >> 16) & 0xFF;
      s.pixels[static_cast<std::size_t>(y * kSpriteSize + x)] = (red << 16) | (green << 8) | blue;
    }
  }
  return s;
}

const Sprite& pose_sprite(int pose) {
  static std::array<Sprite, 16> sprites;
  static std::once_flag once;
  if (pose < 0 || pose > 15)
    throw std::out_of_range("pose " + std::to_string(pose) + " outside 0..15");
  std::call_once(once, [] {
    for (int p = 0; p < 16; ++p) {
      char name[32];
      std::snprintf(name, sizeof name, "pose_%02d.bmp", p);
      sprites[static_cast<std::size_t>(p)] = decode_sprite_bmp(find_asset(name));
    }
  });
  return sprites[static_cast<std::size_t>(pose)];
}

}  // namespace stage
