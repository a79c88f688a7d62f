#include "raster/stretch.hpp"

#include <algorithm>
#include <cmath>

namespace raster {
namespace {

struct Tap {
  int index;
  double weight;
};

// For each of n_dst target pixels, the source pixels it covers and their
// share of its width (shares sum to 1).
std::vector<std::vector<Tap>> axis_taps(int n_src, int n_dst) {
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(n_dst));
  const double step = static_cast<double>(n_src) / n_dst;
  for (int i = 0; i < n_dst; ++i) {
    const double a = i * step;
    const double b = (i + 1) * step;
    auto& t = taps[static_cast<std::size_t>(i)];
    for (int s = static_cast<int>(std::floor(a)); s < n_src && s < b; ++s) {
      const double cover = std::min<double>(b, s + 1) - std::max<double>(a, s);
      if (cover > 1e-12) t.push_back({s, cover / step});
    }
  }
  return taps;
}

}  // namespace

std::vector<std::uint32_t> stretch_area_average(const std::uint32_t* src, int sw, int sh, int dw,
                                                int dh) {
  std::vector<std::uint32_t> out;
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return out;
  out.resize(static_cast<std::size_t>(dw) * static_cast<std::size_t>(dh));
  const auto tx = axis_taps(sw, dw);
  const auto ty = axis_taps(sh, dh);
  for (int y = 0; y < dh; ++y) {
    for (int x = 0; x < dw; ++x) {
      double acc[3] = {0, 0, 0};
      for (const Tap& wy : ty[static_cast<std::size_t>(y)]) {
        for (const Tap& wx : tx[static_cast<std::size_t>(x)]) {
          const std::uint32_t p =
              src[static_cast<std::size_t>(wy.index) * static_cast<std::size_t>(sw) +
                  static_cast<std::size_t>(wx.index)];
          const double w = wx.weight * wy.weight;
          acc[0] += w * ((p >> 16) & 0xff);
          acc[1] += w * ((p >> 8) & 0xff);
          acc[2] += w * (p & 0xff);
        }
      }
      std::uint32_t q = 0;
      for (double c : acc)
        q = (q << 8) | static_cast<std::uint32_t>(std::clamp(std::lround(c), 0L, 255L));
      out[static_cast<std::size_t>(y) * static_cast<std::size_t>(dw) +
          static_cast<std::size_t>(x)] = q;
    }
  }
  return out;
}

}  // namespace raster
