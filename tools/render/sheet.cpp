#include "tools/render/sheet.hpp"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "drills/registry.hpp"
#include "raster/caption_renderer.hpp"
#include "stage/commands.hpp"
#include "tools/render/tool.hpp"

namespace render_tool {
namespace {

// A4 in PostScript points, and the layout on it.
constexpr double kPageWidth = 595.276;
constexpr double kPageHeight = 841.89;
constexpr double kMargin = 36;
constexpr double kHeaderHeight = 52;
constexpr double kFooterHeight = 28;
constexpr double kNumberWidth = 30;
constexpr double kTimeWidth = 52;
constexpr double kColumnGap = 10;
// The stage picture: 16:9, printed at 300 dots per inch.
constexpr double kPictureWidth = 176;
constexpr double kPictureHeight = 99;
constexpr double kDotsPerInch = 300;
constexpr double kPointsPerInch = 72;
constexpr double kRowPadding = 6;
constexpr double kRowHeight = kPictureHeight + 2 * kRowPadding;
constexpr int kRowsPerPage =
    static_cast<int>((kPageHeight - 2 * kMargin - kHeaderHeight - kFooterHeight) / kRowHeight);
constexpr double kTitleSize = 16;
constexpr double kTextSize = 11;
constexpr double kSmallSize = 8.5;
constexpr double kLineSpacing = 1.35;
constexpr double kRuleGrey = 0.7;
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

void rule(cairo_t* cr, double y, double grey) {
  cairo_set_source_rgb(cr, grey, grey, grey);
  cairo_set_line_width(cr, 0.5);
  cairo_move_to(cr, kMargin, y);
  cairo_line_to(cr, kPageWidth - kMargin, y);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
}

// The window's composed frame as a cairo image (both hold 0x00RRGGBB).
CairoPtr<cairo_surface_t> picture(raster::RasterWindow& window) {
  window.compose();
  const raster::Surface& frame = window.frame();
  CairoPtr<cairo_surface_t> image(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, frame.width, frame.height));
  cairo_surface_flush(image.get());
  unsigned char* data = cairo_image_surface_get_data(image.get());
  const int stride = cairo_image_surface_get_stride(image.get());
  for (int y = 0; y < frame.height; ++y)
    std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride, frame.row(y),
                static_cast<std::size_t>(frame.width) * sizeof(std::uint32_t));
  cairo_surface_mark_dirty(image.get());
  return image;
}

cairo_status_t write_to(void* closure, const unsigned char* data, unsigned int length) {
  return std::fwrite(data, 1, length, static_cast<std::FILE*>(closure)) == length
             ? CAIRO_STATUS_SUCCESS
             : CAIRO_STATUS_WRITE_ERROR;
}

void draw_page_frame(cairo_t* cr, const stage::DrillDescriptor& drill, int total_ms, int page,
                     int pages) {
  const double title_y = kMargin + kTitleSize;
  show(cr, kMargin, title_y, drill.display_name, kTitleSize);
  show_right(cr, kPageWidth - kMargin, title_y, "所要時間 " + stopwatch(total_ms), kTextSize);
  const double heading_y = kMargin + kHeaderHeight - kRowPadding;
  show(cr, kMargin, heading_y, "番号", kSmallSize);
  show(cr, kMargin + kNumberWidth, heading_y, "時間", kSmallSize);
  show(cr, kMargin + kNumberWidth + kTimeWidth, heading_y, "号令", kSmallSize);
  show(cr, kPageWidth - kMargin - kPictureWidth, heading_y, "位置", kSmallSize);
  rule(cr, kMargin + kHeaderHeight, 0);
  const std::string footer = std::to_string(page) + " / " + std::to_string(pages);
  cairo_set_font_size(cr, kSmallSize);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, footer.c_str(), &extents);
  show(cr, (kPageWidth - extents.x_advance) / 2, kPageHeight - kMargin, footer, kSmallSize);
}

void draw_row(cairo_t* cr, double top, int number, const stage::Command& command,
              cairo_surface_t* image) {
  const double baseline = top + kRowPadding + kTextSize;
  show(cr, kMargin, baseline, std::to_string(number), kTextSize);
  show(cr, kMargin + kNumberWidth, baseline, stopwatch(command.time_ms), kTextSize);
  const double text_x = kMargin + kNumberWidth + kTimeWidth;
  const double picture_x = kPageWidth - kMargin - kPictureWidth;
  cairo_set_font_size(cr, kTextSize);
  double y = baseline;
  for (const std::string& line :
       wrap(cr, std::string(command.text), picture_x - kColumnGap - text_x)) {
    show(cr, text_x, y, line, kTextSize);
    y += kTextSize * kLineSpacing;
  }
  cairo_save(cr);
  cairo_translate(cr, picture_x, top + kRowPadding);
  cairo_scale(cr, kPointsPerInch / kDotsPerInch, kPointsPerInch / kDotsPerInch);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
  rule(cr, top + kRowHeight, kRuleGrey);
}

void write_sheet(const Drill& d, const std::string& path, raster::Replace replace) {
  const auto pixels = [](double points) {
    return static_cast<int>(points * kDotsPerInch / kPointsPerInch + 0.5);
  };
  raster::RasterWindow window(pixels(kPictureWidth), pixels(kPictureHeight));
  stage::Stage stage(window, d.conf_bit(), 1, drills::registry());
  stage::VirtualClock clock(stage);
  const stage::DrillTimeline timeline(stage.table(d.index));
  const std::vector<stage::Command>& commands = timeline.commands();
  const int count = static_cast<int>(commands.size());
  const int pages = count == 0 ? 1 : (count + kRowsPerPage - 1) / kRowsPerPage;

  std::string error;
  raster::OutputFile file(path, replace, &error);
  if (!file.stream()) throw UsageError{error};
  const FontCachesReleaser releaser;
  CairoPtr<cairo_surface_t> pdf(
      cairo_pdf_surface_create_for_stream(write_to, file.stream(), kPageWidth, kPageHeight));
  cairo_pdf_surface_set_metadata(pdf.get(), CAIRO_PDF_METADATA_TITLE, d.descriptor->display_name);
  CairoPtr<cairo_t> cr(cairo_create(pdf.get()));
  const CairoPtr<cairo_font_face_t> face = gothic_face();
  cairo_set_font_face(cr.get(), face.get());

  Progress progress("sheet " + path, count);
  for (int page = 0; page < pages; ++page) {
    draw_page_frame(cr.get(), *d.descriptor, timeline.total_ms(), page + 1, pages);
    for (int row = 0; row < kRowsPerPage; ++row) {
      const int i = page * kRowsPerPage + row;
      if (i >= count) break;
      const stage::Command& command = commands[static_cast<std::size_t>(i)];
      show_keyframe(stage, clock, d, command.first_keyframe);
      const CairoPtr<cairo_surface_t> image = picture(window);
      draw_row(cr.get(), kMargin + kHeaderHeight + row * kRowHeight, i + 1, command, image.get());
      progress.update(i + 1);
    }
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
    OutputOption output;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command = app.add_subcommand(
      "sheet",
      "an A4 PDF of the drill's commands in order, with their times and the stage at each");
  add_drill_argument(*command, o->drill);
  add_output_option(*command, o->output, "PDF", "DRILL.pdf");
  return {command, [o] {
            catch_stop_signals();
            const Drill d = drill_named(o->drill);
            write_sheet(d, o->output.resolve(d.name(), ".pdf"), o->output.replace());
            return 0;
          }};
}

}  // namespace render_tool
