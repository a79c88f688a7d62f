#pragma once
// Paints the viewer's overlay (timeline band, help card, command list) with
// GDI on a copy of the composed picture, in the caption's font.

#include <windows.h>

#include <vector>

#include "stage/overlay.hpp"

namespace win32 {

// The caption font's line height in pixels, what the overlay lays itself out by.
int overlay_line_height(HDC dc, HFONT font);

void paint_overlay(HDC dc, HFONT font, const stage::OverlayView& view);
// The overlay's font for a client area `height` pixels high: readable in a
// small window, not shouting in a full-screen one. The caller deletes it.
HFONT overlay_font(int height);
// The teaching picture's people above the composed stage: a body in the
// position's colour, a facing disc, and the number where it can be read.
void paint_figures(HDC dc, const std::vector<stage::Figure>& figures, stage::Theme theme);

}  // namespace win32
