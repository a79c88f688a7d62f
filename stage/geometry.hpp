#pragma once
// Where each drill's stage lies in the window.

namespace stage {

// Window units are twips. Values are single precision, like the layout they
// reproduce; the renderers' pixel positions depend on that.
struct StageGeometry {
  float stage_scale = 0;  // window units per stage unit: window height / 6200
  float kiritu_x0 = 0;    // platoon origin; also the caption's left edge
  float kiritu_y0 = 0;
  float ponpu_x0 = 0;
  float ponpu_y0 = 0;
  float kahan_x0 = 0;
  float kahan_y0 = 0;

  // W and H are the window's width and height in twips.
  static StageGeometry from_window(float W, float H) {
    StageGeometry g;
    const float s = H / 6200.0f;
    g.stage_scale = s;
    g.kiritu_x0 = (W - 5000.0f * s) / 2.0f;  // centres the 5000-unit platoon stage
    g.kiritu_y0 = H - 800.0f * s;
    g.ponpu_x0 = 100.0f * s;
    g.ponpu_y0 = H - (H - 1000.0f * s) / 2.0f;
    g.kahan_x0 = 100.0f * s;
    g.kahan_y0 = H - (H - 1000.0f * s) / 2.0f;
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
