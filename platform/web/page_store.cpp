#include "platform/web/page_store.hpp"

#include <cmath>
#include <optional>
#include <string_view>

namespace web {
namespace {

using emscripten::val;

// A whole number from the page's earlier stores, if it is one within `most`.
std::optional<int> stored_number(const val& v, int most) {
  if (!v.isNumber()) return std::nullopt;
  const double d = v.as<double>();
  if (!(d >= 0 && d <= most) || d != std::floor(d)) return std::nullopt;
  return static_cast<int>(d);
}

// What the record can hold of one drill's earlier progress: each value on
// its own, so that one the record would refuse costs only itself.
bool record_holds(std::string_view drill, const viewer::DrillProgress& one) {
  viewer::LearnerProgress p;
  p.drills.emplace(std::string(drill), one);
  return viewer::read_progress(viewer::serialise_progress(p)).progress == p;
}

}  // namespace

viewer::LearnerProgress earlier_progress(const val& found) {
  // Past these a value is no one's: the positions and counts of every drill
  // are far below them, and the record refuses what it cannot hold anyway.
  constexpr int kMostPosition = 999;
  constexpr int kMostCount = 1000000;
  viewer::LearnerProgress out;
  if (!found.isArray()) return out;
  const int count = found["length"].as<int>();
  for (int i = 0; i < count; ++i) {
    const val entry = found[i];
    // Reading a field of null or undefined would throw into the module.
    if (entry.isNull() || entry.typeOf().as<std::string>() != "object") continue;
    if (!entry["drill"].isString()) continue;
    const std::string drill = entry["drill"].as<std::string>();
    viewer::DrillProgress carried;
    if (const std::optional<int> role = stored_number(entry["role"], kMostPosition);
        role && record_holds(drill, {role, {}}))
      carried.chosen = role;
    const val scores = entry["scores"];
    const int score_count = scores.isArray() ? scores["length"].as<int>() : 0;
    for (int k = 0; k < score_count; ++k) {
      const val s = scores[k];
      if (!s.isArray()) continue;
      const auto position = stored_number(s[0], kMostPosition);
      const auto known = stored_number(s[1], kMostCount);
      const auto asked = stored_number(s[2], kMostCount);
      if (!position || !known || !asked || *asked == 0) continue;
      const viewer::Score score{*known, *asked};
      if (record_holds(drill, {std::nullopt, {{*position, score}}}))
        carried.scores.try_emplace(*position, score);
    }
    if (!carried.chosen && carried.scores.empty()) continue;
    // The more recent store's came first and stands.
    viewer::DrillProgress& into = out.drills[drill];
    if (!into.chosen) into.chosen = carried.chosen;
    for (const auto& [position, score] : carried.scores) into.scores.try_emplace(position, score);
  }
  return out;
}

}  // namespace web
