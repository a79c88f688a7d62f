// Writes the 16 pose sprites (pose_00.bmp .. pose_15.bmp), the program icon
// (mirukado.ico) and the viewer's icon (mirukado-view.ico) into the folder
// given as the only argument. The files in
// assets/ were made with it; the build embeds those files, not this program.
//
// A figure seen from above: a blue body disc 22 px across centred in the
// 32 x 32 image and a blue facing disc 16 px across whose centre lies 8 px from
// the body's centre in the direction of the pose (p x 22.5 degrees clockwise
// from the top), so that it sticks out 5 px beyond the body.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr double kPi = 3.14159265358979;

struct Image {
  std::vector<std::uint32_t> px = std::vector<std::uint32_t>(kSize * kSize, 0);  // 0x00RRGGBB
};

// Pixel (x, y) is inside when its centre (x + 0.5, y + 0.5) lies strictly
// within the disc: a 22 px disc centred at (16, 16) then covers 5..26 exactly.
void disc(Image& img, double cx, double cy, double r, std::uint32_t rgb) {
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy < r * r) img.px[static_cast<std::size_t>(y * kSize + x)] = rgb;
    }
}

Image figure(int pose, std::uint32_t rgb) {
  Image img;
  disc(img, 16, 16, 11, rgb);
  const double a = pose * 22.5 * kPi / 180.0;
  // Round the facing disc's centre to a quarter pixel so that symmetric poses
  // stay exact mirror images despite floating-point noise in sin and cos.
  const double cx = std::round((16 + 8 * std::sin(a)) * 4) / 4;
  const double cy = std::round((16 - 8 * std::cos(a)) * 4) / 4;
  disc(img, cx, cy, 8, rgb);
  return img;
}

// The viewer's mark: a white "play" triangle in the lower left corner, its
// upright edge at x = 2 from y = 19 to 30 and its tip at (12, 24.5).
void play_sign(Image& img) {
  for (int y = 19; y <= 30; ++y) {
    const double reach = 2 + 10 * (1 - std::abs(y - 24.5) / 6);
    for (int x = 2; x <= reach; ++x) img.px[static_cast<std::size_t>(y * kSize + x)] = 0xFFFFFF;
  }
}

void put16(std::vector<unsigned char>& b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v & 0xFF));
  b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void put32(std::vector<unsigned char>& b, unsigned v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

// BITMAPINFOHEADER plus bottom-up 24-bit rows (rows of 96 bytes need no padding).
void dib(std::vector<unsigned char>& b, const Image& img, int header_height) {
  put32(b, 40);
  put32(b, kSize);
  put32(b, static_cast<unsigned>(header_height));
  put16(b, 1);
  put16(b, 24);
  put32(b, 0);
  put32(b, kSize * kSize * 3);
  put32(b, 3780);  // 96 DPI in pixels per metre
  put32(b, 3780);
  put32(b, 0);
  put32(b, 0);
  for (int y = kSize - 1; y >= 0; --y)
    for (int x = 0; x < kSize; ++x) {
      const std::uint32_t p = img.px[static_cast<std::size_t>(y * kSize + x)];
      b.push_back(static_cast<unsigned char>(p & 0xFF));
      b.push_back(static_cast<unsigned char>((p >> 8) & 0xFF));
      b.push_back(static_cast<unsigned char>((p >> 16) & 0xFF));
    }
}

std::vector<unsigned char> bmp_file(const Image& img) {
  std::vector<unsigned char> b{'B', 'M'};
  put32(b, 14 + 40 + kSize * kSize * 3);
  put32(b, 0);
  put32(b, 14 + 40);
  dib(b, img, kSize);
  return b;
}

// An icon holds the colour bitmap at double height followed by a 1-bit AND mask
// (all zero: fully opaque), rows padded to 4 bytes.
std::vector<unsigned char> ico_file(const Image& img) {
  std::vector<unsigned char> body;
  dib(body, img, kSize * 2);
  for (int i = 0; i < kSize * 4; ++i) body.push_back(0);
  std::vector<unsigned char> b;
  put16(b, 0);
  put16(b, 1);  // icon
  put16(b, 1);  // one image
  b.push_back(kSize);
  b.push_back(kSize);
  b.push_back(0);
  b.push_back(0);
  put16(b, 1);
  put16(b, 24);
  put32(b, static_cast<unsigned>(body.size()));
  put32(b, 6 + 16);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

bool write(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sprites DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  for (int p = 0; p < 16; ++p) {
    char name[32];
    std::snprintf(name, sizeof name, "/pose_%02d.bmp", p);
    if (!write(dir + name, bmp_file(figure(p, 0x0000FF)))) {
      std::fprintf(stderr, "make_sprites: cannot write %s%s\n", dir.c_str(), name);
      return 1;
    }
  }
  // The icon: a red figure facing up-right on black, like a brigade member at a hose.
  if (!write(dir + "/mirukado.ico", ico_file(figure(2, 0xFF2020)))) {
    std::fprintf(stderr, "make_sprites: cannot write %s/mirukado.ico\n", dir.c_str());
    return 1;
  }
  // The viewer's: the same figure with the sign of a player.
  Image view = figure(2, 0xFF2020);
  play_sign(view);
  if (!write(dir + "/mirukado-view.ico", ico_file(view))) {
    std::fprintf(stderr, "make_sprites: cannot write %s/mirukado-view.ico\n", dir.c_str());
    return 1;
  }
  return 0;
}
