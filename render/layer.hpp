#pragma once
// What every drill's equipment layers share: the keyframe they paint (see
// stage::Layer). The layers themselves live in their drill's folder; each is
// stateless and paints from record `frame` of its table alone (and, for some
// codes, records frame - 1 and frame - 2, where the previous drawing was made,
// so that it can be painted over in black).

#include "stage/drill.hpp"

namespace render {

using stage::Layer;

}  // namespace render
