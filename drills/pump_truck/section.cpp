#include "drills/pump_truck/section.hpp"

#include <stdexcept>
#include <string>

#include "drills/pump_truck/primitives.hpp"

namespace drills::pump_truck {

stage::FrameRecord& ponpu_record(stage::FrameTable& table, int& k, int duration,
                                 const char* caption) {
  stage::FrameRecord& r = table[k];
  r.duration = static_cast<std::int16_t>(duration);
  r.caption = caption;
  ponpu_stop(table, k, 0);
  return r;
}

PonpuSection::PonpuSection(stage::FrameTable& table, int k)
    : table_(table), start_(k), k_{k, k, k, k, k} {}

int PonpuSection::counter(int p) const {
  if (p < 0 || p > 4) throw stage::IndexError("ponpu_frames: person counter " + std::to_string(p));
  return k_[p];
}

void PonpuSection::ido_code(int p, int X, int Y, int d1, int d2, stage::EquipmentCode h) {
  counter(p);  // the slot index is checked before it selects a counter
  ponpu_ido(table_, k_[p], p, X, Y, d1, d2, h);
}

void PonpuSection::hold_code(int p, int n, stage::EquipmentCode h) {
  counter(p);
  for (int i = 0; i < n; ++i) ponpu_stop2(table_, k_[p], p, h);
}

void PonpuSection::turn_code(int p, int pose, stage::EquipmentCode h) {
  const int k = counter(p);
  stage::FrameRecord& r = table_[k];
  r.persons(p) = table_[k - 1].persons(p);
  r.persons(p).pose = static_cast<std::int16_t>(pose);
  r.code(p) = h;
  ++k_[p];
}

void PonpuSection::sync(std::initializer_list<int> persons) {
  int c[5] = {0, 0, 0, 0, 0};
  for (int p : persons) c[p] = counter(p);
  ponpu_wait(table_, start_, c[0], c[1], c[2], c[3], c[4]);
  for (int p : persons) k_[p] = c[p];
}

void PonpuSection::sync_all() { sync({0, 1, 2, 3, 4}); }

void PonpuSection::say(const char* caption, std::initializer_list<PonpuHolder> holders) {
  if (holders.size() == 0) throw std::logic_error("ponpu_frames: announcement without speakers");
  const int at = counter(holders.begin()->person);
  for (const PonpuHolder& h : holders) {
    // Everyone in the group must stand on the same record, or the caption would
    // hang on one person's timeline while another still walks.
    if (counter(h.person) != at)
      throw std::logic_error("ponpu_frames: announcement group not in step at record " +
                             std::to_string(at));
  }
  for (int i = 0; i < 3; ++i) {
    table_[k_[holders.begin()->person]].caption = caption;
    for (const PonpuHolder& h : holders) hold_code(h.person, 1, h.code);
  }
}

namespace {

// Who takes a 5-unit side step on each of the five dressing records (slots 1..4):
// members 1 and 3 start at once, member 4 one beat later, so all three stand
// in line with member 2 after 20 units.
constexpr bool kDressStep[5][5] = {
    {false, true, false, true, false},  {false, true, false, true, true},
    {false, true, false, true, true},   {false, true, false, true, true},
    {false, false, false, false, true},
};

}  // namespace

void ponpu_dress(stage::FrameTable& table, int& k) {
  stage::FrameRecord& face = ponpu_record(table, k, 500);
  face.persons(1).pose = pose::kN;  // member 1 is below member 2: faces up
  face.persons(3).pose = pose::kS;
  face.persons(4).pose = pose::kS;
  for (const auto& steps : kDressStep) {
    stage::FrameRecord& r = ponpu_record(table, k, 300);
    for (int p = 1; p <= 4; ++p)
      if (steps[p]) r.persons(p).x = static_cast<std::int16_t>(r.persons(p).x + 5);
  }
  ponpu_record(table, k, 1000, "１番員「よし」");
  stage::FrameRecord& front = ponpu_record(table, k, 500);
  for (int p : {1, 3, 4}) front.persons(p).pose = pose::kE;
}

namespace {

struct Waypoint {
  int x, y, d1, d2;
  Crew4Code code;
};

constexpr Waypoint kRoundThePump[] = {
    {800, 700, 4, 2, Crew4Code::RepaintLine2AtPump},
    {950, 800, 2, 6, Crew4Code::RepaintLine2AtPump},
    {1300, 600, 6, 8, Crew4Code::RepaintLine2AtPump},
    {1300, 400, 8, 10, Crew4Code::None},
    {950, 185, 10, 14, Crew4Code::RepaintLine1AtPump},
    {800, 370, 14, 4, Crew4Code::RepaintLine1AtPump},
};

}  // namespace

void ponpu_round_the_pump(PonpuSection& s) {
  for (const Waypoint& w : kRoundThePump) s.ido(4, w.x, w.y, w.d1, w.d2, w.code);
}

}  // namespace drills::pump_truck
