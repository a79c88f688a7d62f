// The test-only fourth drill (試験操法): everything a drill needs, in one
// folder, as drills/<name>/ would hold it. The test build registers it with
// its one line in drills/registry.cpp; it proves that nothing else has to
// change for a drill to reach the saver, the dialogs and the tool.

#include "stage/drill.hpp"
#include "stage/frame_table.hpp"
#include "stage/stage.hpp"

namespace drills::shiken {
namespace {

stage::FrameTable make_table() { return stage::FrameTable("shiken_frames", 4, 2, 1); }

// Two people: the commander gives two commands and member 1 answers.
void shiken_set(stage::FrameTable& t) {
  t[0].duration = 1000;
  t[0].caption = "指揮者「試験はじめ」";
  t[0].persons(0) = {300, 500, 4};
  t[0].persons(1) = {600, 500, 12};
  t[1] = t[0];
  t[1].caption = "１番員「よし」";
  t[1].persons(1) = {700, 500, 12};
  t[1].code(0) = 1;
  t[2] = t[1];
  t[2].caption = "指揮者「おさめ」";
  t[2].code(0) = 2;
  // t[3] keeps duration 0: the end record.
}

stage::Origin origin(const stage::StageGeometry& g) {
  const float s = g.stage_scale;
  return {100.0f * s, g.height - (g.height - 1000.0f * s) / 2.0f, s};
}

// A square of radius 100 + k around (500, 500) that never turns; the outro
// shrinks it.
stage::TransitionShape transition(bool outro, int k) {
  return {
      500, 500, outro ? 100.0 + stage::kTransitionLastTick - k : 100.0 + k, 0, {0, 90, 180, 270}};
}

void border(stage::Window& w, const stage::Origin& o) {
  w.box(o.x(0), o.y(0), o.x(1000), o.y(1000), stage::colors::blue);
}

// Its one layer: a yellow line along y 0, code x 100 units long.
void shiken_time_0(const stage::Layer& l) {
  const stage::Origin& o = l.origin;
  l.window.line(o.x(0), o.y(0), o.x(100.0f * l.table[l.frame].code(0)), o.y(0),
                stage::colors::yellow);
}
constexpr stage::LayerPainter kLayers[] = {shiken_time_0};

}  // namespace

const stage::DrillDescriptor& descriptor() {
  static const stage::DrillDescriptor d{.name = "shiken",
                                        .display_name = "試験操法",
                                        .checkbox_label = "試験操法",
                                        .english_name = "Test drill",
                                        .make_table = make_table,
                                        .build = shiken_set,
                                        .origin = origin,
                                        .transition = {transition, stage::colors::blue, false},
                                        .border = border,
                                        .scenery = nullptr,
                                        .layers = kLayers,
                                        .rules = {}};
  return d;
}

}  // namespace drills::shiken
