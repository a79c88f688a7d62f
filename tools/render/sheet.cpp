#include "tools/render/sheet.hpp"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "raster/caption_renderer.hpp"
#include "stage/commands.hpp"
#include "stage/teaching.hpp"
#include "tools/render/tool.hpp"
#include "viewer/roles.hpp"

namespace render_tool {
namespace {

// Paper sizes in PostScript points.
struct Paper {
  const char* name;
  double width;
  double height;
};
constexpr Paper kA4{"a4", 595.276, 841.89};
constexpr Paper kLetter{"letter", 612, 792};

// The layout: a header, then one row per command in columns, the commands
// whose picture is the same sharing it.
constexpr double kMargin = 30;
constexpr double kHeaderHeight = 46;
constexpr double kFooterHeight = 18;
constexpr double kNumberWidth = 22;
constexpr double kTimeWidth = 38;
constexpr double kSpeakerWidth = 56;
constexpr double kPictureWidth = 172;
constexpr double kNotesWidth = 84;
constexpr double kGap = 5;
constexpr double kPad = 2.5;
// A picture's height: rows are at least this tall with their picture, so
// that a page holds a dozen commands or more.
constexpr double kPictureHeight = 52;
constexpr double kTitleSize = 15;
constexpr double kTextSize = 9;
constexpr double kSmallSize = 7.5;
constexpr double kLineSpacing = 1.3;
constexpr double kRuleGrey = 0.72;
constexpr double kGuideGrey = 0.86;  // the notes column's writing lines
constexpr double kNoteLine = 13;     // their spacing

// The stage is drawn once at this size, the drill fitted to it; each picture
// is a crop of it. A crop is never less than this share of the drill's width
// (a learner keeps their bearings), so it prints at 250 dpi or more.
constexpr int kDeviceWidth = 1600;
constexpr int kDeviceHeight = 900;
constexpr double kMinCropShare = 0.3;
// Pixel positions are kept this near the drawn stage.
constexpr float kFarFromStage = 4.0f * kDeviceWidth;
// Everything a command changed, widened by this much of the crop on each
// side, so that nothing it moved sits on the picture's edge.
constexpr double kCropMarginShare = 0.08;
// A figure's radius on the whole-stage pictures the sheet printed before:
// a body 22/32 of its 70-unit sprite, on a stage 6200 units high printed 99
// points high (under 0.4 pt). Figures keep six times that at any crop, so
// that their numbers can be read.
constexpr double kOldFigureRadius = 11.0 / 32.0 * 70.0 / 6200.0 * 99.0;
constexpr double kMinFigureRadius = 6 * kOldFigureRadius;
// A person's sprite is 70 stage units square; the body is 22/32 of it across.
constexpr float kSlotUnits = 70;
constexpr float kBodyRadiusPerSlot = 11.0f / 32.0f;
constexpr double kFacingRadiusShare = 0.40;
constexpr double kFacingDistanceShare = 0.70;
constexpr double kOutlineShare = 0.14;
constexpr double kLabelShare = 1.15;  // label font size per radius
constexpr double kGhostGrey = 0.55;   // where a figure came from
// The followed position's halo (radius and stroke per body radius) and how
// far the others' colours go towards the paper.
constexpr double kHaloRadiusShare = 1.55;
constexpr double kHaloWidthShare = 0.3;
constexpr double kMutedShare = 0.6;

// The captions' family on the saver's label.
constexpr const char* kFamily = "IPAPGothic";
struct CairoDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
  void operator()(cairo_font_face_t* f) const { cairo_font_face_destroy(f); }
};
template <class T>
using CairoPtr = std::unique_ptr<T, CairoDeleter>;

// Frees what cairo and fontconfig keep for the whole process (the font caches
// and fontconfig's default configuration, which cairo's FreeType faces load on
// demand), so that leak checkers see a clean exit on every path. Made before
// any cairo object of the sheet and destroyed after the last one.
struct FontCachesReleaser {
  FontCachesReleaser() = default;
  FontCachesReleaser(const FontCachesReleaser&) = delete;
  FontCachesReleaser& operator=(const FontCachesReleaser&) = delete;
  ~FontCachesReleaser() {
    cairo_debug_reset_static_data();
    FcFini();
  }
};

// "m:ss.s", the time a learner reads off a stopwatch.
std::string stopwatch(int ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d.%d", ms / 60000, ms / 1000 % 60, ms / 100 % 10);
  return text;
}

// The Japanese Gothic face through fontconfig, as the caption label finds it.
// Without any font there is nothing to set the sheet in; with only a font
// that lacks Japanese the sheet is made, and the warning says what to install.
CairoPtr<cairo_font_face_t> gothic_face() {
  const raster::CaptionFont coverage = raster::caption_font();
  if (coverage == raster::CaptionFont::Missing) throw UsageError{raster::kMissingFontText};
  if (coverage == raster::CaptionFont::WithoutJapanese) raster::report_missing_caption_font();
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFamily));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* font = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!font) throw UsageError{raster::kMissingFontText};
  CairoPtr<cairo_font_face_t> face(cairo_ft_font_face_create_for_pattern(font));
  FcPatternDestroy(font);  // the face holds its own reference
  return face;
}

// Closing brackets and punctuation never start a line; they hang at the end
// of the one before.
bool closes(const std::string& character) {
  for (const char* c : {"」", "』", "）", "、", "。", "，", "．", "！", "？", ")", ",", "."})
    if (character == c) return true;
  return false;
}

// Splits text into lines no wider than width, at any character (Japanese
// has no spaces to break at).
std::vector<std::string> wrap(cairo_t* cr, const std::string& text, double width) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = 1;  // the UTF-8 sequence starting at i
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
    const std::string character = text.substr(i, n);
    std::string longer = lines.back() + character;
    cairo_text_extents_t extents;
    cairo_text_extents(cr, longer.c_str(), &extents);
    if (extents.x_advance > width && !lines.back().empty() && !closes(character))
      lines.push_back(character);
    else
      lines.back() = std::move(longer);
    i += n;
  }
  return lines;
}

void show(cairo_t* cr, double x, double y, const std::string& text, double size) {
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
}

void show_right(cairo_t* cr, double right, double y, const std::string& text, double size) {
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  show(cr, right - extents.x_advance, y, text, size);
}

