#pragma once
// Scenes in which several persons act at once are written as one script of
// per-person steps: each step is one primitive call (or a run of holds) on that
// person's own counter, an alignment brings the named persons' counters
// together with kahan_wait, and a caption is laid on the records where a person
// is about to hold. Keeping the script as data lets each scene read like the
// drill's track sheet; the number noted beside an alignment is the record at
// which it brings the persons together.

#include <cstdint>
#include <initializer_list>
#include <span>

#include "drills/portable_pump/codes.hpp"
#include "stage/frame_table.hpp"

namespace drills::portable_pump::kahan_tracks {

// The person slots of the portable-pump crew.
inline constexpr int kCommander = 0;  // 指揮者
inline constexpr int kMember1 = 1;    // １番員
inline constexpr int kMember2 = 2;
inline constexpr int kMember3 = 3;

enum class StepKind : std::uint8_t {
  Walk,   // kahan_ido to (x, y), pose d1 walking and d2 at the end, code h
  Hold,   // n records of kahan_stop2 with code h
  Count,  // n records of kahan_stop2 with codes h, h + 1, ...
  Align,  // kahan_wait over the persons in `slots`
  Say,    // caption on the next kCaptionRecords records of the person's counter
};

struct Step {
  StepKind kind;
  int slot = 0;
  int x = 0, y = 0, d1 = 0, d2 = 0;
  int h = 0;
  int n = 0;
  unsigned slots = 0;  // bit i: person i takes part in an alignment
  const char* caption = "";
};

// A spoken command stays up for three beats.
inline constexpr int kCaptionRecords = 3;

// A step's code must be of the stepping person's own entry (code_for), so a
// script that writes another person's code does not compile.
constexpr Step walk(int slot, int x, int y, int d1, int d2) {
  return {StepKind::Walk, slot, x, y, d1, d2};
}
template <PortablePumpCode Code>
constexpr Step walk(int slot, int x, int y, int d1, int d2, Code h) {
  return {StepKind::Walk, slot, x, y, d1, d2, code_for(slot, h)};
}
// One record on the spot (x, y) facing `pose`: a turn, a short shift or a code change.
constexpr Step at(int slot, int x, int y, int pose) {
  return {StepKind::Walk, slot, x, y, pose, pose};
}
template <PortablePumpCode Code>
constexpr Step at(int slot, int x, int y, int pose, Code h) {
  return {StepKind::Walk, slot, x, y, pose, pose, code_for(slot, h)};
}
constexpr Step hold(int slot, int n) { return {StepKind::Hold, slot, 0, 0, 0, 0, 0, n}; }
template <PortablePumpCode Code>
constexpr Step hold(int slot, int n, Code h) {
  return {StepKind::Hold, slot, 0, 0, 0, 0, code_for(slot, h), n};
}
// Holds while the code counts from `first` to `last`, one per record.
template <PortablePumpCode Code>
constexpr Step count(int slot, Code first, Code last) {
  return {StepKind::Count,
          slot,
          0,
          0,
          0,
          0,
          code_for(slot, first),
          static_cast<int>(last) - static_cast<int>(first) + 1};
}
constexpr Step align(std::initializer_list<int> persons) {
  unsigned mask = 0;
  for (int p : persons) mask |= 1u << p;
  return {StepKind::Align, 0, 0, 0, 0, 0, 0, 0, mask};
}
constexpr Step say(int slot, const char* caption) {
  return {StepKind::Say, slot, 0, 0, 0, 0, 0, 0, 0, caption};
}

// Runs `script` with one counter per person, all starting at k. Every
// alignment starts its beat at k, so each record of the scene ends with the
// standard duration. The script must end with all persons aligned; k is then
// left one past the scene.
void run(stage::FrameTable& t, int& k, std::span<const Step> script);

}  // namespace drills::portable_pump::kahan_tracks
