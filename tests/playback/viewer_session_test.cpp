// The desktop viewers' shared session: keys to the state, the title and the
// progress records, the drill's remembered position followed, practice kept
// across a rebuild and its score remembered, the command list's wheel, and
// when a new layout is due and what it draws. What the viewers' end-to-end
// cases leave to these: everything but the window, its events and files.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "viewer/session.hpp"

namespace {

using viewer::CommandEffect;
using Keys = std::vector<std::string_view>;

constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr int kLine = 14;
// Far more clock steps than any drill's items need to finish a practice.
constexpr int kMaxSteps = 4000;
// More items than a position is asked before its first call.
constexpr int kMaxItemsBeforeACall = 12;

int drill_index(std::string_view name) { return drills::find(drills::registry(), name); }

// A raster window per size, a clock the test moves, the progress file in memory.
struct Session : ::testing::Test, viewer::ViewerHost, host::KeptStore {
  std::unique_ptr<raster::RasterWindow> window;
  std::int64_t clock = 0;
  int windows_made = 0;
  std::optional<std::string> text;

  stage::Window& make_window(int width, int height) override {
    window.reset();
    window = std::make_unique<raster::RasterWindow>(width, height);
    ++windows_made;
    return *window;
  }
  int line_height() const override { return kLine; }
  // Every code point half a line wide.
  int text_width(std::string_view utf8) override {
    int points = 0;
    for (const char c : utf8) points += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return points * kLine / 2;
  }
  std::int64_t now_ms() const override { return clock; }

  host::StoredText read() override {
    return text ? host::StoredText{host::StoredText::State::Text, *text} : host::StoredText{};
  }
  bool update(const std::function<host::StoreChange(const host::StoredText&)>& change) override {
    const host::StoreChange c = change(read());
    if (c.kind != host::StoreChange::Kind::Leave) text = c.text;
    return true;
  }
  std::string error() const override { return {}; }
  std::string set_aside_name() const override { return "viewer-progress.bad"; }