void rule(cairo_t* cr, double x0, double x1, double y, double grey) {
  cairo_set_source_rgb(cr, grey, grey, grey);
  cairo_set_line_width(cr, 0.5);
  cairo_move_to(cr, x0, y);
  cairo_line_to(cr, x1, y);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
}

// A rectangle of the window's composed frame as a cairo image (both hold
// 0x00RRGGBB).
CairoPtr<cairo_surface_t> crop_of(const raster::Surface& frame, const raster::Rect& r) {
  CairoPtr<cairo_surface_t> image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, r.w, r.h));
  cairo_surface_flush(image.get());
  unsigned char* data = cairo_image_surface_get_data(image.get());
  const int stride = cairo_image_surface_get_stride(image.get());
  for (int y = 0; y < r.h; ++y)
    std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride, frame.row(r.y + y) + r.x,
                static_cast<std::size_t>(r.w) * sizeof(std::uint32_t));
  cairo_surface_mark_dirty(image.get());
  return image;
}

cairo_status_t write_to(void* closure, const unsigned char* data, unsigned int length) {
  return std::fwrite(data, 1, length, static_cast<std::FILE*>(closure)) == length
             ? CAIRO_STATUS_SUCCESS
             : CAIRO_STATUS_WRITE_ERROR;
}

// A caption as the sheet's columns take it: who speaks (the part before
// 「, e.g. 指揮者 or ２番員) and what is said. A squad drill's plain calls
// have no speaker.
struct Spoken {
  std::string speaker;
  std::string words;
};
Spoken split_caption(std::string_view caption) {
  constexpr std::string_view kOpen = "「";
  const std::size_t at = caption.find(kOpen);
  if (at == std::string_view::npos || at == 0) return {{}, std::string(caption)};
  return {std::string(caption.substr(0, at)), std::string(caption.substr(at))};
}

// Pixel bounds of what changed on the drawn stage, growing as changes come.
struct Bounds {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // x1, y1 past the end
  bool any = false;
  void add(int ax0, int ay0, int ax1, int ay1) {
    if (ax1 <= ax0 || ay1 <= ay0) return;
    if (!any) {
      *this = {ax0, ay0, ax1, ay1, true};
      return;
    }
    x0 = std::min(x0, ax0);
    y0 = std::min(y0, ay0);
    x1 = std::max(x1, ax1);
    y1 = std::max(y1, ay1);
  }
  void add(const stage::Figure& f) {
    // The facing disc reaches past the body. Kept near the drawn stage, so
    // that no position converts out of an int's range.
    const float reach = f.radius * 1.3f + 1;
    const auto near = [](float v) { return std::clamp(v, -kFarFromStage, kFarFromStage); };
    add(static_cast<int>(std::floor(near(f.x - reach))),
        static_cast<int>(std::floor(near(f.y - reach))),
        static_cast<int>(std::ceil(near(f.x + reach))),
        static_cast<int>(std::ceil(near(f.y + reach))));
  }
};

// One picture: the stage where a command (or a run of commands that change
// nothing after it) has done its work, cropped to what it changed, with the
// figures as they stand then and where they stood before it.
struct Shot {
  CairoPtr<cairo_surface_t> image;
  raster::Rect crop;
  float body_radius = 0;  // a figure's body on the drawn stage, pixels
  std::vector<stage::Figure> figures;
  std::vector<stage::Figure> before;
};

// Where a crop of size `size` starts along one axis: everything that changed
// ([lo, hi)) inside it, and as much of the whole scene ([all_lo, all_hi):
// the changes and every figure) as that allows, centred on the scene.
double crop_start(double lo, double hi, double all_lo, double all_hi, double size, double room) {
  double start = (all_lo + all_hi) / 2 - size / 2;
  if (hi - lo <= size) start = std::clamp(start, hi - size, lo);
  return std::clamp(start, 0.0, room - size);
}

// Widens what changed to a crop of the picture's proportions and at least a
// sensible share of the drill, inside the drawn stage, placed to show as much
// of the people around as it can.
raster::Rect crop_for(const Bounds& changed, const std::vector<stage::Figure>& figures,
                      const stage::PixelRect& placed, double aspect,
                      double min_share = kMinCropShare) {
  Bounds b = changed;
  if (!b.any) b = {placed.x, placed.y, placed.x + placed.w, placed.y + placed.h, true};
  double w = (b.x1 - b.x0) * (1 + 2 * kCropMarginShare);
  double h = (b.y1 - b.y0) * (1 + 2 * kCropMarginShare);
  w = std::max(w, min_share * placed.w);
  if (w / h > aspect)
    h = w / aspect;
  else
    w = h * aspect;
  w = std::min(w, static_cast<double>(kDeviceWidth));
  h = std::min(h, static_cast<double>(kDeviceHeight));
  Bounds scene = b;
  for (const stage::Figure& f : figures) scene.add(f);
  // The changes keep their margin inside the crop.
  const double mx = (b.x1 - b.x0) * kCropMarginShare;
  const double my = (b.y1 - b.y0) * kCropMarginShare;
  const double x = crop_start(b.x0 - mx, b.x1 + mx, scene.x0, scene.x1, w, kDeviceWidth);
  const double y = crop_start(b.y0 - my, b.y1 + my, scene.y0, scene.y1, h, kDeviceHeight);
  return {static_cast<int>(x), static_cast<int>(y), std::max(1, static_cast<int>(w)),
          std::max(1, static_cast<int>(h))};
}

// Bounds of the pixels that differ between `was` and `now` inside r; `was`
// takes `now`'s pixels there.
void diff_into(std::vector<std::uint32_t>& was, const raster::Surface& now,
               const raster::Rect& area, Bounds& changed) {
  const int x0 = std::max(0, area.x), y0 = std::max(0, area.y);
  const raster::Rect r{x0, y0, std::min(now.width, area.x + area.w) - x0,
                       std::min(now.height, area.y + area.h) - y0};
  for (int y = r.y; y < r.y + r.h; ++y) {
    std::uint32_t* old = was.data() + static_cast<std::size_t>(y) * kDeviceWidth;
    const std::uint32_t* row = now.row(y);
    int first = -1, last = -1;
    for (int x = r.x; x < r.x + r.w; ++x)
      if (old[x] != row[x]) {
        if (first < 0) first = x;
        last = x;
        old[x] = row[x];
      }
    if (first >= 0) changed.add(first, y, last + 1, y + 1);
  }
}

