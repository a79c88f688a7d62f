#pragma once
// Building blocks the pump-truck scenes share: records on the common timeline,
// and independent sections in which each person works on a counter of its own.

#include <initializer_list>

#include "drills/pump_truck/codes.hpp"
#include "stage/frame_table.hpp"
#include "stage/pose.hpp"

namespace drills::pump_truck {

namespace pose = stage::pose;

// One record on the common timeline: duration and caption set, every slot
// carried from the record before (a still copy), codes left at 0. The caller
// then changes what moves on it. Advances k.
stage::FrameRecord& ponpu_record(stage::FrameTable& table, int& k, int duration,
                                 const char* caption = "");

// A person who holds through a group announcement, and the equipment state shown meanwhile.
struct PonpuHolder {
  // Implicit, so that {p} in a list of holders reads as "p holds".
  PonpuHolder(int p) : person(p) {}
  template <PumpTruckCode Code>
  PonpuHolder(int p, Code h) : person(p), code(code_for(p, h)) {}
  int person;
  stage::EquipmentCode code = 0;
};

// A stretch of the drill in which the five persons act on their own counters.
// Every step is one call on one person's counter; sync() brings a group together.
class PonpuSection {
 public:
  // All five counters start at k, the first record of the section.
  PonpuSection(stage::FrameTable& table, int k);

  // ponpu_ido on person p's counter, code entry p showing h (or nothing).
  // A code must be of person p's own entry.
  void ido(int p, int X, int Y, int d1, int d2) { ido_code(p, X, Y, d1, d2, 0); }
  template <PumpTruckCode Code>
  void ido(int p, int X, int Y, int d1, int d2, Code h) {
    ido_code(p, X, Y, d1, d2, code_for(p, h));
  }
  // One one-record ponpu_ido to (X, Y) per code: an equipment animation while
  // the person stands (and turns to pose d) on the spot.
  template <PumpTruckCode Code>
  void codes(int p, int X, int Y, int d, std::initializer_list<Code> codes) {
    for (const Code h : codes) ido(p, X, Y, d, d, h);
  }
  // n holds (ponpu_stop2) with the same code (or none).
  void hold(int p, int n = 1) { hold_code(p, n, 0); }
  template <PumpTruckCode Code>
  void hold(int p, int n, Code h) {
    hold_code(p, n, code_for(p, h));
  }
  // One hold per code from first to last, counting up through the values.
  template <PumpTruckCode Code>
  void hold_codes(int p, Code first, Code last) {
    for (int h = static_cast<int>(first); h <= static_cast<int>(last); ++h)
      hold(p, 1, static_cast<Code>(h));
  }
  // Person p turns on the spot to pose on its next record, showing code h (or nothing).
  void turn(int p, int pose) { turn_code(p, pose, 0); }
  template <PumpTruckCode Code>
  void turn(int p, int pose, Code h) {
    turn_code(p, pose, code_for(p, h));
  }
  // ponpu_wait over the persons listed; the others take no part.
  void sync(std::initializer_list<int> persons);
  void sync_all();
  // A group announcement: three records at the holders' common counter, the
  // caption on each, every holder holding.
  void say(const char* caption, std::initializer_list<PonpuHolder> holders);

  int counter(int p) const;

 private:
  void ido_code(int p, int X, int Y, int d1, int d2, stage::EquipmentCode h);
  void hold_code(int p, int n, stage::EquipmentCode h);
  void turn_code(int p, int pose, stage::EquipmentCode h);

  stage::FrameTable& table_;
  int start_;
  int k_[5];
};

// Member 4 walks round the pump from the line-2 side (800, 700) to the suction
// side (800, 370), repainting line 2's and then line 1's hose at the pump on the way.
// The same walk serves water on for line 2 and water off.
void ponpu_round_the_pump(PonpuSection& s);

// The crew dresses its line on member 2 (eight records from k): members 1, 3
// and 4 face member 2, close up by side steps to x = 500, member 1 answers
// "１番員「よし」" and they face front again. Used at assembly and after stowing.
void ponpu_dress(stage::FrameTable& table, int& k);

}  // namespace drills::pump_truck