  std::unique_ptr<viewer::ViewerSession> open(viewer::ViewerStart start,
                                              std::optional<std::string> file = std::nullopt) {
    text = std::move(file);
    auto s = std::make_unique<viewer::ViewerSession>(*this, drills::registry(), start, this);
    s->start(kWidth, kHeight);
    return s;
  }
  // Moves the clock until the practice stands in `state`; false if it never does.
  bool play_until(viewer::ViewerSession& s, viewer::PracticeState state) {
    for (int step = 0; step < kMaxSteps; ++step) {
      if (s.learner().practice && s.learner().practice->state() == state) return true;
      const int delay = s.advance();
      clock += delay == stage::Playback::kIdle ? 1 : delay;
    }
    return false;
  }
  // The drill's line of the progress file ("ponpu 2 2=7/9"), or empty.
  std::string record(std::string_view drill) const {
    std::string key = "\n";
    key.append(drill).append(" ");
    const std::size_t at = text ? text->find(key) : std::string::npos;
    if (at == std::string::npos) return {};
    return text->substr(at + 1, text->find('\n', at + 1) - at - 1);
  }
};

viewer::ViewerStart on(std::string_view drill) {
  viewer::ViewerStart s;
  s.drill = drill_index(drill);
  return s;
}

std::optional<CommandEffect> press(viewer::ViewerSession& s, const Keys& keys) {
  std::optional<CommandEffect> last;
  for (std::string_view k : keys) last = s.key(k, false).effect;
  return last;
}

void paused_at_start(viewer::ViewerSession& s) {
  s.run(viewer::ViewerCommand::Pause);
  s.run(viewer::ViewerCommand::GoToStart);
}

bool has(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

int first_keyframe(const stage::DrillTimeline& t, std::size_t command) {
  return t.commands().at(command).first_keyframe;
}

// The commands whose speakers (the caption before 「) name `member`, as the
// drill's captions are written ("３番員「…」").
std::vector<int> calls_of(const stage::DrillTimeline& t, std::string_view member) {
  std::vector<int> calls;
  for (std::size_t i = 0; i < t.commands().size(); ++i) {
    const std::string_view text = t.commands()[i].text;
    if (has(text.substr(0, text.find("「")), member)) calls.push_back(static_cast<int>(i));
  }
  return calls;
}

TEST_F(Session, KeysReachTheStateTheTitleAndTheProgressFile) {
  const struct {
    Keys keys;
    std::string_view title_has;
    std::optional<int> position;
    std::string_view record;  // ponpu's line of the file
    std::optional<CommandEffect> last;
  } cases[] = {
      {{"g", "1", "2"}, "→ 号令番号 12_", {}, "", {}},
      {{"g", "1", "2", "Enter"}, "号令 12 ", {}, "", CommandEffect::Playback},
      {{"g", "4", "Backspace", "3", "Enter"}, "号令 3 ", {}, "", CommandEffect::Playback},
      {{"g", "1", "Escape"}, "", {}, "", {}},
      // Any other key gives up the number and does what it always does.
      {{"g", "1", "c"}, "", {}, "", CommandEffect::Panels},
      {{"r"}, "", 0, "ponpu 0", CommandEffect::Playback},
      {{"r", "r", "r"}, "", 2, "ponpu 2", CommandEffect::Playback},
      {{"r", "r", "r", "r", "r", "r"}, "", {}, "ponpu -", CommandEffect::Playback},
      {{"q"}, "", {}, "", CommandEffect::Quit},
  };
  for (const auto& c : cases) {
    const std::string keys = ::testing::PrintToString(c.keys);
    auto s = open(on("ponpu"));
    EXPECT_EQ(press(*s, c.keys), c.last) << keys;
    const std::string title = s->title();
    EXPECT_NE(title.find(c.title_has), std::string::npos) << keys << ": " << title;
    EXPECT_EQ(title.find("号令番号") != std::string::npos, s->entry().is_open()) << keys;
    EXPECT_EQ(s->learner().position, c.position) << keys;
    EXPECT_EQ(record("ponpu"), c.record) << keys;
  }
}

TEST_F(Session, EachDrillShownFollowsItsRememberedPosition) {
  const std::string file = "mirukado-progress 1\nkahan 3\nponpu 2 2=7/9\n";
  const struct {
    std::optional<int> role;  // the command line's
    std::optional<int> followed;
    std::string_view ponpu;  // its line of the file afterwards
  } cases[] = {
      {std::nullopt, 2, "ponpu 2 2=7/9"},
      {1, 1, "ponpu 1 2=7/9"},
      // A position the drill lacks (the page's address may name one) is
      // followed as none, and the one remembered stays, a key later too.
      {9, std::nullopt, "ponpu 2 2=7/9"},
      {-1, std::nullopt, "ponpu 2 2=7/9"},
  };
  for (const auto& c : cases) {
    viewer::ViewerStart start = on("ponpu");
    start.role = c.role;
    auto s = open(start, file);
    EXPECT_EQ(s->learner().position, c.followed);
    press(*s, {"ArrowRight"});
    EXPECT_EQ(record("ponpu"), c.ponpu);
    EXPECT_EQ(s->request().previous_score,
              (c.followed == 2 ? std::optional(viewer::Score{7, 9}) : std::nullopt));
    // The next drill shown follows its own.
    press(*s, {"Tab"});
    ASSERT_EQ(s->playback().drill(), drill_index("kahan"));
    EXPECT_EQ(s->learner().position, 3);
  }
}

// A legend entry follows its position (ending a practice of another) and
// clears the one followed.
TEST_F(Session, ALegendEntryFollowsItsPositionAndAgainClearsIt) {
  auto s = open(on("ponpu"));
  s->choose_from_legend(3);
  EXPECT_EQ(record("ponpu"), "ponpu 3");
  press(*s, {"p"});
  s->choose_from_legend(1);
  EXPECT_FALSE(s->learner().practice);
  EXPECT_EQ(s->learner().position, 1);
  s->choose_from_legend(1);
  EXPECT_EQ(record("ponpu"), "ponpu -");
}

// Clicks reach what lies under them: the timeline seeks (and a drag goes on
// seeking wherever the pointer wanders), a row of the command list goes to
// its command, a legend entry follows its position and again clears it.
TEST_F(Session, ClicksReachTheTimelineTheListAndTheLegend) {
  auto s = open(on("ponpu"));
  viewer::OverlayView v = s->overlay();
  const int total = s->playback().timeline().total_ms();
  const int bar_y = v.bar.y + v.bar.h / 2;
  viewer::ClickOutcome c = s->click(v.bar.x + (v.bar.w - 1) / 2, bar_y);
  EXPECT_TRUE(c.dragging);
  EXPECT_NEAR(s->playback().elapsed_ms(), total / 2, total / v.bar.w + 1);
  s->drag(v.bar.x + v.bar.w + 50);  // past the bar's end, far below it
  EXPECT_EQ(s->playback().elapsed_ms(), total);

  press(*s, {"Home", "c"});
  v = s->overlay();
  ASSERT_GE(v.rows.size(), 3u);
  const viewer::CommandRow row = v.rows[2];
  c = s->click(row.rect.x + 1, row.rect.y + 1);
  EXPECT_FALSE(c.dragging);
  EXPECT_EQ(s->playback().current_command(), row.command);

  // The legend's first entry is the commander's.
  v = s->overlay();
  const int legend_y = v.legend_box.y + v.legend_box.h / 2;
  EXPECT_EQ(s->click(v.legend_box.x + 1, legend_y).effect, CommandEffect::Playback);
  EXPECT_EQ(s->learner().position, 0);
  s->click(v.legend_box.x + 1, legend_y);
  EXPECT_EQ(s->learner().position, std::nullopt);
  // Nothing under the pointer in the drill's area.
  const stage::PixelRect area = v.stage_area;
  EXPECT_EQ(s->click(area.x + area.w / 2, area.y + area.h / 2).effect, CommandEffect::Nothing);
}

TEST_F(Session, ACardOrThemeThatMovesTheDrillAsksForANewLayout) {
  const struct {
    bool teaching;
    Keys keys;
    bool due;
  } cases[] = {
      {true, {}, false},     {true, {"t"}, true},   {true, {"t", "t"}, false},
      {true, {"c"}, true},   {true, {"?"}, true},   {true, {"ArrowRight"}, false},
      {false, {"t"}, false}, {false, {"c"}, false},
  };
  for (const auto& c : cases) {
    const std::string keys = ::testing::PrintToString(c.keys);
    viewer::ViewerStart start = on("kiritu");
    start.teaching = c.teaching;
    auto s = open(start);
    press(*s, {"ArrowRight", "ArrowRight"});  // paused at keyframe 2
    press(*s, c.keys);
    EXPECT_EQ(s->layout_due(kWidth, kHeight), c.due) << keys << " teaching " << c.teaching;
    const int keyframe = s->playback().keyframe();
    const int made = windows_made;
    s->rebuild(kWidth, kHeight);
    EXPECT_EQ(windows_made, made + 1);
    EXPECT_FALSE(s->layout_due(kWidth, kHeight)) << keys;
    EXPECT_EQ(s->playback().keyframe(), keyframe) << keys;
    EXPECT_FALSE(s->playback().playing()) << keys;
  }
}

// A host that shows the overlay as its own elements (the web page): the
// drill fills the window whatever cards are open, the host asks for a
// command's number itself, and the session opens where the host says.
TEST_F(Session, AHostWithItsOwnOverlayKeepsTheWholeWindowForTheDrill) {
  viewer::ViewerStart start = on("ponpu");
  start.host_overlay = true;
  start.keyframe = 10;
  start.speed = stage::PlaySpeed::Two;
  start.playing = false;
  auto s = open(start);
  EXPECT_EQ(s->playback().keyframe(), 10);
  EXPECT_EQ(s->playback().speed(), stage::PlaySpeed::Two);
  EXPECT_FALSE(s->playback().playing());
  s->show_panels(true, true);
  EXPECT_FALSE(s->layout_due(kWidth, kHeight)) << "cards of the host's own";
  s->set_theme(stage::Theme::Light);
  EXPECT_TRUE(s->layout_due(kWidth, kHeight)) << "a new theme is a new picture";
  EXPECT_EQ(press(*s, {"g"}), CommandEffect::AskNumber);
  EXPECT_FALSE(s->entry().is_open());
  press(*s, {"3"});
  EXPECT_EQ(s->playback().speed(), stage::PlaySpeed::Three) << "the 3 was a key, not a digit";

  // A keyframe past the drill's end opens at its start.
  start.keyframe = s->playback().timeline().keyframes();
  EXPECT_EQ(open(start)->playback().keyframe(), 0);
}

// Practice through to its score: the prompt and answer in the title, a
// rebuild keeping the step, and the score remembered once it finishes.
TEST_F(Session, PracticeGoesOnOverARebuildAndItsScoreIsKept) {
  viewer::ViewerStart start = on("ponpu");
  start.role = 2;
  start.practice = true;
  auto s = open(start, "mirukado-progress 1\nponpu 2 2=7/9\n");
  ASSERT_TRUE(s->learner().practice);
  const auto state = [&] { return s->learner().practice->state(); };
  int asked = 0;
  for (int step = 0; step < kMaxSteps && state() != viewer::PracticeState::Finished; ++step) {
    const int delay = s->advance();
    if (state() == viewer::PracticeState::Prompt) {
      EXPECT_NE(s->title().find("？"), std::string::npos) << s->title();
      press(*s, {" "});
      ASSERT_EQ(state(), viewer::PracticeState::Revealed);
      const std::string revealed = s->title();
      EXPECT_NE(revealed.find("答え"), std::string::npos) << revealed;
      if (asked++ == 0) {  // once: a new window at another size, the same step
        s->rebuild(kHeight, kWidth);
        EXPECT_EQ(s->title(), revealed);
      }
      press(*s, {asked % 2 ? "y" : "n"});
      continue;
    }
    clock += delay == stage::Playback::kIdle ? 1 : delay;
  }
  ASSERT_EQ(state(), viewer::PracticeState::Finished);
  ASSERT_GT(asked, 1);
  const viewer::Score score = s->learner().practice->score();
  EXPECT_EQ(score.asked, asked);
  EXPECT_EQ(score.known, (asked + 1) / 2);
  EXPECT_EQ(record("ponpu"),
            "ponpu 2 2=" + std::to_string(score.known) + "/" + std::to_string(score.asked));
  // The card compares with the score it replaced.
  EXPECT_EQ(s->request().previous_score, (viewer::Score{7, 9}));
}

// From the pump-truck drill paused at its start, where keys leave the drill,
// as its own timeline numbers keyframes and commands (the numbers the title
// and `mirukado-render commands` give).
TEST_F(Session, KeysMoveThePlaybackToWhereTheirCommandsSay) {
  using Where = int (*)(const stage::DrillTimeline&);
  const struct {
    Keys keys;
    Where keyframe;
    std::string_view title_has;
  } cases[] = {
      {{"ArrowRight"}, [](const stage::DrillTimeline&) { return 1; }, "コマ 2/"},
      {{"ArrowRight", "ArrowLeft"}, [](const stage::DrillTimeline&) { return 0; }, "コマ 1/"},
      {Keys(10, "ArrowRight"), [](const stage::DrillTimeline&) { return 10; }, "コマ 11/"},
      {{"End"}, [](const stage::DrillTimeline& t) { return t.keyframes() - 1; }, ""},
      {{"End", "ArrowLeft", "ArrowLeft", "ArrowLeft"},
       [](const stage::DrillTimeline& t) { return t.keyframes() - 4; },
       ""},
      {{"End", "Home"}, [](const stage::DrillTimeline&) { return 0; }, "コマ 1/"},
      {{"ArrowDown"},
       [](const stage::DrillTimeline& t) { return first_keyframe(t, 0); },
       "号令 1 "},
      {{"ArrowDown", "ArrowDown"},
       [](const stage::DrillTimeline& t) { return first_keyframe(t, 1); },
       "号令 2 "},
      {{"ArrowDown", "ArrowDown", "ArrowUp"},
       [](const stage::DrillTimeline& t) { return first_keyframe(t, 0); },
       "号令 1 "},
      {{"g", "2", "8", "Backspace", "7", "Enter"},
       [](const stage::DrillTimeline& t) { return first_keyframe(t, 26); },
       "号令 27 "},
      // Escape gives the number up and stays, rather than quitting.
      {{"ArrowDown", "g", "5", "Escape"},
       [](const stage::DrillTimeline& t) { return first_keyframe(t, 0); },
       "号令 1 "},
  };
  for (const auto& c : cases) {
    const std::string keys = ::testing::PrintToString(c.keys);
    auto s = open(on("ponpu"));
    paused_at_start(*s);
    EXPECT_NE(press(*s, c.keys), CommandEffect::Quit) << keys;
    EXPECT_EQ(s->playback().keyframe(), c.keyframe(s->playback().timeline())) << keys;
    EXPECT_FALSE(s->playback().playing()) << keys;
    const std::string title = s->title();
    EXPECT_TRUE(has(title, "ポンプ車操法")) << keys << ": " << title;
    EXPECT_TRUE(has(title, c.title_has)) << keys << ": " << title;
  }
}

// Keys that play, change drill or speed, or open a card; a held key acts
// again only when its command repeats.
TEST_F(Session, KeysPlayChangeDrillAndSpeedAndOpenCards) {
  const struct {
    Keys keys;
    bool held;
    std::string_view drill;
    bool playing;
    stage::PlaySpeed speed;
    bool help;
    bool list;
    int keyframe;
  } cases[] = {
      {{" "}, false, "ponpu", true, stage::PlaySpeed::One, false, false, 0},
      {{"Tab"}, false, "kahan", false, stage::PlaySpeed::One, false, false, 0},
      {{"3"}, false, "ponpu", false, stage::PlaySpeed::Three, false, false, 0},
      {{"3", "1"}, false, "ponpu", false, stage::PlaySpeed::One, false, false, 0},
      {{"F1"}, false, "ponpu", false, stage::PlaySpeed::One, true, false, 0},
      {{"F1", "?"}, false, "ponpu", false, stage::PlaySpeed::One, false, false, 0},
      {{"c"}, false, "ponpu", false, stage::PlaySpeed::One, false, true, 0},
      {{"c", "c"}, true, "ponpu", false, stage::PlaySpeed::One, false, true, 0},
      {{"ArrowRight", "ArrowRight"}, true, "ponpu", false, stage::PlaySpeed::One, false, false, 2},
  };
  for (const auto& c : cases) {
    const std::string keys = ::testing::PrintToString(c.keys) + (c.held ? " held" : "");
    auto s = open(on("ponpu"));
    paused_at_start(*s);
    for (std::size_t i = 0; i < c.keys.size(); ++i) s->key(c.keys[i], c.held && i > 0);
    EXPECT_EQ(s->playback().drill(), drill_index(c.drill)) << keys;
    EXPECT_EQ(s->playback().playing(), c.playing) << keys;
    EXPECT_EQ(s->playback().speed(), c.speed) << keys;
    EXPECT_EQ(s->panels().help, c.help) << keys;
    EXPECT_EQ(s->panels().commands, c.list) << keys;
    EXPECT_EQ(s->playback().keyframe(), c.keyframe) << keys;
  }
  // Tab names the portable-pump drill in the title.
  auto s = open(on("ponpu"));
  press(*s, {"Tab"});
  EXPECT_TRUE(has(s->title(), "可搬ポンプ操法")) << s->title();
}

// Following member 3 of the portable-pump drill, . and , go to the first
// keyframes of its calls; following no one, they go nowhere.
TEST_F(Session, CallJumpsGoToTheFollowedPositionsCalls) {
  const struct {
    std::optional<int> role;
    Keys keys;
    std::optional<std::size_t> call;  // among member 3's; none: the drill's start
  } cases[] = {
      {3, {"."}, 0},
      {3, {".", "."}, 1},
      {3, {".", ".", ","}, 0},
      {3, {".", ".", ".", ","}, 1},
      {std::nullopt, {"."}, std::nullopt},
  };
  for (const auto& c : cases) {
    const std::string keys = ::testing::PrintToString(c.keys);
    viewer::ViewerStart start = on("kahan");
    start.role = c.role;
    auto s = open(start);
    paused_at_start(*s);
    const stage::DrillTimeline& t = s->playback().timeline();
    const std::vector<int> calls = calls_of(t, "３");
    ASSERT_GE(calls.size(), 3u);
    press(*s, c.keys);
    if (c.call) {
      const int command = calls[*c.call];
      EXPECT_EQ(s->playback().current_command(), command) << keys;
      EXPECT_EQ(s->playback().keyframe(), first_keyframe(t, static_cast<std::size_t>(command)))
          << keys;
    } else {
      EXPECT_EQ(s->playback().keyframe(), 0) << keys;
    }
  }
}

// Practising member 2 of the pump-truck drill, at the first call asked:
// whatever makes the picture anew there (a resize, the theme, the command
// list), the call stays hidden from the title and the command box until
// Space, the reveal leaves the drill where it stands and y goes on.
TEST_F(Session, ACallAskedStaysHiddenUntilSpaceThroughEveryRebuild) {
  const struct {
    std::string_view what;
    Keys keys;
    int width;
    int height;
  } cases[] = {
      {"a rebuild", {}, kWidth, kHeight},
      {"upright", {}, kHeight, kWidth},
      {"the theme", {"t"}, kWidth, kHeight},
      {"the command list", {"c"}, kWidth, kHeight},
  };
  for (const auto& c : cases) {
    viewer::ViewerStart start = on("ponpu");
    start.role = 2;
    start.practice = true;
    auto s = open(start);
    const auto practice = [&] { return s->learner().practice.get(); };
    for (int item = 0; item < kMaxItemsBeforeACall; ++item) {
      ASSERT_TRUE(play_until(*s, viewer::PracticeState::Prompt)) << c.what;
      if (practice()->prompt() == viewer::kCallPrompt) break;
      press(*s, {"y"});  // a move asked: known, on to the next item
    }
    ASSERT_EQ(practice()->prompt(), viewer::kCallPrompt) << c.what;
    const std::string answer(practice()->answer_caption());
    EXPECT_TRUE(has(answer, "２番員")) << answer;
    const int keyframe = s->playback().keyframe();
    const auto hidden = [&] {
      return !has(s->title(), answer) && !has(s->overlay().command, answer);
    };
    EXPECT_TRUE(hidden()) << c.what << ": " << s->title();

    press(*s, c.keys);
    s->rebuild(c.width, c.height);
    ASSERT_TRUE(practice()) << c.what;
    EXPECT_EQ(practice()->state(), viewer::PracticeState::Prompt) << c.what;
    EXPECT_TRUE(hidden()) << c.what << ": " << s->title();
    EXPECT_TRUE(has(s->title(), viewer::kCallPrompt)) << c.what << ": " << s->title();

    press(*s, {" "});
    const std::string revealed = s->title();
    EXPECT_TRUE(has(revealed, "答え " + answer)) << c.what << ": " << revealed;
    EXPECT_EQ(s->playback().keyframe(), keyframe) << c.what;
    press(*s, c.keys);
    s->rebuild(kWidth, kHeight);
    EXPECT_EQ(s->title(), revealed) << c.what;

    press(*s, {"y"});
    ASSERT_TRUE(play_until(*s, viewer::PracticeState::Prompt)) << c.what;
    EXPECT_GE(s->playback().keyframe(), keyframe) << c.what;
    EXPECT_FALSE(has(s->title(), "答え")) << c.what << ": " << s->title();
  }
}

// Member 3 of the portable-pump drill practised from its start, the first
// item marked and the drill sent to its end: the score says so and is kept,
// and y there asks a missed item again where it was first asked, a rebuild
// keeping that prompt.
TEST_F(Session, APracticeCutShortIsScoredAndAMissedItemAskedAgain) {
  const struct {
    std::string_view mark;
    std::string_view score;
    bool asked_again;
  } cases[] = {
      {"n", "覚えていた 0/1", true},
      {"y", "覚えていた 1/1", false},
  };
  for (const auto& c : cases) {
    viewer::ViewerStart start = on("kahan");
    start.role = 3;
    auto s = open(start);
    paused_at_start(*s);
    press(*s, {"p"});
    ASSERT_TRUE(play_until(*s, viewer::PracticeState::Prompt)) << c.mark;
    const int first = s->playback().keyframe();
    press(*s, {c.mark, "End"});
    ASSERT_TRUE(play_until(*s, viewer::PracticeState::Finished)) << c.mark;
    EXPECT_TRUE(has(s->title(), c.score)) << c.mark << ": " << s->title();
    EXPECT_EQ(record("kahan"), "kahan 3 3=" + std::string(c.score.substr(c.score.find(' ') + 1)));

    press(*s, {"y"});
    if (!c.asked_again) {
      EXPECT_EQ(s->learner().practice->state(), viewer::PracticeState::Finished);
      continue;
    }
    ASSERT_TRUE(play_until(*s, viewer::PracticeState::Prompt));
    const std::string asked = s->title();
    EXPECT_TRUE(has(asked, "練習 1 / 1 ")) << asked;
    EXPECT_EQ(s->playback().keyframe(), first);
    s->rebuild(kHeight, kWidth);
    EXPECT_EQ(s->title(), asked);
  }
}

// The wheel over the command list scrolls it three rows a notch (turned away
// from the user: earlier commands) and leaves the drill where it is; over the
// drill it does nothing; a new command brings the list back to it.
TEST_F(Session, TheWheelScrollsTheCommandListOnlyOverIt) {
  constexpr int kCommandsDown = 25;  // the list's middle, far from either end
  const struct {
    bool over_list;
    std::vector<int> notches;
    int rows_moved;
  } cases[] = {
      {true, {-1}, 3}, {true, {-2}, 6}, {true, {1}, -3}, {true, {-1, 1}, 0}, {false, {-1}, 0},
  };
  for (const auto& c : cases) {
    const std::string turns = ::testing::PrintToString(c.notches);
    auto s = open(on("ponpu"));
    paused_at_start(*s);
    press(*s, {"c"});
    press(*s, Keys(kCommandsDown, "ArrowDown"));
    s->rebuild(kWidth, kHeight);
    const viewer::OverlayView before = s->overlay();
    ASSERT_TRUE(before.panel);
    ASSERT_FALSE(before.rows.empty());
    const stage::PixelRect at = c.over_list ? *before.panel : before.stage_area;
    const int keyframe = s->playback().keyframe();
    for (const int n : c.notches)
      EXPECT_EQ(s->scroll_list(at.x + at.w / 2, at.y + at.h / 2, n), c.over_list) << turns;
    const viewer::OverlayView after = s->overlay();
    ASSERT_FALSE(after.rows.empty());
    EXPECT_EQ(after.rows.front().command, before.rows.front().command + c.rows_moved) << turns;
    EXPECT_EQ(s->playback().keyframe(), keyframe) << turns;

    press(*s, {"ArrowDown"});
    EXPECT_EQ(s->overlay().list_scroll, 0) << turns;
  }
}

// What a rebuild draws for the teaching picture's theme, card and shape: the
// ground black or white, the drill fitted beside an open command list, lying
// in a wide window and turned up an upright one; the key again gives the
// picture back as it was.
TEST_F(Session, ARebuildDrawsTheThemeTheCardAndTheShapeAndGivesThemBack) {
  struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
  };
  // The box around what is not ground in the stage's area, and the ground.
  const auto ink = [&](const viewer::ViewerSession& s, std::uint32_t* ground) {
    const stage::PixelRect a = teaching_stage_area(s.request());
    const raster::Image picture = window->surface();
    *ground = picture.at(a.x, a.y + a.h / 2);
    Ink box;
    for (int y = a.y; y < a.y + a.h; ++y)
      for (int x = a.x; x < a.x + a.w; ++x)
        if (picture.at(x, y) != *ground) {
          box.left = std::min(box.left, x);
          box.top = std::min(box.top, y);
          box.right = std::max(box.right, x);
          box.bottom = std::max(box.bottom, y);
        }
    return box;
  };
  const std::uint32_t black = raster::pack(stage::colors::black);
  constexpr int kEdgeSlack = 2;  // pixels
  const struct {
    stage::Theme theme;
    Keys keys;
    int width;
    int height;
    bool light;
    bool narrower;  // than the drill with no card open
    bool upright;
  } cases[] = {
      {stage::Theme::Dark, {}, kWidth, kHeight, false, false, false},
      {stage::Theme::Light, {}, kWidth, kHeight, true, false, false},
      {stage::Theme::Dark, {"t"}, kWidth, kHeight, true, false, false},
      {stage::Theme::Light, {"t"}, kWidth, kHeight, false, false, false},
      {stage::Theme::Dark, {"c"}, kWidth, kHeight, false, true, false},
      {stage::Theme::Dark, {}, kHeight, kWidth, false, false, true},
  };
  for (const auto& c : cases) {
    const std::string keys = ::testing::PrintToString(c.keys) + " " + std::to_string(c.width);
    viewer::ViewerStart start = on("ponpu");
    start.theme = c.theme;
    auto s = open(start);
    paused_at_start(*s);
    // Half way through, the hoses run the drill's whole length.
    s->run(viewer::ViewerCommand::SeekTime, s->playback().timeline().total_ms() / 2);
    std::uint32_t ground = 0;
    const Ink closed = ink(*s, &ground);
    const std::vector<std::uint32_t> first = window->surface().pixels;

    press(*s, c.keys);
    s->rebuild(c.width, c.height);
    const Ink drill = ink(*s, &ground);
    EXPECT_EQ(ground != black, c.light) << keys;
    EXPECT_EQ(drill.height() * 10 < closed.height() * 9, c.narrower) << keys;
    // Shrunk beside the list, the drill keeps to the left rather than moving right.
    if (c.narrower) {
      EXPECT_LE(drill.left, closed.left + kEdgeSlack) << keys;
    }
    EXPECT_EQ(drill.height() > drill.width(), c.upright) << keys;

    press(*s, c.keys);
    s->rebuild(kWidth, kHeight);
    EXPECT_EQ(window->surface().pixels, first) << keys;
  }

  // The saver's picture has no theme to switch: t leaves what is painted as it was.
  viewer::ViewerStart saver = on("ponpu");
  saver.teaching = false;
  auto s = open(saver);
  paused_at_start(*s);
  const std::vector<std::uint32_t> stage_pixels = window->surface().pixels;
  const std::vector<stage::DisplayItem> painted = s->display(s->figures(), s->overlay()).items;
  press(*s, {"t"});
  EXPECT_FALSE(s->layout_due(kWidth, kHeight));
  EXPECT_EQ(window->surface().pixels, stage_pixels);
  EXPECT_EQ(s->display(s->figures(), s->overlay()).items, painted);
}

}  // namespace