const stage::Figure* find_position(const std::vector<stage::Figure>& figures, int position) {
  for (const stage::Figure& f : figures)
    if (f.position == position) return &f;
  return nullptr;
}

bool same_place(const stage::Figure& a, const stage::Figure& b) {
  return a.x == b.x && a.y == b.y && a.pose == b.pose;
}

// Plays the drill once on a light teaching window and takes a picture at the
// end of each command that changed something; shot_of[i] is command i's.
// The stage is at the drill's first keyframe, not yet shown.
std::vector<Shot> take_shots(stage::Stage& stage, raster::RasterWindow& device,
                             const stage::TeachingWindow& teach,
                             const stage::DrillTimeline& timeline, double aspect,
                             std::vector<int>& shot_of, const std::string& label) {
  const int keyframes = timeline.keyframes();
  const int count = static_cast<int>(timeline.commands().size());
  shot_of.assign(static_cast<std::size_t>(count), 0);
  std::vector<Shot> shots;
  device.compose();
  // Against the bare ground: the first command's picture holds what is drawn
  // at the start, not the whole ground.
  std::vector<std::uint32_t> was(static_cast<std::size_t>(kDeviceWidth) * kDeviceHeight,
                                 raster::pack(stage::theme_background(stage::Theme::Light)));
  std::vector<stage::Figure> figures_was;
  std::vector<stage::Figure> before;
  Bounds changed;
  // The figures' own size on the drawn stage (their radius in the teaching
  // window holds a floor for screens, which a crop makes needless).
  const stage::StageGeometry geometry = stage::virtual_geometry();
  const float body_radius = kBodyRadiusPerSlot * kSlotUnits * geometry.stage_scale /
                            stage::kVirtualTwipsPerPixel * teach.fit().scale();
  Progress progress(label, keyframes);
  for (int k = 0; k < keyframes; ++k) {
    stage.tick();
    stop_if_signalled();
    for (const raster::Rect& r : device.compose()) diff_into(was, device.frame(), r, changed);
    std::vector<stage::Figure> figures = teach.figures();
    for (const stage::Figure& f : figures) {
      const stage::Figure* old = find_position(figures_was, f.position);
      if (old && same_place(*old, f)) continue;
      changed.add(f);
      if (old) changed.add(*old);
    }
    for (const stage::Figure& f : figures_was)
      if (!find_position(figures, f.position)) changed.add(f);
    figures_was = figures;
    progress.update(k + 1);
    // Keyframes before the first command belong to it.
    const int command = std::max(0, timeline.command_at(k));
    const bool ends = k + 1 == keyframes || std::max(0, timeline.command_at(k + 1)) != command;
    if (!ends || count == 0) continue;
    if (!changed.any && command > 0) {
      shot_of[static_cast<std::size_t>(command)] = shot_of[static_cast<std::size_t>(command) - 1];
      continue;
    }
    Shot shot;
    shot.crop = crop_for(changed, figures, teach.fit().placed(), aspect);
    shot.image = crop_of(device.frame(), shot.crop);
    shot.figures = figures;
    shot.body_radius = body_radius;
    shot.before = std::move(before);
    before = std::move(figures);
    shots.push_back(std::move(shot));
    shot_of[static_cast<std::size_t>(command)] = static_cast<int>(shots.size()) - 1;
    changed = {};
  }
  return shots;
}

// The columns' left edges on a page of `paper`'s width.
struct Columns {
  double number, time, speaker, words, picture, notes, right;
  explicit Columns(const Paper& paper)
      : number(kMargin),
        time(number + kNumberWidth),
        speaker(time + kTimeWidth),
        words(speaker + kSpeakerWidth + kGap),
        picture(paper.width - kMargin - kNotesWidth - kGap - kPictureWidth),
        notes(paper.width - kMargin - kNotesWidth),
        right(paper.width - kMargin) {}
  double words_width() const { return picture - kGap - words; }
};

// A command's row, its text wrapped to its columns.
struct Row {
  int index = 0;  // into the command list; the sheet numbers from 1
  std::vector<std::string> speaker;
  std::vector<std::string> words;
  double height = 0;
};

// A run of rows on one page beside one picture.
struct Block {
  int page = 0;
  double top = 0;
  double height = 0;
  int shot = 0;
  std::vector<Row> rows;
};

constexpr double line_height() { return kTextSize * kLineSpacing; }

double rows_height(const std::vector<Row>& rows) {
  double h = 0;
  for (const Row& r : rows) h += r.height;
  return h;
}
double block_height(const std::vector<Row>& rows) {
  return std::max(rows_height(rows), kPictureHeight + 2 * kPad);
}

// Groups the rows by picture and lays the groups out down the pages; a group
// taller than what is left of a page goes on across the next, with its
// picture again.
std::vector<Block> lay_out(std::vector<Row> rows, const std::vector<int>& shot_of, double body_top,
                           double body_bottom, int& pages) {
  std::vector<Block> blocks;
  int page = 0;
  double y = body_top;
  std::size_t i = 0;
  while (i < rows.size()) {
    const int shot = shot_of[static_cast<std::size_t>(rows[i].index)];
    Block block{page, y, 0, shot, {}};
    while (i < rows.size() && shot_of[static_cast<std::size_t>(rows[i].index)] == shot) {
      std::vector<Row> longer = block.rows;
      longer.push_back(rows[i]);
      if (y + block_height(longer) > body_bottom) {
        if (!block.rows.empty()) break;
        if (y > body_top) {  // not even one row fits: a new page
          y = body_top;
          block = {++page, y, 0, shot, {}};
          continue;
        }
      }
      block.rows = std::move(longer);
      ++i;
    }
    block.height = block_height(block.rows);
    // The last row takes the room the picture needs beyond the text.
    block.rows.back().height += block.height - rows_height(block.rows);
    y += block.height;
    blocks.push_back(std::move(block));
    if (i < rows.size() && shot_of[static_cast<std::size_t>(rows[i].index)] == shot) {
      // The page is full and the group goes on on the next.
      y = body_top;
      ++page;
    }
  }
  pages = page + 1;
  return blocks;
}

