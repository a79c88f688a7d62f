#pragma once
// Paints the viewer's overlay (timeline band, help card, command list) with
// GDI on a copy of the composed picture, in the caption's font.

#include <windows.h>

#include "stage/overlay.hpp"

namespace win32 {

// The caption font's line height in pixels, what the overlay lays itself out by.
int overlay_line_height(HDC dc, HFONT font);

void paint_overlay(HDC dc, HFONT font, const stage::OverlayView& view);

}  // namespace win32
