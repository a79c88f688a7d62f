#include "render/carried_piece.hpp"

#include "render/layer_reading.hpp"

namespace render {
namespace {

using stage::colors::black;
using stage::colors::yellow;

// The piece's span from its figure end, and where that end sits.
constexpr Point kLevel{100, 0};
constexpr Point kTiltedDown{100, -30};
constexpr Point kTiltedUp{100, 30};
constexpr Point kHalf{50, 0};
constexpr int kAboveFigure = 20;

}  // namespace

void carried_piece(const Layer& l, int slot, Carry step) {
  const StagePainter p = painter_for(l);
  // Where the piece starts on this keyframe (back 0) or the one before (1).
  const auto held = [&](int back) {
    const Point figure = position(l, slot, back);
    return Point{figure.x, figure.y + kAboveFigure};
  };
  switch (step) {
    case Carry::Level:
      p.segment_step(held(1), kLevel, black);
      p.segment_step(held(1), kTiltedDown, black);
      p.segment_step(held(0), kLevel, yellow);
      break;
    case Carry::TiltedDown:
      p.segment_step(held(1), kLevel, black);
      p.segment_step(held(1), kTiltedDown, black);
      p.segment_step(held(0), kTiltedDown, yellow);
      break;
    case Carry::TiltedUp:
      p.segment_step(held(1), kLevel, black);
      p.segment_step(held(1), kTiltedUp, black);
      p.segment_step(held(0), kTiltedUp, yellow);
      break;
    case Carry::Levelled:
      p.segment_step(held(0), kTiltedUp, black);
      p.segment_step(held(0), kLevel, yellow);
      break;
    case Carry::HalfAway:
      p.segment_step(held(0), kHalf, black);
      break;
    case Carry::Away:
      p.segment_step(held(0), kLevel, black);
      break;
    case Carry::HeldLow: {
      const Point figure = position(l, slot);
      p.segment_step({figure.x + 50, figure.y - 90}, kHalf, yellow);
      break;
    }
  }
}

}  // namespace render