void draw_page_frame(cairo_t* cr, const Paper& paper, const Columns& c,
                     const stage::DrillDescriptor& drill, int total_ms, int page, int pages) {
  const double title_y = kMargin + kTitleSize;
  show(cr, kMargin, title_y, drill.display_name, kTitleSize);
  show_right(cr, c.right, title_y, "所要時間 " + stopwatch(total_ms), kTextSize);
  const double heading_y = kMargin + kHeaderHeight - kPad - 2;
  show(cr, c.number, heading_y, "番号", kSmallSize);
  show(cr, c.time, heading_y, "時間", kSmallSize);
  show(cr, c.speaker, heading_y, "号令者", kSmallSize);
  show(cr, c.words, heading_y, "号令・動作", kSmallSize);
  show(cr, c.picture, heading_y, "位置（動いた人は元の位置から線）", kSmallSize * 0.85);
  show(cr, c.notes, heading_y, "メモ", kSmallSize);
  rule(cr, kMargin, c.right, kMargin + kHeaderHeight, 0);
  const std::string footer = std::to_string(page) + " / " + std::to_string(pages);
  cairo_set_font_size(cr, kSmallSize);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, footer.c_str(), &extents);
  show(cr, (paper.width - extents.x_advance) / 2, paper.height - kMargin, footer, kSmallSize);
}

// A muted figure's colour, part way to the paper's white.
stage::Rgb paler(stage::Rgb c) {
  const auto mix = [](int v) { return static_cast<std::uint8_t>(v + (255 - v) * kMutedShare); };
  return {mix(c.r), mix(c.g), mix(c.b)};
}

