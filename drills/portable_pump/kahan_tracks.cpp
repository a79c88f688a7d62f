#include "drills/portable_pump/kahan_tracks.hpp"

#include <array>
#include <stdexcept>
#include <string>

#include "drills/portable_pump/kahan_primitives.hpp"

namespace drills::portable_pump::kahan_tracks {

void run(stage::FrameTable& t, int& k, std::span<const Step> script) {
  const int first = k;
  std::array<int, 4> counter{first, first, first, first};
  for (const Step& s : script) {
    int& c = counter.at(static_cast<std::size_t>(s.slot));
    switch (s.kind) {
      case StepKind::Walk:
        kahan_ido(t, c, s.slot, s.x, s.y, s.d1, s.d2, s.h);
        break;
      case StepKind::Hold:
        for (int i = 0; i < s.n; ++i) kahan_stop2(t, c, s.slot, s.h);
        break;
      case StepKind::Count:
        for (int i = 0; i < s.n; ++i) kahan_stop2(t, c, s.slot, s.h + i);
        break;
      case StepKind::Align: {
        std::array<int, 4> taking_part{};
        for (std::size_t i = 0; i < 4; ++i)
          if (s.slots & (1u << i)) taking_part[i] = counter[i];
        kahan_wait(t, first, taking_part[0], taking_part[1], taking_part[2], taking_part[3]);
        for (std::size_t i = 0; i < 4; ++i)
          if (s.slots & (1u << i)) counter[i] = taking_part[i];
        break;
      }
      case StepKind::Say:
        for (int i = 0; i < kCaptionRecords; ++i) t[c + i].caption = s.caption;
        break;
    }
  }
  for (int c : counter)
    if (c != counter[0])
      throw std::logic_error(std::string(t.name()) + ": scene from record " +
                             std::to_string(first) + " ends with its persons out of step");
  k = counter[0];
}

}  // namespace drills::portable_pump::kahan_tracks
