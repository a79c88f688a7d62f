#pragma once
// Building blocks the pump-truck scenes share: records on the common timeline,
// and independent sections in which each person works on a counter of its own.

#include <initializer_list>

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
  int person;
  int code = 0;
};

// A stretch of the drill in which the five persons act on their own counters.
// Every step is one call on one person's counter; sync() brings a group together.
class PonpuSection {
 public:
  // All five counters start at k, the first record of the section.
  PonpuSection(stage::FrameTable& table, int k);

  // ponpu_ido on person p's counter.
  void ido(int p, int X, int Y, int d1, int d2, int h = 0);
  // One one-record ponpu_ido to (X, Y) per code: an equipment animation while
  // the person stands (and turns to pose d) on the spot.
  void codes(int p, int X, int Y, int d, std::initializer_list<int> codes);
  // n holds (ponpu_stop2) with the same code.
  void hold(int p, int n = 1, int h = 0);
  // One hold per code from first to last, counting up.
  void hold_codes(int p, int first, int last);
  // Person p turns on the spot to pose on its next record, showing code h.
  void turn(int p, int pose, int h = 0);
  // ponpu_wait over the persons listed; the others take no part.
  void sync(std::initializer_list<int> persons);
  void sync_all();
  // A group announcement: three records at the holders' common counter, the
  // caption on each, every holder holding.
  void say(const char* caption, std::initializer_list<PonpuHolder> holders);

  int counter(int p) const;

 private:
  stage::FrameTable& table_;
  int start_;
  int k_[5];
};

// Member 4 walks round the pump from the line-2 side (800, 700) to the suction
// side (800, 370), working the pump's levers (codes 18, then 14) on the way.
// The same walk serves water on for line 2 and water off.
void ponpu_round_the_pump(PonpuSection& s);

// The crew dresses its line on member 2 (eight records from k): members 1, 3
// and 4 face member 2, close up by side steps to x = 500, member 1 answers
// "１番員「よし」" and they face front again. Used at assembly and after stowing.
void ponpu_dress(stage::FrameTable& table, int& k);

}  // namespace drills::pump_truck
