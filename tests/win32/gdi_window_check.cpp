// gdi_window_check.exe: the GDI window's drawing services on a real GDI (Wine's
// in the test suite). The raster window's pixel tests pin the shapes down; this
// checks what only the GDI mapping can get wrong: the end pixel that LineTo
// leaves out, the right and bottom edges that Rectangle and FillRect leave out,
// the null brush of outlines, the flood fill's border mode, sprites and caption
// kept off the painted surface, and rounding twips half to even; and the
// viewer's followed figure: its halo and the others muted.
// Prints one line per failed check; exit status 0 when all hold.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/gdi_window.hpp"
#include "platform/win32/viewer_overlay.hpp"
#include "stage/figure_display.hpp"

namespace {

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kCyan = 0x00FFFF,
                        kBlue = 0x0000FF;

int failures = 0;

void expect(const char* what, int x, int y, std::uint32_t actual, std::uint32_t wanted) {
  if (actual == wanted) return;
  ++failures;
  std::printf("FAIL %s: pixel (%d, %d) is %06X, want %06X\n", what, x, y, actual, wanted);
}

void expect_true(const char* what, bool ok) {
  if (ok) return;
  ++failures;
  std::printf("FAIL %s\n", what);
}

struct PixelCase {
  int x, y;
  std::uint32_t want;
};

win32::GdiWindow* closing = nullptr;

LRESULT CALLBACK closing_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {  // what the saver's window does when it is unloaded
    if (closing) closing->detach();
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

// The portable-pump player lets input through in the middle of its tick. When
// that input unloads the window, process_events() must say so and leave the
// quit message for the main loop, which ends the program.
void check_process_events() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = closing_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"GdiWindowCheck";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"check", WS_POPUP, 0, 0, 64, 48, nullptr,
                              nullptr, wc.hInstance, nullptr);
  win32::GdiWindow w(hwnd, 64, 48);
  closing = &w;
  expect_true("process_events with nothing pending", w.process_events());
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  expect_true("process_events reports the window gone", !w.process_events());
  expect_true("the window is gone", !IsWindow(hwnd));
  expect_true("process_events stays false", !w.process_events());
  MSG msg;
  expect_true("the quit message is left for the main loop",
              PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.wParam == 0);
  w.present();  // must not reach the destroyed window
  closing = nullptr;
}

}  // namespace

// The viewer's figures: the followed one ringed in its colour with the ground
// between ring and outline, another drawn part way towards the ground.
void check_followed_figures() {
  constexpr stage::Rgb kGreen{0, 158, 115};
  constexpr float kRadius = 8;
  constexpr int kFontExtent = 480;  // any window's: the figures' labels take their own size
  win32::MemoryBuffer picture;
  HDC screen = GetDC(nullptr);
  picture.create(screen, 96, 48);
  ReleaseDC(nullptr, screen);
  stage::Figure chosen;
  chosen.x = 24;
  chosen.y = 24;
  chosen.radius = kRadius;
  chosen.body = kGreen;
  chosen.highlighted = true;
  stage::Figure other = chosen;
  other.x = 72;
  other.highlighted = false;
  other.muted = true;
  const std::vector<stage::Figure> figures{chosen, other};
  HFONT font = win32::overlay_font(kFontExtent);
  win32::paint_display(picture.dc(), font, stage::figures_display(figures, stage::Theme::Dark));
  DeleteObject(font);
  GdiFlush();
  const std::uint32_t green = 0x009E73;
  // The outline reaches a radius and an eighth; the ring lies from about 1.5
  // to 1.8 radii out.
  expect("the chosen figure's body", 24, 24, picture.pixel(24, 24), green);
  expect("ground between outline and halo", 34, 24, picture.pixel(34, 24), kBlack);
  expect("the halo", 37, 24, picture.pixel(37, 24), green);
  expect("the halo's far side", 11, 24, picture.pixel(11, 24), green);
  expect("beyond the halo", 41, 24, picture.pixel(41, 24), kBlack);
  // 60% of the way to black: 0x9E * 0.4 = 63.2, 0x73 * 0.4 = 46.
  expect("a muted figure's body", 72, 24, picture.pixel(72, 24), 0x003F2E);
  expect("no halo round a muted figure", 85, 24, picture.pixel(85, 24), kBlack);
}

