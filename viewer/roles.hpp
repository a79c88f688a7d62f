#pragma once
// A position's part in a drill: what a brigade member who learns one
// position (the commander or member N) must know without prompting — every
// call it makes, every command it answers and every place it goes. All of it
// is read from the drill's table and timeline, which must outlive the part.
// Positions are the table's person slots (stage::kCommander, member n).

#include <string>
#include <string_view>
#include <vector>

#include "stage/commands.hpp"
#include "stage/frame_table.hpp"
#include "stage/teaching.hpp"

namespace viewer {

using stage::DrillTimeline;
using stage::FrameTable;
using stage::PersonSlot;

// Who speaks a caption: the positions, ascending, without repeats.
//
// A caption names its speaker(s) before each 「: 指揮者「…」, ２番員「…」, and
// lists such as ２，３番員「よし」 (digits full width or ASCII; ， , 、 and ・
// separate the numbers). A caption with no 「 is said plainly, as a squad
// drill writes its orders and its count: a bare number n is member n counting
// off (in the squad's numbering each member calls their own number), any other
// plain text is the commander's order, but for the plain replies "はい" (a
// squad leader named in the order before) and "満" (the count's close, which
// role_calls() gives to the member after the last number), whose speaker the
// caption alone does not tell. Text that names nobody it knows gives no one;
// any text is safe to pass.
std::vector<int> speakers(std::string_view caption);

// A run of consecutive keyframes in which a position's place changes.
struct RoleMove {
  int first_keyframe = 0;  // the first keyframe that shows it elsewhere
  int last_keyframe = 0;   // the keyframe that shows it arrived
  PersonSlot from;         // its place before the move, stage units
  PersonSlot to;           // its place at the move's end, stage units
};

struct RolePart {
  int position = 0;
  // Command indices into the timeline's list, in drill order.
  std::vector<int> calls;  // the commands this position speaks
  // The commands it answers: for each call, the command right before it when
  // another position alone spoke that one (a reply follows what it replies
  // to; a call after its own call, or after a caption naming no one, answers
  // nothing). Each at most once.
  std::vector<int> answers;
  std::vector<RoleMove> moves;  // in drill order
  PersonSlot start;             // its place on the first keyframe
  PersonSlot end;               // its place on the last keyframe

  bool speaks(int command) const;
  bool answers_command(int command) const;
  // Whether the command list "mine only" lists this command.
  bool lists(int command) const { return speaks(command) || answers_command(command); }
};

// `position` must be one of the table's (std::out_of_range otherwise).
RolePart role_part(const FrameTable& table, const DrillTimeline& timeline, int position);
// The calls and answers alone, from the captions (no moves, no places): what
// a command list needs, cheap enough for every overlay.
RolePart role_calls(const DrillTimeline& timeline, int position);

// The first keyframe of each call after / before `keyframe` (as a command
// jump finds commands), or -1 when there is none.
int next_call_keyframe(const RolePart& part, const DrillTimeline& timeline, int keyframe);
int previous_call_keyframe(const RolePart& part, const DrillTimeline& timeline, int keyframe);

}  // namespace viewer