void set_rgb(cairo_t* cr, stage::Rgb c) {
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void disc(cairo_t* cr, double x, double y, double r) {
  cairo_new_path(cr);
  cairo_arc(cr, x, y, r, 0, 2 * std::numbers::pi);
  cairo_fill(cr);
}

// A figure as the teaching picture draws it, in vectors: an outlined body in
// its position's colour, the facing disc and the number (as outlines, so that
// the text layer holds only the table).
void draw_figure(cairo_t* cr, const stage::Figure& f, double x, double y, double r) {
  const double edge = r * kOutlineShare;
  const double a = f.pose * 2 * std::numbers::pi / stage::pose::kCount;
  const double fx = x + std::sin(a) * r * kFacingDistanceShare;
  const double fy = y - std::cos(a) * r * kFacingDistanceShare;
  const double fr = r * kFacingRadiusShare;
  const stage::Rgb ground = stage::theme_background(stage::Theme::Light);
  if (f.highlighted) {
    // The halo: a ring in the position's own colour, clear of the outline.
    set_rgb(cr, f.body);
    cairo_set_line_width(cr, r * kHaloWidthShare);
    cairo_new_path(cr);
    cairo_arc(cr, x, y, r * kHaloRadiusShare, 0, 2 * std::numbers::pi);
    cairo_stroke(cr);
  }
  const stage::Rgb body = f.muted ? paler(f.body) : f.body;
  set_rgb(cr, ground);
  disc(cr, x, y, r + edge);
  disc(cr, fx, fy, fr + edge);
  set_rgb(cr, body);
  disc(cr, x, y, r);
  set_rgb(cr, f.muted ? paler(stage::theme_ink(stage::Theme::Light))
                      : stage::theme_ink(stage::Theme::Light));
  disc(cr, fx, fy, fr);
  cairo_set_font_size(cr, r * kLabelShare);
  cairo_text_extents_t e;
  cairo_text_extents(cr, f.label.c_str(), &e);
  cairo_new_path(cr);
  cairo_move_to(cr, x - e.x_bearing - e.width / 2, y - e.y_bearing - e.height / 2);
  cairo_text_path(cr, f.label.c_str());
  set_rgb(cr, f.muted ? paler(f.label_color) : f.label_color);
  cairo_fill(cr);
}

// A cropped picture fitted into (x, y, w, h) and centred. paint_crop() clips
// to it (the caller restores the saved state) and paints the image; at() says
// where a pixel of the drawn stage lands on the page.
struct PlacedCrop {
  double ox = 0;
  double oy = 0;
  double scale = 1;
  raster::Rect crop;
  void at(float px, float py, double& qx, double& qy) const {
    qx = ox + (px - crop.x) * scale;
    qy = oy + (py - crop.y) * scale;
  }
};

PlacedCrop paint_crop(cairo_t* cr, cairo_surface_t* image, const raster::Rect& crop, double x,
                      double y, double w, double h) {
  PlacedCrop p;
  p.crop = crop;
  p.scale = std::min(w / crop.w, h / crop.h);
  p.ox = x + (w - crop.w * p.scale) / 2;
  p.oy = y + (h - crop.h * p.scale) / 2;
  cairo_save(cr);
  cairo_rectangle(cr, p.ox, p.oy, crop.w * p.scale, crop.h * p.scale);
  cairo_clip(cr);
  cairo_save(cr);
  cairo_translate(cr, p.ox, p.oy);
  cairo_scale(cr, p.scale, p.scale);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
  return p;
}

// Ends what paint_crop() began: the clip goes, a thin grey frame is drawn.
void end_crop(cairo_t* cr, const PlacedCrop& p) {
  cairo_restore(cr);
  cairo_set_source_rgb(cr, kRuleGrey, kRuleGrey, kRuleGrey);
  cairo_set_line_width(cr, 0.5);
  cairo_rectangle(cr, p.ox, p.oy, p.crop.w * p.scale, p.crop.h * p.scale);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
}

void draw_picture(cairo_t* cr, const Shot& shot, double x, double y, double w, double h) {
  const PlacedCrop placed = paint_crop(cr, shot.image.get(), shot.crop, x, y, w, h);
  const double scale = placed.scale;
  const auto at = [&placed](float px, float py, double& qx, double& qy) {
    placed.at(px, py, qx, qy);
  };
  // Where each figure that moved came from: a grey ring and a line to where
  // it stands now.
  cairo_set_line_width(cr, 0.5);
  for (const stage::Figure& f : shot.figures) {
    const stage::Figure* old = find_position(shot.before, f.position);
    if (!old || (old->x == f.x && old->y == f.y)) continue;
    double x0, y0, x1, y1;
    at(old->x, old->y, x0, y0);
    at(f.x, f.y, x1, y1);
    const double r = std::max(static_cast<double>(shot.body_radius) * scale, kMinFigureRadius);
    cairo_set_source_rgb(cr, kGhostGrey, kGhostGrey, kGhostGrey);
    cairo_new_path(cr);
    cairo_arc(cr, x0, y0, r * 0.8, 0, 2 * std::numbers::pi);
    cairo_stroke(cr);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
  }
  for (const stage::Figure& f : shot.figures) {
    double fx, fy;
    at(f.x, f.y, fx, fy);
    draw_figure(cr, f, fx, fy,
                std::max(static_cast<double>(shot.body_radius) * scale, kMinFigureRadius));
  }
  end_crop(cr, placed);
}

void draw_block(cairo_t* cr, const Columns& c, const Block& block,
                const std::vector<stage::Command>& commands, const Shot& shot) {
  double top = block.top;
  for (const Row& row : block.rows) {
    const double baseline = top + kPad + kTextSize;
    show(cr, c.number, baseline, std::to_string(row.index + 1), kTextSize);
    show(cr, c.time, baseline, stopwatch(commands[static_cast<std::size_t>(row.index)].time_ms),
         kTextSize);
    double y = baseline;
    for (const std::string& line : row.speaker) {
      show(cr, c.speaker, y, line, kTextSize);
      y += line_height();
    }
    y = baseline;
    for (const std::string& line : row.words) {
      show(cr, c.words, y, line, kTextSize);
      y += line_height();
    }
    // Lines to write on in the notes column.
    for (double g = top + kNoteLine; g < top + row.height - kNoteLine / 2; g += kNoteLine)
      rule(cr, c.notes, c.right, g, kGuideGrey);
    top += row.height;
    rule(cr, c.number, c.picture - kGap, top, kRuleGrey);
    rule(cr, c.notes, c.right, top, kRuleGrey);
  }
  // At the top of its rows, at the proportions it was cropped to.
  draw_picture(cr, shot, c.picture, block.top + kPad, kPictureWidth, kPictureHeight);
  rule(cr, c.picture - kGap, c.notes, block.top + block.height, kRuleGrey);
}

void write_sheet(const Drill& d, const Paper& paper, const std::string& path,
                 raster::Replace replace) {
  // The drill drawn once in the light theme, fitted to the whole device.
  raster::RasterWindow device(kDeviceWidth, kDeviceHeight);
  const stage::DrillList drill(d.descriptor, 1);
  stage::TeachingWindow teach(device, drill, stage::Theme::Light,
                              {0, 0, kDeviceWidth, kDeviceHeight});
  stage::Stage stage(teach, stage::all_drills_conf(drill), 1, drill);
  stage.activate();
  stage.go_to_keyframe(0, 0);
  const stage::DrillTimeline timeline(stage.table(0));
  const std::vector<stage::Command>& commands = timeline.commands();
  std::vector<int> shot_of;
  const std::vector<Shot> shots = take_shots(
      stage, device, teach, timeline, kPictureWidth / kPictureHeight, shot_of, "sheet " + path);

  std::string error;
  raster::OutputFile file(path, replace, &error);
  if (!file.stream()) throw UsageError{error};
  const FontCachesReleaser releaser;
  CairoPtr<cairo_surface_t> pdf(
      cairo_pdf_surface_create_for_stream(write_to, file.stream(), paper.width, paper.height));
  cairo_pdf_surface_set_metadata(pdf.get(), CAIRO_PDF_METADATA_TITLE, d.descriptor->display_name);
  CairoPtr<cairo_t> cr(cairo_create(pdf.get()));
  const CairoPtr<cairo_font_face_t> face = gothic_face();
  cairo_set_font_face(cr.get(), face.get());

  const Columns columns(paper);
  std::vector<Row> rows;
  cairo_set_font_size(cr.get(), kTextSize);
  for (int i = 0; i < static_cast<int>(commands.size()); ++i) {
    const Spoken spoken = split_caption(commands[static_cast<std::size_t>(i)].text);
    Row row;
    row.index = i;
    if (!spoken.speaker.empty()) row.speaker = wrap(cr.get(), spoken.speaker, kSpeakerWidth - kGap);
    row.words = wrap(cr.get(), spoken.words, columns.words_width());
    row.height =
        static_cast<double>(std::max(row.speaker.size(), row.words.size())) * line_height() +
        2 * kPad;
    rows.push_back(std::move(row));
  }
  int pages = 1;
  const std::vector<Block> blocks = lay_out(std::move(rows), shot_of, kMargin + kHeaderHeight,
                                            paper.height - kMargin - kFooterHeight, pages);
  std::size_t next = 0;
  for (int page = 0; page < pages; ++page) {
    draw_page_frame(cr.get(), paper, columns, *d.descriptor, timeline.total_ms(), page + 1, pages);
    for (; next < blocks.size() && blocks[next].page == page; ++next)
      draw_block(cr.get(), columns, blocks[next], commands,
                 shots[static_cast<std::size_t>(blocks[next].shot)]);
    stop_if_signalled();
    cairo_show_page(cr.get());
  }
  cr.reset();
  cairo_surface_finish(pdf.get());
  if (cairo_surface_status(pdf.get()) != CAIRO_STATUS_SUCCESS)
    throw UsageError{path + ": " + cairo_status_to_string(cairo_surface_status(pdf.get()))};
  stop_if_signalled();
  if (!file.commit(&error)) throw UsageError{error};
  warn(file.warning());
}

// --- The position card: one position's part in order. ---

// Its layout: a summary page with the whole drill, then one row per call,
// answered command and move, a move with its own picture under its text.
constexpr double kCardNumberWidth = 30;
constexpr double kCardTimeWidth = 40;
constexpr double kCardKindWidth = 44;
constexpr double kCardPictureWidth = 260;
constexpr double kCardPictureHeight = 120;
constexpr double kSummarySize = 11;
// A move's picture shows less of the drill than the sheet's, so that the
// one person it is about is larger; still enough to keep one's bearings.
constexpr double kCardMinCropShare = 0.18;
constexpr double kPathWidth = 1.6;        // the move's line, points
constexpr double kArrowLength = 7;        // its head
constexpr double kArrowHalfAngle = 0.45;  // radians
constexpr double kRouteAlpha = 0.45;      // the whole route on the summary page
constexpr double kMarkShare = 1.2;        // the start and end marks' size per body radius

// A picture of the drawn stage for the card: a crop, the figures then and
// the followed position's path on it.
struct CardShot {
  CairoPtr<cairo_surface_t> image;
  raster::Rect crop;
  std::vector<stage::Figure> figures;
  std::vector<stage::DevicePoint> path;
};

enum class CardKind { Answer, Call, Move };

// A row of the card, in drill order: a command the position speaks or
// answers, or one of its moves.
struct CardRow {
  CardKind kind = CardKind::Call;
  int keyframe = 0;
  int index = 0;  // the command, or the move
  std::vector<std::string> words;
  double height = 0;
  int page = 0;
  double top = 0;
};

raster::Rect inside_device(raster::Rect r) {
  r.x = std::clamp(r.x, 0, kDeviceWidth - 1);
  r.y = std::clamp(r.y, 0, kDeviceHeight - 1);
  r.w = std::clamp(r.w, 1, kDeviceWidth - r.x);
  r.h = std::clamp(r.h, 1, kDeviceHeight - r.y);
  return r;
}

Bounds bounds_of(const std::vector<stage::DevicePoint>& path, float reach) {
  Bounds b;
  for (const stage::DevicePoint& p : path) {
    const auto near = [](float v) { return std::clamp(v, -kFarFromStage, kFarFromStage); };
    b.add(static_cast<int>(std::floor(near(p.x - reach))),
          static_cast<int>(std::floor(near(p.y - reach))),
          static_cast<int>(std::ceil(near(p.x + reach))),
          static_cast<int>(std::ceil(near(p.y + reach))));
  }
  return b;
}

// The position's places on keyframes first..last, without repeats.
std::vector<stage::DevicePoint> path_of(const stage::TeachingWindow& teach,
                                        const stage::FrameTable& table, int position, int first,
                                        int last) {
  std::vector<stage::DevicePoint> path;
  for (int k = std::max(0, first); k <= last; ++k) {
    const stage::DevicePoint p = teach.person_point(table[k].persons(position));
    if (path.empty() || !(path.back() == p)) path.push_back(p);
  }
  return path;
}

// Plays the drill once with the position followed; the summary's picture
// (the whole drill at its start, with the whole route) and one per move,
// cropped to the move, at the keyframe it arrives.
std::vector<CardShot> take_card_shots(stage::Stage& stage, raster::RasterWindow& device,
                                      const stage::TeachingWindow& teach,
                                      const viewer::RolePart& part, const std::string& label) {
  const stage::FrameTable& table = stage.table(0);
  const int keyframes = std::max(1, table.end_index());
  const stage::StageGeometry geometry = stage::virtual_geometry();
  const float body_radius = kBodyRadiusPerSlot * kSlotUnits * geometry.stage_scale /
                            stage::kVirtualTwipsPerPixel * teach.fit().scale();
  const double aspect = kCardPictureWidth / kCardPictureHeight;
  std::vector<CardShot> shots;
  std::size_t move = 0;
  Progress progress(label, keyframes);
  for (int k = 0; k < keyframes; ++k) {
    stage.tick();
    stop_if_signalled();
    device.compose();
    progress.update(k + 1);
    if (k == 0) {
      CardShot whole;
      const stage::PixelRect placed = teach.fit().placed();
      whole.crop = inside_device({placed.x, placed.y, placed.w, placed.h});
      whole.image = crop_of(device.frame(), whole.crop);
      whole.figures = teach.figures();
      whole.path = path_of(teach, table, part.position, 0, keyframes - 1);
      shots.push_back(std::move(whole));
    }
    for (; move < part.moves.size() && part.moves[move].last_keyframe == k; ++move) {
      const viewer::RoleMove& m = part.moves[move];
      CardShot shot;
      shot.path = path_of(teach, table, part.position, m.first_keyframe - 1, m.last_keyframe);
      shot.crop = inside_device(crop_for(bounds_of(shot.path, body_radius * 2), {},
                                         teach.fit().placed(), aspect, kCardMinCropShare));
      shot.image = crop_of(device.frame(), shot.crop);
      shot.figures = teach.figures();
      shots.push_back(std::move(shot));
    }
  }
  // A move the playback never reached (none should) keeps its row's picture.
  for (; move < part.moves.size(); ++move) shots.push_back({});
  return shots;
}

void draw_arrow_head(cairo_t* cr, double x0, double y0, double x1, double y1) {
  const double a = std::atan2(y1 - y0, x1 - x0);
  cairo_new_path(cr);
  cairo_move_to(cr, x1, y1);
  cairo_line_to(cr, x1 - kArrowLength * std::cos(a - kArrowHalfAngle),
                y1 - kArrowLength * std::sin(a - kArrowHalfAngle));
  cairo_line_to(cr, x1 - kArrowLength * std::cos(a + kArrowHalfAngle),
                y1 - kArrowLength * std::sin(a + kArrowHalfAngle));
  cairo_close_path(cr);
  cairo_fill(cr);
}

// A mark beside a place: a ring and a word ("始", "終") as outlines.
void draw_mark(cairo_t* cr, double x, double y, double r, const char* word, stage::Rgb colour) {
  set_rgb(cr, colour);
  cairo_set_line_width(cr, 1);
  cairo_new_path(cr);
  cairo_arc(cr, x, y, r * kMarkShare, 0, 2 * std::numbers::pi);
  cairo_stroke(cr);
  cairo_set_font_size(cr, std::max(kSmallSize, r * 1.4));
  cairo_text_extents_t e;
  cairo_text_extents(cr, word, &e);
  cairo_new_path(cr);
  cairo_move_to(cr, x + r * kMarkShare + 1 - e.x_bearing, y - e.y_bearing - e.height / 2);
  cairo_text_path(cr, word);
  cairo_fill(cr);
}

// A card picture in the box (x, y, w, h): the crop, the path as a line in the
// position's colour (an arrow from its place to its next place, or the whole
// route), the figures with the position's halo and, for the route, its start
// and end marked.
void draw_card_picture(cairo_t* cr, const CardShot& shot, double x, double y, double w, double h,
                       stage::Rgb colour, float body_radius, bool route) {
  if (!shot.image) return;
  const PlacedCrop placed = paint_crop(cr, shot.image.get(), shot.crop, x, y, w, h);
  const double scale = placed.scale;
  const auto at = [&placed](float px, float py, double& qx, double& qy) {
    placed.at(px, py, qx, qy);
  };
  const double r = std::max(static_cast<double>(body_radius) * scale, kMinFigureRadius);
  std::vector<std::pair<double, double>> line;
  for (const stage::DevicePoint& p : shot.path) {
    double qx, qy;
    at(p.x, p.y, qx, qy);
    line.emplace_back(qx, qy);
  }
  if (line.size() >= 2) {
    cairo_set_source_rgba(cr, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0,
                          route ? kRouteAlpha : 1.0);
    cairo_set_line_width(cr, kPathWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_new_path(cr);
    cairo_move_to(cr, line.front().first, line.front().second);
    for (const auto& [px, py] : line) cairo_line_to(cr, px, py);
    cairo_stroke(cr);
    if (!route) {
      // Where it came from, and the head short of the body it points at.
      cairo_set_line_width(cr, 0.8);
      cairo_new_path(cr);
      cairo_arc(cr, line.front().first, line.front().second, r * 0.8, 0, 2 * std::numbers::pi);
      cairo_stroke(cr);
      const auto& [ex, ey] = line.back();
      const auto& [sx, sy] = line[line.size() - 2];
      const double len = std::hypot(ex - sx, ey - sy);
      const double back = std::min(len, r * kHaloRadiusShare);
      const double hx = ex - (ex - sx) / len * back, hy = ey - (ey - sy) / len * back;
      draw_arrow_head(cr, sx, sy, hx, hy);
    }
  }
  for (const stage::Figure& f : shot.figures) {
    double fx, fy;
    at(f.x, f.y, fx, fy);
    draw_figure(cr, f, fx, fy, r);
  }
  if (route && !line.empty()) {
    draw_mark(cr, line.front().first, line.front().second, r, "始", colour);
    draw_mark(cr, line.back().first, line.back().second, r, "終", colour);
  }
  end_crop(cr, placed);
}

const char* kind_name(CardKind kind) {
  switch (kind) {
    case CardKind::Call:
      return "号令";
    case CardKind::Answer:
      return "応じる";
    case CardKind::Move:
      return "移動";
  }
  return "";
}

void write_card(const Drill& d, int position, const Paper& paper, const std::string& path,
                raster::Replace replace) {
  raster::RasterWindow device(kDeviceWidth, kDeviceHeight);
  const stage::DrillList drill(d.descriptor, 1);
  stage::TeachingWindow teach(device, drill, stage::Theme::Light,
                              {0, 0, kDeviceWidth, kDeviceHeight});
  teach.choose(position);
  stage::Stage stage(teach, stage::all_drills_conf(drill), 1, drill);
  stage.activate();
  stage.go_to_keyframe(0, 0);
  const stage::FrameTable& table = stage.table(0);
  const stage::DrillTimeline timeline(table);
  const std::vector<stage::Command>& commands = timeline.commands();
  const viewer::RolePart part = viewer::role_part(table, timeline, position);
  const std::vector<CardShot> shots = take_card_shots(stage, device, teach, part, "sheet " + path);
  const stage::StageGeometry geometry = stage::virtual_geometry();
  const float body_radius = kBodyRadiusPerSlot * kSlotUnits * geometry.stage_scale /
                            stage::kVirtualTwipsPerPixel * teach.fit().scale();
  const stage::Rgb colour = stage::position_color(d.descriptor->crew, position);
  const std::string name = stage::position_name(position);

  std::string error;
  raster::OutputFile file(path, replace, &error);
  if (!file.stream()) throw UsageError{error};
  const FontCachesReleaser releaser;
  CairoPtr<cairo_surface_t> pdf(
      cairo_pdf_surface_create_for_stream(write_to, file.stream(), paper.width, paper.height));
  const std::string title = std::string(d.descriptor->display_name) + " " + name;
  cairo_pdf_surface_set_metadata(pdf.get(), CAIRO_PDF_METADATA_TITLE, title.c_str());
  CairoPtr<cairo_t> cr(cairo_create(pdf.get()));
  const CairoPtr<cairo_font_face_t> face = gothic_face();
  cairo_set_font_face(cr.get(), face.get());

  // The rows in drill order: what it answers before its call, a call before
  // a move that starts with it.
  const double number_x = kMargin, time_x = number_x + kCardNumberWidth,
               kind_x = time_x + kCardTimeWidth, words_x = kind_x + kCardKindWidth,
               right = paper.width - kMargin;
  cairo_set_font_size(cr.get(), kTextSize);
  std::vector<CardRow> rows;
  const auto add_command = [&](int command, CardKind kind) {
    CardRow row;
    row.kind = kind;
    row.index = command;
    row.keyframe = commands[static_cast<std::size_t>(command)].first_keyframe;
    row.words = wrap(cr.get(), std::string(commands[static_cast<std::size_t>(command)].text),
                     right - words_x);
    row.height = static_cast<double>(row.words.size()) * line_height() + 2 * kPad;
    rows.push_back(std::move(row));
  };
  for (const int c : part.calls) add_command(c, CardKind::Call);
  for (const int c : part.answers) add_command(c, CardKind::Answer);
  for (std::size_t m = 0; m < part.moves.size(); ++m) {
    CardRow row;
    row.kind = CardKind::Move;
    row.index = static_cast<int>(m);
    row.keyframe = part.moves[m].first_keyframe;
    const int during = timeline.command_at(row.keyframe);
    std::string words = std::to_string(m + 1) + " / " + std::to_string(part.moves.size());
    if (during >= 0) words += "（号令 " + std::to_string(stage::command_number(during)) + " の後）";
    row.words = {words};
    row.height = line_height() + kCardPictureHeight + 3 * kPad;
    rows.push_back(std::move(row));
  }
  std::stable_sort(rows.begin(), rows.end(), [](const CardRow& a, const CardRow& b) {
    if (a.keyframe != b.keyframe) return a.keyframe < b.keyframe;
    return a.kind < b.kind;
  });
  // Page 1 is the summary; the rows flow from page 2.
  const double body_top = kMargin + kHeaderHeight,
               body_bottom = paper.height - kMargin - kFooterHeight;
  int pages = 2;
  double y = body_top;
  for (CardRow& row : rows) {
    if (y + row.height > body_bottom && y > body_top) {
      ++pages;
      y = body_top;
    }
    row.page = pages - 1;
    row.top = y;
    y += row.height;
  }
  const auto footer = [&](int page) {
    const std::string text = std::to_string(page) + " / " + std::to_string(pages);
    cairo_set_font_size(cr.get(), kSmallSize);
    cairo_text_extents_t extents;
    cairo_text_extents(cr.get(), text.c_str(), &extents);
    show(cr.get(), (paper.width - extents.x_advance) / 2, paper.height - kMargin, text, kSmallSize);
  };

  // The summary.
  double sy = kMargin + kTitleSize;
  show(cr.get(), kMargin, sy, title + " の役割", kTitleSize);
  sy += kTitleSize;
  const auto summary_line = [&](const std::string& text) {
    sy += kSummarySize * kLineSpacing;
    show(cr.get(), kMargin, sy, text, kSummarySize);
  };
  summary_line("号令 " + std::to_string(part.calls.size()) + " 回　応じる号令 " +
               std::to_string(part.answers.size()) + " 回　移動 " +
               std::to_string(part.moves.size()) + " 回");
  summary_line("所要時間 " + stopwatch(timeline.total_ms()));
  summary_line("始めの位置は「始」、終わりの位置は「終」の印（線は全体の経路）");
  summary_line("色の輪があなた（" + name + "）、薄い人はほかの人");
  sy += kSummarySize;
  const double picture_width = right - kMargin;
  const CardShot& whole = shots.front();
  const double picture_height =
      std::min(body_bottom - sy, picture_width * whole.crop.h / std::max(1, whole.crop.w));
  draw_card_picture(cr.get(), whole, kMargin, sy, picture_width, picture_height, colour,
                    body_radius, true);
  footer(1);
  cairo_show_page(cr.get());

  std::size_t next = 0;
  for (int page = 1; page < pages; ++page) {
    const double title_y = kMargin + kTitleSize;
    show(cr.get(), kMargin, title_y, title, kTitleSize);
    const double heading_y = kMargin + kHeaderHeight - kPad - 2;
    show(cr.get(), number_x, heading_y, "番号", kSmallSize);
    show(cr.get(), time_x, heading_y, "時間", kSmallSize);
    show(cr.get(), kind_x, heading_y, "種類", kSmallSize);
    show(cr.get(), words_x, heading_y, "号令・動作", kSmallSize);
    rule(cr.get(), kMargin, right, kMargin + kHeaderHeight, 0);
    for (; next < rows.size() && rows[next].page == page; ++next) {
      const CardRow& row = rows[next];
      const double baseline = row.top + kPad + kTextSize;
      const bool command = row.kind != CardKind::Move;
      if (command) show(cr.get(), number_x, baseline, std::to_string(row.index + 1), kTextSize);
      const int ms = command ? commands[static_cast<std::size_t>(row.index)].time_ms
                             : timeline.start_ms(row.keyframe);
      show(cr.get(), time_x, baseline, stopwatch(ms), kTextSize);
      show(cr.get(), kind_x, baseline, kind_name(row.kind), kTextSize);
      double ly = baseline;
      for (const std::string& line : row.words) {
        show(cr.get(), words_x, ly, line, kTextSize);
        ly += line_height();
      }
      if (!command)
        draw_card_picture(cr.get(), shots[static_cast<std::size_t>(row.index) + 1], words_x,
                          row.top + 2 * kPad + line_height(), kCardPictureWidth, kCardPictureHeight,
                          colour, body_radius, false);
      rule(cr.get(), kMargin, right, row.top + row.height, kRuleGrey);
    }
    footer(page + 1);
    stop_if_signalled();
    cairo_show_page(cr.get());
  }
  cr.reset();
  cairo_surface_finish(pdf.get());
  if (cairo_surface_status(pdf.get()) != CAIRO_STATUS_SUCCESS)
    throw UsageError{path + ": " + cairo_status_to_string(cairo_surface_status(pdf.get()))};
  stop_if_signalled();
  if (!file.commit(&error)) throw UsageError{error};
  warn(file.warning());
}

}  // namespace

ToolCommand add_sheet(CLI::App& app) {
  struct Options {
    std::string drill;
    std::string paper = kA4.name;
    std::string role;
    OutputOption output;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command = app.add_subcommand(
      "sheet",
      "a printable PDF of the drill's commands in order: number, time, speaker, command, the "
      "stage where the command acts (light teaching picture) and room for notes");
  add_drill_argument(*command, o->drill);
  command->add_option("--paper", o->paper, "the paper: a4 or letter")
      ->type_name("a4|letter")
      ->capture_default_str();
  add_role_option(*command, o->role,
                  "a position's card instead (0 the commander, n member n): its summary, then "
                  "its calls, the commands it answers and each move with a picture, in order (by "
                  "default DRILL-N.pdf)");
  add_output_option(*command, o->output, "PDF", "DRILL.pdf");
  return {command, [o] {
            catch_stop_signals();
            const Drill d = drill_named(o->drill);
            if (o->paper != kA4.name && o->paper != kLetter.name)
              throw UsageError{"paper must be a4 or letter, not '" + o->paper + "'"};
            const Paper& paper = o->paper == kA4.name ? kA4 : kLetter;
            const std::optional<int> role = parse_role(o->role, d.conf_bit());
            if (role) {
              const std::string stem = std::string(d.name()) + "-" + std::to_string(*role);
              write_card(d, *role, paper, o->output.resolve(stem, ".pdf"), o->output.replace());
            } else {
              write_sheet(d, paper, o->output.resolve(d.name(), ".pdf"), o->output.replace());
            }
            return 0;
          }};
}

}  // namespace render_tool