int wmain() {
  win32::GdiWindow w(nullptr, 128, 96);
  const float tx = w.twips_per_pixel_x(), ty = w.twips_per_pixel_y();
  auto X = [&](float px) { return px * tx; };
  auto Y = [&](float px) { return px * ty; };
  auto surface = [&](const char* what, std::initializer_list<PixelCase> cases) {
    for (const PixelCase& c : cases) expect(what, c.x, c.y, w.surface_pixel(c.x, c.y), c.want);
  };

  // Segments paint both end points, in either direction.
  w.line(X(1), Y(1), X(5), Y(1), stage::colors::white);
  w.line(X(5), Y(3), X(1), Y(3), stage::colors::white);
  surface("segment", {{1, 1, kWhite},
                      {5, 1, kWhite},
                      {6, 1, kBlack},
                      {0, 1, kBlack},
                      {1, 3, kWhite},
                      {5, 3, kWhite},
                      {0, 3, kBlack}});

  // An outline covers both corners' rows and columns and leaves the inside alone.
  w.box(X(14), Y(13), X(10), Y(10), stage::colors::red);
  surface("outline", {{10, 10, kRed},
                      {14, 10, kRed},
                      {10, 13, kRed},
                      {14, 13, kRed},
                      {12, 11, kBlack},
                      {15, 10, kBlack},
                      {10, 14, kBlack}});

  // A filled box includes its edges.
  w.filled_box(X(20), Y(20), X(22), Y(22), stage::colors::cyan);
  surface("filled box", {{20, 20, kCyan}, {22, 22, kCyan}, {23, 22, kBlack}, {22, 23, kBlack}});

  // Circles: solid fill takes the fill colour inside, transparent leaves it.
  w.set_fill_style(stage::FillStyle::Solid);
  w.set_fill_color(stage::colors::red);
  w.circle(X(40), Y(40), X(4), stage::colors::white);
  w.set_fill_style(stage::FillStyle::Transparent);
  w.circle(X(60), Y(40), X(4), stage::colors::white);
  surface("circle", {{40, 40, kRed},
                     {36, 40, kWhite},
                     {44, 40, kWhite},
                     {45, 40, kBlack},
                     {60, 40, kBlack},
                     {60, 36, kWhite},
                     {60, 44, kWhite}});

  // Flood fill to a border colour: stops at the border, not at other colours.
  w.box(X(80), Y(10), X(100), Y(30), stage::colors::red);
  w.line(X(85), Y(20), X(95), Y(20), stage::colors::white);
  w.set_fill_color(stage::colors::cyan);
  w.flood_fill(90, 15, stage::Rgb{255, 0, 0});
  surface("flood fill", {{90, 15, kCyan},
                         {81, 29, kCyan},
                         {90, 20, kCyan},
                         {80, 20, kRed},
                         {101, 20, kBlack},
                         {90, 31, kBlack}});

  // Twips to pixels rounds half to even: 1.5 px -> 2, 2.5 px -> 2, 3.5 px -> 4.
  w.line(X(1.5f), Y(60), X(1.5f), Y(60), stage::colors::white);
  w.line(X(2.5f), Y(62), X(2.5f), Y(62), stage::colors::white);
  w.line(X(3.5f), Y(64), X(3.5f), Y(64), stage::colors::white);
  surface("half to even", {{2, 60, kWhite},
                           {1, 60, kBlack},
                           {2, 62, kWhite},
                           {3, 62, kBlack},
                           {4, 64, kWhite},
                           {3, 64, kBlack}});

  // A slot shows its pose sprite stretched to the slot, above the surface only.
  w.set_slot_size(0, X(64), Y(64));  // twice the sprite's 32 pixels
  w.set_slot_top(0, Y(30));
  w.set_slot_left(0, X(60));
  w.set_slot_picture(0, 0);
  w.set_slot_visible(0, true);
  // Pose 0: body disc centred in the sprite, facing disc at the top.
  expect("slot centre in the frame", 92, 62, w.frame_pixel(92, 62), kBlue);
  expect("slot corner in the frame", 61, 31, w.frame_pixel(61, 31), kBlack);
  expect("slot not on the surface", 92, 62, w.surface_pixel(92, 62), kBlack);
  w.set_slot_visible(0, false);
  expect("hidden slot", 92, 62, w.frame_pixel(92, 62), kBlack);

  // Clearing the surface erases every painted shape.
  w.clear();
  surface("clear", {{1, 1, kBlack}, {20, 20, kBlack}, {90, 15, kBlack}});

  // The caption: auto-sized, on the button face, larger with a larger font.
  w.set_caption_left(X(4));
  w.set_caption_text("\xE3\x83\x9F\xE3\x83\xAB\xE3\x82\xAB\xE3\x83\x89");  // ミルカド
  w.set_caption_font_size(9);
  const float small = w.caption_height();
  w.set_caption_font_size(20);
  const float large = w.caption_height();
  expect_true("caption height grows with the font", small > 0 && large > small);
  const std::uint32_t face = [] {
    const COLORREF c = GetSysColor(COLOR_BTNFACE);
    return static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
  }();
  expect("caption background", 4, 1, w.frame_pixel(4, 1), face);
  expect("caption not on the surface", 4, 1, w.surface_pixel(4, 1), kBlack);
  w.set_caption_text("");
  expect("empty caption shows nothing", 4, 1, w.frame_pixel(4, 1), kBlack);

  // A surface snapshot puts back exactly the painted surface it copied (runs
  // that cross rows included), and only into a window of its size.
  w.clear();
  w.line(X(0), Y(5), X(127), Y(5), stage::colors::white);  // a run to the row's end
  w.filled_box(X(120), Y(6), X(127), Y(7), stage::colors::red);
  w.line(X(0), Y(8), X(3), Y(8), stage::colors::red);  // continues the run from row 7
  const auto snapshot = w.save_surface();
  expect_true("a snapshot is taken", snapshot != nullptr);
  w.clear();
  w.filled_box(X(0), Y(0), X(127), Y(95), stage::colors::cyan);
  expect_true("the snapshot is put back", snapshot && w.restore_surface(*snapshot));
  surface("snapshot", {{0, 5, kWhite},
                       {127, 5, kWhite},
                       {0, 4, kBlack},
                       {119, 6, kBlack},
                       {127, 7, kRed},
                       {3, 8, kRed},
                       {4, 8, kBlack},
                       {64, 95, kBlack}});
  win32::GdiWindow other(nullptr, 64, 48);
  expect_true("no snapshot into a window of another size",
              !snapshot || !other.restore_surface(*snapshot));

  check_process_events();
  check_followed_figures();

  std::printf("%s\n", failures == 0 ? "all GDI window checks passed" : "GDI window checks failed");
  return failures == 0 ? 0 : 1;
}
