#pragma once
// The window's geometry as the drills see it. Each drill's descriptor places
// its own stage from these values (see DrillDescriptor::origin).

namespace stage {

// Window units are twips. Values are single precision, like the layout they
// reproduce; the renderers' pixel positions depend on that, so a descriptor
// computes its origin from these fields in float as well.
struct StageGeometry {
  float width = 0;        // W: the window's width in twips
  float height = 0;       // H: the window's height in twips
  float stage_scale = 0;  // s: window units per stage unit, window height / 6200
  // The caption's left edge: that of a 5000-unit square stage centred in the
  // window, so that the caption lines up with the widest stage at any width.
  float caption_left = 0;

  static StageGeometry from_window(float W, float H) {
    StageGeometry g;
    const float s = H / 6200.0f;
    g.width = W;
    g.height = H;
    g.stage_scale = s;
    g.caption_left = (W - 5000.0f * s) / 2.0f;
    return g;
  }
};

// A stage point of a drill, in twips, for a given origin.
struct Origin {
  float x0;
  float y0;
  float s;
  float x(float stage_x) const { return x0 + stage_x * s; }
  float y(float stage_y) const { return y0 - stage_y * s; }
};

}  // namespace stage
