// The desktop viewers' shared session: keys to the state, the title and the
// progress records, the drill's remembered position followed, practice kept
// across a rebuild and its score remembered, and when a new layout is due.

#include <gtest/gtest.h>

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

}  // namespace
