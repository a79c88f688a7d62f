#pragma once
// Bitmaps compiled into the program: the 16 pose sprites and the icon.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace stage {

struct EmbeddedAsset {
  const char* name;  // file name under assets/
  const unsigned char* data;
  std::size_t size;
};

std::span<const EmbeddedAsset> embedded_assets();
// The asset with that file name, or an empty span.
std::span<const unsigned char> find_asset(std::string_view name);

inline constexpr int kSpriteSize = 32;

// A decoded 32 x 32 sprite, pixels 0x00RRGGBB, row 0 at the top.
struct Sprite {
  std::array<std::uint32_t, kSpriteSize * kSpriteSize> pixels{};
  std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y * kSpriteSize + x)];
  }
};

// pic_person(pose) decoded from its embedded BMP. Throws std::runtime_error if
// the embedded file is missing or not a 32 x 32 24-bit BMP.
const Sprite& pose_sprite(int pose);

// Decodes an uncompressed 24-bit bottom-up or top-down BMP of exactly 32 x 32.
Sprite decode_sprite_bmp(std::span<const unsigned char> bmp);

}  // namespace stage
