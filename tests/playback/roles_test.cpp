// Learning one position: who says each caption, a position's calls, answers
// and moves, the figures and trail that follow it, the narrowed command list,
// practice that stops once before each item, and the remembered progress.

#include "viewer/roles.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/teaching.hpp"
#include "viewer/command_table.hpp"
#include "viewer/overlay.hpp"
#include "viewer/practice.hpp"
#include "viewer/progress.hpp"

namespace {

using viewer::PracticeItemKind;
using viewer::PracticeState;
using Set = std::vector<int>;

stage::PlaybackPlace paused_in(int drill) {
  stage::PlaybackPlace p;
  p.drill = drill;
  p.playing = false;
  return p;
}

int drill_index(std::string_view name) { return drills::find(drills::registry(), name); }

struct PumpTruck : ::testing::Test {
  raster::RasterWindow window{320, 180};
  stage::DrillList drills = drills::registry();
  stage::Playback playback{window, drills, paused_in(drill_index("ponpu"))};
  const stage::DrillTimeline& timeline() const { return playback.timeline(); }
  const stage::FrameTable& table() const { return playback.stage().table(playback.drill()); }
};

// Read off `mirukado-render commands ponpu`, one set per command in order.
TEST_F(PumpTruck, EachCommandHasTheSpeakersItsCaptionNames) {
  const std::vector<Set> expected{{0},    {1}, {0}, {1}, {2}, {3}, {4}, {0},          {0}, {0}, {4},
                                  {0},    {4}, {4}, {3}, {1}, {2}, {2}, {4},          {2}, {0}, {1},
                                  {2, 3}, {2}, {4}, {2}, {3}, {3}, {4}, {3},          {0}, {1}, {2},
                                  {3},    {3}, {4}, {3}, {1}, {2}, {0}, {1, 2, 3, 4}, {1}, {0}, {1},
                                  {0},    {2}, {0}, {3}, {0}, {4}, {0}, {0},          {0}};
  ASSERT_EQ(timeline().commands().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(viewer::speakers(timeline().commands()[i].text), expected[i])
        << i << " " << timeline().commands()[i].text;
}

TEST(Speakers, AnyTextIsSafeAndNamesOnlyWhomItNames) {
  const struct {
    std::string text;
    Set expected;
  } cases[] = {
      {"", {}},
      {"　", {}},
      {"「よし」", {}},
      {"番員「よし」", {}},
      {"２，３番員「よし」", {2, 3}},
      {"3,1番員「よし」", {1, 3}},
      {"１２３４番員「よし」", {}},  // no member has such a number
      {"２番員「a」、指揮者「b」", {0, 2}},
      {"２番員「unclosed", {2}},
      {"班長「よし」", {}},
      {"なおれ", {0}},  // a plain order: the commander's
      {"１２", {12}},   // a bare number: that member counting off
      {"０", {}},
      {"はい", {}},
      {"満", {}},
      {"\xEF\xBC", {0}},  // a cut-off character is still plain text
      {std::string("\xE3\x80\x8C\xE3\x80", 5), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(viewer::speakers(c.text), c.expected) << c.text;
}

TEST_F(PumpTruck, AMembersPartListsItsCallsTheCommandsItAnswersAndItsMoves) {
  const viewer::RolePart part = viewer::role_part(table(), timeline(), 4);
  EXPECT_EQ(part.calls, (Set{6, 10, 12, 13, 18, 24, 28, 35, 40, 49}));
  // Each call's command before it, unless that was its own (12 before 13).
  EXPECT_EQ(part.answers, (Set{5, 9, 11, 17, 23, 27, 34, 39, 48}));
  ASSERT_FALSE(part.moves.empty());
  int after = 0;  // a move starts after the keyframe the last one ended on
  for (const viewer::RoleMove& m : part.moves) {
    EXPECT_GT(m.first_keyframe, after);
    EXPECT_LE(m.first_keyframe, m.last_keyframe);
    EXPECT_EQ(m.from, table()[m.first_keyframe - 1].persons(4));
    EXPECT_EQ(m.to, table()[m.last_keyframe].persons(4));
    for (int k = m.first_keyframe; k <= m.last_keyframe; ++k) {
      const stage::PersonSlot& a = table()[k - 1].persons(4);
      const stage::PersonSlot& b = table()[k].persons(4);
      EXPECT_TRUE(a.x != b.x || a.y != b.y) << "keyframe " << k << " is no step of the move";
    }
    after = m.last_keyframe + 1;
  }
  // Between moves it stands still.
  for (std::size_t i = 1; i < part.moves.size(); ++i)
    for (int k = part.moves[i - 1].last_keyframe + 1; k < part.moves[i].first_keyframe; ++k)
      EXPECT_EQ(table()[k].persons(4).x, table()[k - 1].persons(4).x);
  EXPECT_EQ(part.start, table()[0].persons(4));
  EXPECT_EQ(part.end, table()[timeline().keyframes() - 1].persons(4));
  EXPECT_THROW(viewer::role_part(table(), timeline(), table().person_count()), std::out_of_range);
}

TEST(PlatoonCount, TheCountsCloseIsTheMemberAfterTheLastNumber) {
  raster::RasterWindow window{320, 180};
  const stage::DrillList drills = drills::registry();
  stage::Playback playback{window, drills, paused_in(drill_index("kiritu"))};
  const auto& commands = playback.timeline().commands();
  const viewer::RolePart tenth = viewer::role_calls(playback.timeline(), 10);
  ASSERT_FALSE(tenth.calls.empty());
  for (const int c : tenth.calls)
    EXPECT_TRUE(commands[static_cast<std::size_t>(c)].text == "満" ||
                commands[static_cast<std::size_t>(c)].text == "１０")
        << commands[static_cast<std::size_t>(c)].text;
}

TEST_F(PumpTruck, TheMineOnlyListShowsTheCallsAndAnswersAndJumpsFindTheCalls) {
  viewer::OverlayRequest r{1280, 720, 20, false, true};
  r.teaching = true;
  r.position = 4;
  r.mine_only = true;
  const viewer::OverlayView v = viewer::overlay_view(playback, r);
  EXPECT_EQ(v.position_name, "４番員");
  ASSERT_FALSE(v.rows.empty());
  const viewer::RolePart part = viewer::role_calls(timeline(), 4);
  for (const viewer::CommandRow& row : v.rows) {
    EXPECT_TRUE(part.lists(row.command)) << row.command;
    EXPECT_EQ(row.mine, part.speaks(row.command));
  }
  r.mine_only = false;
  EXPECT_GT(viewer::overlay_view(playback, r).rows.size(), v.rows.size());

  viewer::ViewerPanels panels;
  viewer::Learner learner;
  learner.position = 4;
  auto run = [&](viewer::ViewerCommand c) {
    return viewer::apply(c, 0, playback, panels, learner);
  };
  EXPECT_EQ(run(viewer::ViewerCommand::NextCall), viewer::CommandEffect::Playback);
  EXPECT_EQ(playback.keyframe(), timeline().commands()[6].first_keyframe);
  run(viewer::ViewerCommand::NextCall);
  EXPECT_EQ(playback.keyframe(), timeline().commands()[10].first_keyframe);
  run(viewer::ViewerCommand::PreviousCall);
  EXPECT_EQ(playback.keyframe(), timeline().commands()[6].first_keyframe);
  EXPECT_EQ(run(viewer::ViewerCommand::PreviousCall), viewer::CommandEffect::Nothing);
  // The cycle: members 4 -> none -> commander.
  run(viewer::ViewerCommand::CyclePosition);
  EXPECT_EQ(learner.position, std::nullopt);
  EXPECT_EQ(run(viewer::ViewerCommand::NextCall), viewer::CommandEffect::Nothing);
  run(viewer::ViewerCommand::CyclePosition);
  EXPECT_EQ(learner.position, 0);
  // A host without a learner leaves these commands alone, and its help card
  // does not offer them.
  EXPECT_EQ(viewer::apply(viewer::ViewerCommand::CyclePosition, 0, playback, panels),
            viewer::CommandEffect::Nothing);
  auto offers_r = [](std::span<const viewer::HelpLine> card) {
    return std::any_of(card.begin(), card.end(),
                       [](const viewer::HelpLine& l) { return l.keys == "r"; });
  };
  EXPECT_FALSE(offers_r(viewer::help_lines()));
  EXPECT_TRUE(offers_r(viewer::help_lines(true, true)));
  EXPECT_TRUE(offers_r(viewer::help_lines(false, true)));
}

TEST_F(PumpTruck, FollowingHighlightsTheChosenFigureAndItsTrailEndsOnIt) {
  raster::RasterWindow device{640, 360};
  stage::TeachingWindow teaching{device, drills, stage::Theme::Light, {0, 0, 640, 360}};
  stage::Playback p{teaching, drills, paused_in(drill_index("ponpu"))};
  // The end of member 4's first move, which shows where it came from.
  const viewer::RoleMove move = viewer::role_part(table(), timeline(), 4).moves.front();
  p.seek_keyframe(move.last_keyframe);
  for (const stage::Figure& f : teaching.figures()) EXPECT_FALSE(f.highlighted || f.muted);
  EXPECT_TRUE(teaching.trail(table(), p.keyframe()).empty());

  teaching.choose(4);
  int highlighted = 0;
  stage::Figure chosen;
  for (const stage::Figure& f : teaching.figures()) {
    EXPECT_EQ(f.highlighted, f.position == 4);
    EXPECT_EQ(f.muted, f.position != 4);
    if (f.highlighted) chosen = f, ++highlighted;
  }
  ASSERT_EQ(highlighted, 1);
  const std::vector<stage::TrailPoint> trail = teaching.trail(table(), p.keyframe());
  ASSERT_GE(trail.size(), 2u);
  EXPECT_NEAR(trail.back().at.x, chosen.x, 0.01);
  EXPECT_NEAR(trail.back().at.y, chosen.y, 0.01);
  EXPECT_EQ(trail.back().age, 0.0f);
  for (std::size_t i = 1; i < trail.size(); ++i) EXPECT_LT(trail[i].age, trail[i - 1].age);
  EXPECT_LE(trail.front().age, 1.0f);
  // The scene's path passes through where it is now.
  const auto path = teaching.scene_path(table(), timeline(), p.keyframe());
  EXPECT_NE(std::find(path.begin(), path.end(), trail.back().at), path.end());

  teaching.choose(2);  // drawn last, above the others
  EXPECT_EQ(teaching.figures().back().position, 2);
  EXPECT_TRUE(teaching.figures().back().highlighted);
  teaching.choose(20);  // no such member in this drill: no one muted
  for (const stage::Figure& f : teaching.figures()) EXPECT_FALSE(f.highlighted || f.muted);
}

// Plays a session through with virtual time, answering as `knows` says;
// returns the items asked, in order, checking each prompt stands just
// before its item.
std::vector<viewer::PracticeItem> practise(viewer::PracticeSession& s, stage::Playback& p,
                                           const std::vector<bool>& knows) {
  std::vector<viewer::PracticeItem> asked;
  std::int64_t now = 0;
  for (int guard = 0; guard < 10000 && s.state() != PracticeState::Finished; ++guard) {
    if (s.state() == PracticeState::Playing) {
      now += 100000;
      s.advance(now);
      continue;
    }
    EXPECT_EQ(s.state(), PracticeState::Prompt);
    const viewer::PracticeItem item = *s.current();
    EXPECT_FALSE(p.playing());
    EXPECT_TRUE(item.keyframe == p.keyframe() + 1 || item.keyframe <= p.keyframe())
        << "asked at " << p.keyframe() << " for keyframe " << item.keyframe;
    if (item.kind == PracticeItemKind::Call) {
      EXPECT_EQ(s.prompt(), viewer::kCallPrompt);
      EXPECT_TRUE(s.answer_caption() ==
                  p.timeline().commands()[static_cast<std::size_t>(item.index)].text);
    } else {
      EXPECT_EQ(s.prompt(), viewer::kMovePrompt);
      EXPECT_EQ(s.destination(), std::nullopt);
    }
    s.reveal();
    EXPECT_EQ(s.state(), PracticeState::Revealed);
    if (item.kind == PracticeItemKind::Move) {
      EXPECT_EQ(s.destination(), s.part().moves[static_cast<std::size_t>(item.index)].to);
      now += 100000;
      s.advance(now);  // the move plays on to its end (or the next item)
    }
    asked.push_back(item);
    s.mark(knows[(asked.size() - 1) % knows.size()]);
  }
  return asked;
}

TEST_F(PumpTruck, PracticeAsksEachCallAndMoveOnceAndRetriesOnlyTheMissed) {
  viewer::PracticeSession session{playback, 2};
  const viewer::RolePart part = viewer::role_part(table(), timeline(), 2);
  const auto items = viewer::practice_items(part, timeline());
  ASSERT_EQ(items.size(), part.calls.size() + part.moves.size());
  const std::vector<viewer::PracticeItem> asked = practise(session, playback, {true, true, false});
  EXPECT_EQ(asked, items);
  const int n = static_cast<int>(items.size());
  EXPECT_EQ(session.score(), (viewer::Score{n - n / 3, n}));
  std::vector<viewer::PracticeItem> missed;
  for (int i = 2; i < n; i += 3) missed.push_back(items[static_cast<std::size_t>(i)]);
  EXPECT_EQ(session.missed(), missed);

  session.retry_missed();
  EXPECT_EQ(practise(session, playback, {true}), missed);
  EXPECT_EQ(session.score(),
            (viewer::Score{static_cast<int>(missed.size()), static_cast<int>(missed.size())}));
  EXPECT_TRUE(session.missed().empty());
}

// A resized window or another theme makes a new playback at the old one's
// place: the session handed to it asks the same items, once each, and keeps
// its score, whether it was playing towards an item, prompting or revealed.
TEST_F(PumpTruck, PracticeGoesOnOverANewPlaybackAtEveryStep) {
  const auto items = viewer::practice_items(viewer::role_part(table(), timeline(), 2), timeline());
  raster::RasterWindow other_window{180, 320};
  std::vector<std::unique_ptr<stage::Playback>> made;
  stage::Playback* p = &playback;
  viewer::PracticeSession s{playback, 2};
  const auto renew = [&] {
    made.push_back(std::make_unique<stage::Playback>(other_window, drills, p->place()));
    p = made.back().get();
    ASSERT_TRUE(s.rebind(*p));
  };
  std::vector<viewer::PracticeItem> asked;
  std::int64_t now = 0;
  for (int guard = 0; guard < 10000 && s.state() != PracticeState::Finished; ++guard) {
    renew();
    if (s.state() == PracticeState::Playing) {
      s.advance(now += 100000);
      continue;
    }
    ASSERT_EQ(s.state(), PracticeState::Prompt);
    EXPECT_FALSE(p->playing());
    const viewer::PracticeItem item = *s.current();
    EXPECT_TRUE(item.keyframe == p->keyframe() + 1 || item.keyframe <= p->keyframe());
    s.reveal();
    renew();
    EXPECT_EQ(s.state(), PracticeState::Revealed);
    if (item.kind == PracticeItemKind::Move) {
      s.advance(now += 100000);
      renew();
      // The move plays to its end but never into the next item.
      const std::size_t i = asked.size() + 1;
      if (i < items.size()) {
        EXPECT_LT(p->keyframe(), items[i].keyframe);
      }
    }
    asked.push_back(item);
    s.mark(asked.size() % 2 == 0);
  }
  EXPECT_EQ(asked, items);
  const int n = static_cast<int>(items.size());
  EXPECT_EQ(s.score(), (viewer::Score{n / 2, n}));
  EXPECT_FALSE(p->stop().has_value());

  // A playback of another drill cannot carry these items.
  stage::Playback kahan{other_window, drills, paused_in(drill_index("kahan"))};
  EXPECT_FALSE(s.rebind(kahan));
}

// A prompt stands at the very end of the keyframe before its item, a time that
// is also the item's start: the playback made anew there (a resize, a theme, a
// card) must stand where the old one stood, or its picture and the title
// would show what is asked before Space.
TEST_F(PumpTruck, APlaybackMadeAnewAtAPromptStandsWhereTheOldOneStood) {
  raster::RasterWindow other_window{180, 320};
  std::vector<std::unique_ptr<stage::Playback>> made;
  stage::Playback* p = &playback;
  viewer::PracticeSession s{playback, 2};
  std::int64_t now = 0;
  int prompts = 0;
  for (int guard = 0; guard < 10000 && s.state() != PracticeState::Finished; ++guard) {
    if (s.state() == PracticeState::Playing) {
      s.advance(now += 100000);
      continue;
    }
    const int keyframe = p->keyframe();
    const int command = p->current_command();
    made.push_back(std::make_unique<stage::Playback>(other_window, drills, p->place()));
    p = made.back().get();
    ASSERT_TRUE(s.rebind(*p));
    EXPECT_EQ(p->keyframe(), keyframe) << "asking for keyframe " << s.current()->keyframe;
    EXPECT_EQ(p->current_command(), command);
    ++prompts;
    s.mark(true);
  }
  EXPECT_EQ(prompts, static_cast<int>(s.items().size()));
}

// Leaving a session by any way — practice off, another position — lifts the
// stop it set, so that playing on does not halt before an item no one asks.
TEST_F(PumpTruck, EndingPracticeLiftsItsStop) {
  for (const viewer::ViewerCommand leave :
       {viewer::ViewerCommand::Practice, viewer::ViewerCommand::CyclePosition}) {
    viewer::ViewerPanels panels;
    viewer::Learner learner;
    learner.position = 2;
    playback.go_to_start();
    viewer::apply(viewer::ViewerCommand::Practice, 0, playback, panels, learner);
    ASSERT_EQ(learner.practice->state(), PracticeState::Playing);
    ASSERT_TRUE(playback.stop().has_value());
    viewer::apply(leave, 0, playback, panels, learner);
    EXPECT_FALSE(learner.practice);
    EXPECT_FALSE(playback.stop().has_value()) << viewer::viewer_command_row(leave).id;
  }
}

TEST_F(PumpTruck, APracticePromptHidesTheComingCallAndTheScoreScreenShowsTheLastScore) {
  viewer::ViewerPanels panels;
  viewer::Learner learner;
  learner.position = 1;
  viewer::apply(viewer::ViewerCommand::Practice, 0, playback, panels, learner);
  ASSERT_TRUE(learner.practice);
  viewer::PracticeSession& s = *learner.practice;
  // Its moves before its first call are known.
  int moves = 0;
  for (std::int64_t now = 100000;
       s.state() == PracticeState::Playing || s.current()->kind == PracticeItemKind::Move;
       now += 100000) {
    if (s.state() != PracticeState::Playing) s.mark(true), ++moves;
    s.advance(now);
  }
  ASSERT_EQ(s.state(), PracticeState::Prompt);
  viewer::OverlayRequest r{1280, 720, 20, false, true};
  r.teaching = true;
  r.position = 1;
  r.practice = &s;
  r.previous_score = viewer::Score{7, 9};
  viewer::OverlayView v = viewer::overlay_view(playback, r);
  ASSERT_TRUE(v.practice);
  const std::string call(timeline().commands()[1].text);  // １番員「よし」
  EXPECT_EQ(v.practice->prompt, viewer::kCallPrompt);
  EXPECT_NE(v.command, call);
  EXPECT_TRUE(v.practice->answer.empty());
  for (const viewer::CommandRow& row : v.rows)
    if (row.mine) {
      const std::string_view text =
          timeline().commands()[static_cast<std::size_t>(row.command)].text;
      EXPECT_EQ(row.text.find(text), std::string::npos) << row.text;
    }
  // Space reveals; y marks it known.
  viewer::apply(viewer::ViewerCommand::TogglePlay, 0, playback, panels, learner);
  v = viewer::overlay_view(playback, r);
  EXPECT_EQ(v.practice->answer, call);
  EXPECT_EQ(viewer::apply(viewer::ViewerCommand::Known, 0, playback, panels, learner),
            viewer::CommandEffect::Playback);
  EXPECT_EQ(s.score(), (viewer::Score{moves + 1, moves + 1}));
  for (std::int64_t now = 1000000; s.state() != PracticeState::Finished; now += 100000) {
    s.advance(now);
    if (s.state() == PracticeState::Prompt) s.mark(false);
  }
  v = viewer::overlay_view(playback, r);
  ASSERT_TRUE(v.practice->score_box);
  EXPECT_NE(std::find(v.practice->score_lines.begin(), v.practice->score_lines.end(), "前回 7/9"),
            v.practice->score_lines.end());
  EXPECT_EQ(v.practice->score_lines.size(), 4 + s.missed().size());
  viewer::apply(viewer::ViewerCommand::Practice, 0, playback, panels, learner);
  EXPECT_FALSE(learner.practice);
}

TEST(Progress, SavedAndReadBack) {
  viewer::LearnerProgress p;
  p.drills["ponpu"] = {2, {{0, {3, 5}}, {2, {7, 9}}}};
  p.drills["kiritu"] = {std::nullopt, {{17, {0, 4}}}};
  p.drills["kahan"] = {};
  p.unread = {"kiritu 25 1=1/1"};
  const std::string text = viewer::serialise_progress(p);
  EXPECT_EQ(viewer::read_progress(text).progress, p);
  EXPECT_EQ(viewer::read_progress("mirukado-progress 1\r\nponpu 2 2=7/9\r\n")
                .progress.drills["ponpu"]
                .scores[2],
            (viewer::Score{7, 9}));
}

// A line that cannot be read is kept as it is and the others are read; only
// a file that is not progress at all, or a later version's, is read as such.
TEST(Progress, EachLineIsReadOnItsOwn) {
  using State = viewer::ReadProgress::State;
  const struct {
    std::string_view text;
    State state;
    std::vector<std::string> unread;  // kahan 1 is read wherever the state is Read
  } cases[] = {
      {"mirukado-progress 2\n", State::Newer, {}},
      {"mirukado-progress 12\nwhatever\n", State::Newer, {}},
      {"mirukado-progress 01\n", State::Damaged, {}},
      {"ponpu 2\n", State::Damaged, {}},
      {"mirukado-progress 1\nponpu\nkahan 1\n", State::Read, {"ponpu"}},
      {"mirukado-progress 1\nponpu x\nkahan 1\n", State::Read, {"ponpu x"}},
      {"mirukado-progress 1\nponpu 21\nkahan 1\n", State::Read, {"ponpu 21"}},
      {"mirukado-progress 1\nkahan 1\nponpu 2 2=9/7\n", State::Read, {"ponpu 2 2=9/7"}},
      {"mirukado-progress 1\nponpu 2 2=7\nkahan 1\n", State::Read, {"ponpu 2 2=7"}},
      {"mirukado-progress 1\nponpu 2 2=-1/9\nkahan 1\n", State::Read, {"ponpu 2 2=-1/9"}},
      {"mirukado-progress 1\nponpu 2 2=7/999999\nkahan 1\n", State::Read, {"ponpu 2 2=7/999999"}},
      {"mirukado-progress 1\nponpu 2 2=1/2 2=1/2\nkahan 1\n", State::Read, {"ponpu 2 2=1/2 2=1/2"}},
      {"mirukado-progress 1\nkahan 1\nkahan 2\n", State::Read, {"kahan 2"}},
      {"mirukado-progress 1\nPonpu 2\nkahan 1\n", State::Read, {"Ponpu 2"}},
      {"mirukado-progress 1\nponpu  2\n\nkahan 1\n", State::Read, {"ponpu  2"}},
      {std::string_view("mirukado-progress 1\nkahan 1\nponpu 2\0\n", 37),
       State::Read,
       {std::string("ponpu 2\0", 8)}},
  };
  for (const auto& c : cases) {
    const viewer::ReadProgress read = viewer::read_progress(c.text);
    EXPECT_EQ(read.state, c.state) << c.text;
    if (c.state != State::Read) continue;
    EXPECT_EQ(read.progress.unread, c.unread) << c.text;
    EXPECT_EQ(read.progress.drills.size(), 1u) << c.text;
    EXPECT_EQ(read.progress.drills.at("kahan").chosen, 1) << c.text;
  }
}

}  // namespace

// What a viewer writes as it runs, into a store in memory: the text each
// time it is written, and what was set aside.
struct KeptProgress : PumpTruck, host::KeptStore {
  std::optional<std::string> text;
  std::vector<std::string> written;
  std::vector<std::string> aside;
  bool fail = false;

  host::StoredText read() override {
    return text ? host::StoredText{host::StoredText::State::Text, *text} : host::StoredText{};
  }
  bool update(const std::function<host::StoreChange(const host::StoredText&)>& change) override {
    if (fail) return false;
    const host::StoreChange c = change(read());
    if (c.kind == host::StoreChange::Kind::Leave) return true;
    if (c.kind == host::StoreChange::Kind::SetAsideWrite) aside.push_back(*text);
    written.push_back(c.text);
    text = c.text;
    return true;
  }
  std::string error() const override { return {}; }
  std::string set_aside_name() const override { return "viewer-progress.bad"; }

  viewer::ProgressKeeper keeper(std::optional<std::string_view> file) {
    text = file ? std::optional<std::string>(*file) : std::nullopt;
    written.clear();
    return viewer::ProgressKeeper(this);
  }
};

TEST_F(KeptProgress, ADamagedFileIsSetAsideAtOnceAndAGoodOneReadAsItIs) {
  const struct {
    std::optional<std::string_view> file;
    std::vector<std::string> written;  // at start
    std::optional<int> chosen;         // for ponpu, of its 5 positions
  } cases[] = {
      {std::nullopt, {}, std::nullopt},
      {"", {}, std::nullopt},
      {"notes\n", {"mirukado-progress 1\n"}, std::nullopt},
      {"mirukado-progress 1\nponpu two\n", {}, std::nullopt},
      {"mirukado-progress 1\nponpu 2 2=7/9\n", {}, 2},
      {"mirukado-progress 1\nponpu 7\n", {}, std::nullopt},  // a position the drill lacks
  };
  for (const auto& c : cases) {
    aside.clear();
    const viewer::ProgressKeeper k = keeper(c.file);
    EXPECT_EQ(written, c.written) << c.file.value_or("(none)");
    EXPECT_EQ(aside.size(), c.written.size()) << c.file.value_or("(none)");
    EXPECT_EQ(k.chosen("ponpu", 5), c.chosen) << c.file.value_or("(none)");
  }
}

// Another viewer's change made meanwhile is kept, and a change that could not
// be written goes with the next one, the learner told meanwhile.
TEST_F(KeptProgress, ChangesAreMergedIntoTheFileAsItIsNow) {
  viewer::ProgressKeeper k = keeper("mirukado-progress 1\nponpu 2 2=7/9\n");
  text = "mirukado-progress 1\nkahan 3 3=21/21\nponpu 2 2=7/9 4=1/1\n";  // another viewer
  k.choose("ponpu", 1);
  EXPECT_EQ(*text, "mirukado-progress 1\nkahan 3 3=21/21\nponpu 1 2=7/9 4=1/1\n");
  EXPECT_EQ(k.chosen("kahan", 5), 3);  // read with it
  fail = true;
  k.choose("kiritu", 4);
  EXPECT_NE(k.notice(), "");
  EXPECT_EQ(k.chosen("kiritu", 21), 4);  // remembered in memory meanwhile
  fail = false;
  k.choose("ponpu", 0);
  EXPECT_EQ(*text, "mirukado-progress 1\nkahan 3 3=21/21\nkiritu 4\nponpu 0 2=7/9 4=1/1\n");
  EXPECT_EQ(k.notice(), "");
  // A newer viewer's file appearing meanwhile is left to it.
  text = "mirukado-progress 3\n";
  k.choose("ponpu", 2);
  EXPECT_EQ(*text, "mirukado-progress 3\n");
  EXPECT_NE(k.notice(), "");
}

TEST_F(KeptProgress, AChoiceIsWrittenOnlyWhenItChanges) {
  viewer::ProgressKeeper k = keeper(std::nullopt);
  k.choose("ponpu", std::nullopt);  // never followed: nothing to say
  k.choose("ponpu", 2);
  k.choose("ponpu", 2);
  k.choose("kiritu", 0);
  k.choose("ponpu", std::nullopt);
  EXPECT_EQ(written, (std::vector<std::string>{
                         "mirukado-progress 1\nponpu 2\n",
                         "mirukado-progress 1\nkiritu 0\nponpu 2\n",
                         "mirukado-progress 1\nkiritu 0\nponpu -\n",
                     }));
}

// What an earlier store kept goes where the record has nothing, and is
// reported carried only once it is stored.
TEST_F(KeptProgress, EarlierProgressIsCarriedWhereTheRecordHoldsNone) {
  viewer::LearnerProgress earlier;
  earlier.drills["ponpu"] = {4, {{2, {1, 1}}, {3, {2, 5}}}};
  earlier.drills["kahan"] = {1, {{0, {3, 3}}}};
  viewer::ProgressKeeper k = keeper("mirukado-progress 1\nponpu 2 2=7/9\n");
  EXPECT_TRUE(k.carry(earlier));
  EXPECT_EQ(*text, "mirukado-progress 1\nkahan 1 0=3/3\nponpu 2 2=7/9 3=2/5\n");
  EXPECT_EQ(k.previous("ponpu", 3, nullptr), (viewer::Score{2, 5}));
  const struct {
    std::string_view file;
    bool fails;
  } refused[] = {{"mirukado-progress 2\n", false}, {"mirukado-progress 1\n", true}};
  for (const auto& c : refused) {
    viewer::ProgressKeeper r = keeper(c.file);
    fail = c.fails;
    EXPECT_FALSE(r.carry(earlier)) << c.file;
    EXPECT_EQ(*text, c.file);
    EXPECT_EQ(r.chosen("kahan", 5), 1) << c.file;  // remembered in memory all the same
    fail = false;
  }
}

TEST_F(KeptProgress, AFinishedSessionIsScoredOnceAndItsCardComparesWithTheScoreItReplaced) {
  viewer::ProgressKeeper k = keeper("mirukado-progress 1\nponpu 2 2=1/9\n");
  viewer::PracticeSession session{playback, 2};
  k.note(&session, "ponpu");
  EXPECT_TRUE(written.empty());
  EXPECT_EQ(k.previous("ponpu", 2, &session), (viewer::Score{1, 9}));
  const std::vector<viewer::PracticeItem> asked = practise(session, playback, {true, false});
  const viewer::Score score = session.score();
  k.note(&session, "ponpu");
  k.note(&session, "ponpu");
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(viewer::read_progress(written[0]).progress.drills["ponpu"].scores[2], score);
  EXPECT_EQ(k.previous("ponpu", 2, &session), (viewer::Score{1, 9}));  // on the card
  EXPECT_EQ(k.previous("ponpu", 2, nullptr), score);                   // at the next start
  EXPECT_EQ(k.previous("ponpu", 1, nullptr), std::nullopt);
  // A retry of the missed finishes again and is scored again, alone.
  session.retry_missed();
  k.note(&session, "ponpu");
  practise(session, playback, {true});
  k.note(&session, "ponpu");
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(k.previous("ponpu", 2, nullptr), session.score());
  EXPECT_EQ(session.score().asked, static_cast<int>(asked.size()) - score.known);
}
