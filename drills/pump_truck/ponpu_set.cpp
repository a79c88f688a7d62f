#include <cstdlib>

#include "drills/pump_truck/primitives.hpp"
#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"
#include "stage/rounding.hpp"

namespace drills::pump_truck {
namespace {

// The crew's steps up to the commander after "集まれ": two full steps, then a
// short one that brings member 2 to x = 500 and the others to 480, ready to dress.
struct AssemblyStep {
  int duration;
  int dx[5];  // per slot; the commander stays
};
constexpr AssemblyStep kAssembly[] = {
    {300, {0, 80, 80, 80, 80}},
    {300, {0, 80, 80, 80, 80}},
    {500, {0, 20, 40, 20, 20}},
};

// The numbering, one command per record.
constexpr const char* kNumbering[] = {"指揮者「番号」", "１番員「１」", "２番員「２」",
                                      "３番員「３」", "４番員「４」"};

}  // namespace

void ponpu_start(stage::FrameTable& table, int& k) {
  ponpu_record(table, k, 500).persons(0).pose = pose::kNE;

  // The commander walks out in front of the crew. Unlike ponpu_ido this walk
  // does not clamp a step to 80 units: its 8 steps are (56.25, 86.25), each
  // rounded on its own record.
  const stage::PersonSlot from = table[k - 1].persons(0);
  const int X = 750, Y = 900;
  const int dx = X - from.x, dy = Y - from.y;
  const int n = (std::abs(dx) > std::abs(dy) ? std::abs(dx) : std::abs(dy)) / 80;
  for (int i = 0; i < n; ++i) {
    const stage::PersonSlot previous = table[k - 1].persons(0);
    stage::FrameRecord& r = table[k];
    r.duration = 300;
    r.persons(0) = stage::PersonSlot{
        stage::to_int16(previous.x + static_cast<double>(dx) / n, "ponpu_start walk"),
        stage::to_int16(previous.y + static_cast<double>(dy) / n, "ponpu_start walk"), pose::kNE};
    ponpu_stop(table, k, 1);
  }
  table[k].duration = 300;
  table[k].persons(0) = stage::PersonSlot{X, Y, pose::kSW};  // facing the crew
  ponpu_stop(table, k, 1);

  ponpu_record(table, k, 1000, "指揮者「集まれ」");
  ponpu_record(table, k, 1000);
  for (const AssemblyStep& step : kAssembly) {
    stage::FrameRecord& r = ponpu_record(table, k, step.duration);
    for (int p = 1; p <= 4; ++p)
      r.persons(p).x = static_cast<std::int16_t>(r.persons(p).x + step.dx[p]);
  }
  ponpu_dress(table, k);

  for (const char* caption : kNumbering) ponpu_record(table, k, 1000, caption);
  ponpu_record(table, k, 1000);

  ponpu_record(table, k, 500).persons(0).pose = pose::kE;  // facing the front
  ponpu_record(table, k, 3000, "指揮者「ソラミ町消防隊、ただ今からポンプ車操法を開始します」");
  ponpu_record(table, k, 1000);
  ponpu_record(table, k, 500).persons(0).pose = pose::kSW;  // back to the crew
  ponpu_record(table, k, 3000, "指揮者「火点は前方の標的、水利はポンプ車右側後方防火水槽」");
  ponpu_record(table, k, 3000, "指揮者「手びろめによる二重巻ホース、一線延長、乗車」");
  ponpu_record(table, k, 1000);
}

void ponpu_set(stage::FrameTable& table) {
  // Opening formation: the commander on the left, the crew in a column, all facing +x.
  stage::FrameRecord& first = table[0];
  first.duration = 3000;
  first.persons(0) = stage::PersonSlot{300, 210, pose::kE};
  for (int i = 1; i <= 4; ++i)
    first.persons(i) = stage::PersonSlot{300, static_cast<std::int16_t>(360 + 70 * i), pose::kE};

  int k = 1;
  ponpu_start(table, k);
  ponpu_josya(table, k);
  ponpu_first(table, k);
  ponpu_second(table, k);
  ponpu_break(table, k);
  ponpu_osamu(table, k);
  ponpu_last(table, k);

  ponpu_record(table, k, 5000);
  // The end marker carries the final positions as well.
  ponpu_record(table, k, 0);
}

}  // namespace drills::pump_truck
