#pragma once
// What the page reads of its viewer, as JavaScript values (embind): the
// drills, the state, each drill's timeline, the people and the figure layer
// the core lays out, the legend, the learner and the key help card. A null
// viewer gives null or an empty list.

#include <emscripten/val.h>

#include "platform/web/page_viewer.hpp"

namespace web {

emscripten::val registered_drills();
emscripten::val state(const Viewer* current);
emscripten::val timeline(const Viewer* current, int drill);
emscripten::val figures(Viewer* current);
emscripten::val figure_layer(Viewer* current);
emscripten::val legend(const Viewer* current);
emscripten::val learner(const Viewer* current);
emscripten::val help_lines();

}  // namespace web
