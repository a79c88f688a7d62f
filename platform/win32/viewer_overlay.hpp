#pragma once
// Paints the viewer's overlay (timeline band, help card, command list) with
// GDI on a copy of the composed picture, in the caption's font.

#include <windows.h>

#include <optional>
#include <vector>

#include "stage/overlay.hpp"

namespace win32 {

// The caption font's line height in pixels, what the overlay lays itself out by.
int overlay_line_height(HDC dc, HFONT font);

void paint_overlay(HDC dc, HFONT font, const stage::OverlayView& view);
// The overlay's font for text fitted to `extent` pixels (the client area's
// height; the teaching picture's shorter side): readable in a small window,
// not shouting in a full-screen one. The caller deletes it.
HFONT overlay_font(int extent);
// The teaching picture's people above the composed stage: a body in the
// position's colour, a facing disc, and the number where it can be read; a
// highlighted figure ringed by a halo in its colour, muted ones paler.
void paint_figures(HDC dc, const std::vector<stage::Figure>& figures, stage::Theme theme);
// The position the legend entry under a click chooses (a squad's entry: its
// first member), laid out as paint_overlay writes the legend in `font`.
std::optional<int> legend_hit(HDC dc, HFONT font, const stage::OverlayView& view, int x, int y);

// The followed figure's marks (`radius` its body's): its trail, a dot per
// place paler and smaller with age; its whole path, a dotted line; a
// revealed move's destination, a ring with a cross, `radius` pixels.
void paint_trail(HDC dc, const std::vector<stage::TrailPoint>& trail, float radius,
                 stage::Rgb colour, stage::Rgb ground);
void paint_path(HDC dc, const std::vector<stage::DevicePoint>& path, float radius,
                stage::Rgb colour);
void paint_destination(HDC dc, stage::DevicePoint at, float radius, stage::Rgb colour);

}  // namespace win32
