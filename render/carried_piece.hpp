#pragma once
// The piece a crew member carries above the head: 100 units long, level or
// tilted 30 units down or up as the figure walks, then levelled and put away,
// and last a short piece held low at the figure's front. Every drill that has
// one plays the same steps under its own code values, for its carrier's slot.

#include "render/layer.hpp"

namespace render {

enum class Carry {
  Level,       // level above the figure, replacing the level or tilted-down piece before
  TiltedDown,  // tilted down, replacing the level or tilted-down piece before
  TiltedUp,    // tilted up, replacing the level or tilted-up piece before
  Levelled,    // level again where it was tilted up
  HalfAway,    // the half at the figure taken away
  Away,        // all of it taken away
  HeldLow,     // a short piece held low at the figure's front
};

// Paints step `step` of the piece carried by the person in slot `slot`.
void carried_piece(const Layer& layer, int slot, Carry step);

}  // namespace render
