#pragma once
// The program icon as pixels: decoded from the Windows icon file, so that the
// icon has one source for Windows and Linux alike (the icon theme's PNGs at
// build time, the windows' icons at run time).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace linux_host {

struct IconImage {
  int side = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row 0 at the top
};

// The first image of an icon file, which must be square, 24 bits a pixel and
// uncompressed: what assets/make_sprites.cpp writes.
bool decode_icon(std::span<const unsigned char> bytes, IconImage* icon, std::string* error);

}  // namespace linux_host
