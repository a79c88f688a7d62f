#pragma once
// The nine equipment renderers: one per equipment-code entry of the two pump
// drills. Stateless: each paints from record `frame` of its table alone (and,
// for some codes, records frame - 1 and frame - 2, where the previous drawing
// was made, so that it can be painted over in black).

#include "stage/drill.hpp"

namespace render {

using stage::Layer;

// Pump truck: entry f belongs to person slot f and may show or hide image slot f.
void ponpu_time_0(const Layer& layer);
void ponpu_time_1(const Layer& layer);
void ponpu_time_2(const Layer& layer);
void ponpu_time_3(const Layer& layer);
void ponpu_time_4(const Layer& layer);

// Portable pump: these never touch the image slots.
void kahan_time_0(const Layer& layer);
void kahan_time_1(const Layer& layer);
void kahan_time_2(const Layer& layer);
void kahan_time_3(const Layer& layer);

}  // namespace render
