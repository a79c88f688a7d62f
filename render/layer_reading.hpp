#pragma once
// What a layer reads of its keyframe besides its codes (each drill reads
// those as its own code types), and the painter it paints with.

#include "render/layer.hpp"
#include "render/stage_painter.hpp"

namespace render {

// Where person slot `slot` stood on the keyframe being shown (back = 0), the
// one before (1) or the one before that (2). Earlier keyframes are read only
// by the codes that erase a drawing made there; the table rejects an index
// before its first record.
inline Point position(const Layer& layer, int slot, int back = 0) {
  const stage::PersonSlot& person = layer.table[layer.frame - back].persons(slot);
  return {person.x, person.y};
}

inline StagePainter painter_for(const Layer& layer) { return {layer.window, layer.origin}; }

}  // namespace render
