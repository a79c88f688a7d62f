#include "viewer/command_table.hpp"

#include <algorithm>
#include <memory>
#include <vector>

namespace viewer {

using stage::kCommander;
using stage::kPlaySpeeds;
using stage::Playback;
using stage::PlaySpeed;
using stage::Theme;

namespace {

using C = ViewerCommand;
constexpr bool kRepeats = true;
constexpr bool kOnce = false;
constexpr bool kSettings = true;
constexpr bool kSession = false;

// In the help card's order; the pointing commands, which no key gives, last.
constexpr ViewerCommandRow kRows[] = {
    {C::TogglePlay, "toggle-play", {" "}, "Space", "再生／一時停止", kOnce, kSession},
    {C::StepBack, "step-back", {"ArrowLeft"}, "← →", "1コマ戻る／進む", kRepeats, kSession},
    {C::StepForward, "step-forward", {"ArrowRight"}, "", "", kRepeats, kSession},
    {C::PreviousCommand,
     "previous-command",
     {"ArrowUp", "PageUp"},
     "↑ ↓  PgUp PgDn",
     "前／次の号令",
     kRepeats,
     kSession},
    {C::NextCommand, "next-command", {"ArrowDown", "PageDown"}, "", "", kRepeats, kSession},
    {C::GoToStart, "go-to-start", {"Home"}, "Home End", "訓練の最初／最後", kOnce, kSession},
    {C::GoToEnd, "go-to-end", {"End"}, "", "", kOnce, kSession},
    {C::NextDrill, "next-drill", {"Tab"}, "Tab", "次の訓練", kOnce, kSession},
    {C::SpeedOne, "speed-1", {"1"}, "1 2 3", "速度 ×1 ×2 ×10", kOnce, kSettings},
    {C::SpeedTwo, "speed-2", {"2"}, "", "", kOnce, kSettings},
    {C::SpeedThree, "speed-3", {"3"}, "", "", kOnce, kSettings},
    {C::Slower, "slower", {"["}, "[ ]", "遅く／速く（×¼〜×10）", kOnce, kSettings},
    {C::Faster, "faster", {"]"}, "", "", kOnce, kSettings},
    {C::LoopStart, "loop-start", {"a"}, "a b", "区間くり返しの始め／終わり", kOnce, kSession},
    {C::LoopEnd, "loop-end", {"b"}, "", "", kOnce, kSession},
    {C::ClearLoop, "clear-loop", {"l"}, "l", "くり返し解除", kOnce, kSession},
    {C::CommandList, "command-list", {"c"}, "c", "号令一覧", kOnce, kSession},
    {C::AskCommandNumber,
     "ask-command-number",
     {"g"},
     "g 番号 Enter",
     "番号の号令へ",
     kOnce,
     kSession},
    {C::CyclePosition, "cycle-position", {"r"}, "r", "覚える役（指揮者・番員）", kOnce, kSession},
    {C::PreviousCall,
     "previous-call",
     {",", "<"},
     ", .",
     "その役の前／次の号令",
     kRepeats,
     kSession},
    {C::NextCall, "next-call", {".", ">"}, "", "", kRepeats, kSession},
    {C::WholePath, "whole-path", {"w"}, "w", "その役の動き（場面全体）", kOnce, kSession},
    {C::MineOnly, "mine-only", {"m"}, "m", "号令一覧：その役だけ／全部", kOnce, kSession},
    {C::Practice, "practice", {"p"}, "p", "練習（Spaceで答え）", kOnce, kSession},
    {C::Known, "known", {"y"}, "y n", "練習：覚えていた／いなかった", kOnce, kSession},
    {C::NotKnown, "not-known", {"n"}, "", "", kOnce, kSession},
    // '?' is Shift+/ on most layouts; F1 is the usual help key.
    {C::Help, "help", {"?", "/", "F1"}, "?", "このヘルプ", kOnce, kSession},
    {C::ToggleTheme, "theme", {"t"}, "t", "テーマ（明/暗）", kOnce, kSettings},
    {C::FullScreen, "full-screen", {"f", "F11"}, "f F11", "全画面", kOnce, kSession},
    {C::Quit, "quit", {"Escape", "q"}, "Esc q", "終了", kOnce, kSession},
    {C::Play, "play", {}, "", "", kOnce, kSession},
    {C::Pause, "pause", {}, "", "", kOnce, kSession},
    {C::SeekTime, "seek-time", {}, "", "", kOnce, kSession},
    {C::GoToCommand, "go-to-command", {}, "", "", kOnce, kSession},
    {C::SelectDrill, "select-drill", {}, "", "", kOnce, kSession},
    {C::SetSpeed, "set-speed", {}, "", "", kOnce, kSettings},
};

char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool learner_command(ViewerCommand command) {
  return command >= C::CyclePosition && command <= C::NotKnown;
}

std::vector<HelpLine> card(bool can_quit, bool learner) {
  std::vector<HelpLine> lines;
  for (const ViewerCommandRow& row : kRows) {
    if (row.card_keys.empty() || (!can_quit && row.command == C::Quit)) continue;
    if (!learner && learner_command(row.command)) continue;
    lines.push_back({row.card_keys, row.card_text});
  }
  return lines;
}

}  // namespace

std::span<const ViewerCommandRow> viewer_commands() { return kRows; }

const ViewerCommandRow& viewer_command_row(ViewerCommand command) {
  return *std::find_if(std::begin(kRows), std::end(kRows),
                       [&](const ViewerCommandRow& row) { return row.command == command; });
}

std::optional<ViewerCommand> command_for_key(std::string_view key) {
  const char single = key.size() == 1 ? lower_ascii(key.front()) : '\0';
  for (const ViewerCommandRow& row : kRows) {
    for (std::string_view k : row.keys) {
      if (!k.empty() && (k == key || (single != '\0' && k.size() == 1 && k.front() == single)))
        return row.command;
    }
  }
  return std::nullopt;
}

std::optional<ViewerCommand> command_named(std::string_view id) {
  for (const ViewerCommandRow& row : kRows)
    if (row.id == id) return row.command;
  return std::nullopt;
}

void end_practice(Learner& learner, Playback& playback) {
  if (!learner.practice) return;
  learner.practice.reset();
  playback.stop_before(std::nullopt);
}

void follow_position(Learner& learner, Playback& playback, std::optional<int> position) {
  end_practice(learner, playback);
  const int positions = playback.stage().table(playback.drill()).person_count();
  if (position && (*position < 0 || *position >= positions)) position.reset();
  learner.position = position;
}

namespace {

// The learner's commands; Nothing where there is nothing to act on.
CommandEffect apply_learner(ViewerCommand command, Playback& p, Learner& learner) {
  const int positions = p.stage().table(p.drill()).person_count();
  // A position the drill lacks (chosen in another drill) follows no one.
  if (learner.position && *learner.position >= positions) learner.position.reset();
  PracticeSession* practice = learner.practice.get();
  switch (command) {
    case C::CyclePosition:
      end_practice(learner, p);  // a session practises one position
      if (!learner.position)
        learner.position = kCommander;
      else if (*learner.position + 1 < positions)
        ++*learner.position;
      else
        learner.position.reset();
      return CommandEffect::Playback;
    case C::PreviousCall:
    case C::NextCall: {
      if (!learner.position) return CommandEffect::Nothing;
      const RolePart part = role_calls(p.timeline(), *learner.position);
      const int k = command == C::NextCall
                        ? next_call_keyframe(part, p.timeline(), p.keyframe())
                        : previous_call_keyframe(part, p.timeline(), p.keyframe());
      if (k < 0) return CommandEffect::Nothing;
      p.seek_keyframe(k);
      return CommandEffect::Playback;
    }
    case C::WholePath:
      learner.whole_path = !learner.whole_path;
      return CommandEffect::Playback;
    case C::MineOnly:
      learner.mine_only = !learner.mine_only;
      return CommandEffect::Playback;
    case C::Practice:
      if (learner.practice) {
        end_practice(learner, p);
        return CommandEffect::Playback;
      }
      if (!learner.position) learner.position = kCommander;
      learner.practice = std::make_unique<PracticeSession>(p, *learner.position);
      return CommandEffect::Playback;
    case C::Known:
    case C::NotKnown:
      if (!practice) return CommandEffect::Nothing;
      if (practice->state() == PracticeState::Finished) {
        // After the score: y asks the missed items again.
        if (command != C::Known || practice->missed().empty()) return CommandEffect::Nothing;
        practice->retry_missed();
        return CommandEffect::Playback;
      }
      if (!practice->current()) return CommandEffect::Nothing;
      practice->mark(command == C::Known);
      return CommandEffect::Playback;
    default:
      return CommandEffect::Nothing;
  }
}

}  // namespace

CommandEffect apply(ViewerCommand command, int arg, Playback& p, ViewerPanels& panels,
                    Learner& learner) {
  if (learner.practice && learner.practice->drill() != p.drill()) {
    // Another drill chosen: the session's items are not this drill's.
    end_practice(learner, p);
  }
  if (command == C::TogglePlay && learner.practice) {
    // An item asked waits for its answer and its mark: Space reveals, and
    // cannot play past the items after it meanwhile.
    switch (learner.practice->state()) {
      case PracticeState::Prompt:
        learner.practice->reveal();
        return CommandEffect::Playback;
      case PracticeState::Revealed:
        return CommandEffect::Nothing;
      case PracticeState::Playing:
      case PracticeState::Finished:
        break;
    }
  }
  if (learner_command(command)) return apply_learner(command, p, learner);
  return apply(command, arg, p, panels);
}

CommandEffect apply(ViewerCommand command, int arg, Playback& p, ViewerPanels& panels) {
  switch (command) {
    case C::TogglePlay:
      p.toggle_play();
      break;
    case C::Play:
      p.play();
      break;
    case C::Pause:
      p.pause();
      break;
    case C::StepBack:
      p.step_back();
      break;
    case C::StepForward:
      p.step_forward();
      break;
    case C::PreviousCommand:
      return p.previous_command() ? CommandEffect::Playback : CommandEffect::Nothing;
    case C::NextCommand:
      return p.next_command() ? CommandEffect::Playback : CommandEffect::Nothing;
    case C::GoToStart:
      p.go_to_start();
      break;
    case C::GoToEnd:
      p.go_to_end();
      break;
    case C::NextDrill:
      p.next_drill();
      break;
    case C::SpeedOne:
      p.set_speed(PlaySpeed::One);
      break;
    case C::SpeedTwo:
      p.set_speed(PlaySpeed::Two);
      break;
    case C::SpeedThree:
      p.set_speed(PlaySpeed::Three);
      break;
    case C::SetSpeed:
      p.set_speed(static_cast<PlaySpeed>(std::clamp(arg, 0, kPlaySpeeds - 1)));
      break;
    case C::Slower:
      p.slower();
      break;
    case C::Faster:
      p.faster();
      break;
    case C::LoopStart:
      p.set_loop_start();
      break;
    case C::LoopEnd:
      p.set_loop_end();
      break;
    case C::ClearLoop:
      p.clear_loop();
      break;
    case C::SeekTime:
      p.seek_time(arg);
      break;
    case C::GoToCommand: {
      const int count = static_cast<int>(p.timeline().commands().size());
      if (arg < 0 || arg >= count) return CommandEffect::Nothing;
      p.go_to_command(arg);
      break;
    }
    case C::SelectDrill:
      p.select_drill(std::clamp(arg, 0, p.drill_count() - 1));
      break;
    case C::CommandList:
      panels.commands = !panels.commands;
      return CommandEffect::Panels;
    case C::Help:
      panels.help = !panels.help;
      return CommandEffect::Panels;
    case C::AskCommandNumber:
      return CommandEffect::AskNumber;
    case C::ToggleTheme:
      panels.theme = panels.theme == Theme::Dark ? Theme::Light : Theme::Dark;
      return CommandEffect::Theme;
    case C::FullScreen:
      return CommandEffect::FullScreen;
    case C::Quit:
      return CommandEffect::Quit;
    case C::CyclePosition:
    case C::PreviousCall:
    case C::NextCall:
    case C::WholePath:
    case C::MineOnly:
    case C::Practice:
    case C::Known:
    case C::NotKnown:
      return CommandEffect::Nothing;  // no learner to act on
  }
  return CommandEffect::Playback;
}

CommandNumberEntry::Outcome CommandNumberEntry::key(std::string_view key) {
  if (!digits_) return {};
  if (key.size() == 1 && key.front() >= '0' && key.front() <= '9') {
    if (digits_->size() < kMaxDigits) digits_->push_back(key.front());
    return {true, std::nullopt};
  }
  if (key == "Backspace") {
    if (!digits_->empty()) digits_->pop_back();
    return {true, std::nullopt};
  }
  const std::string typed = *digits_;
  digits_.reset();
  if (key == "Enter") {
    if (typed.empty()) return {true, std::nullopt};
    return {true, std::stoi(typed) - 1};
  }
  return {key == "Escape", std::nullopt};
}

std::span<const HelpLine> help_lines(bool can_quit, bool learner) {
  static const std::vector<HelpLine> cards[2][2] = {{card(false, false), card(false, true)},
                                                    {card(true, false), card(true, true)}};
  return cards[can_quit ? 1 : 0][learner ? 1 : 0];
}

}  // namespace viewer
