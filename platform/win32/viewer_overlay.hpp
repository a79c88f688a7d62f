#pragma once
// Plays the viewer's display list (stage/display_list.hpp: the overlay, the
// teaching picture's people and the followed position's marks, laid out in
// the core) back with GDI on a copy of the composed picture, in the
// overlay's font.

#include <windows.h>

#include <string_view>

#include "stage/display_list.hpp"

namespace win32 {

// The overlay's font for text fitted to `extent` pixels (the client area's
// height; the teaching picture's shorter side): readable in a small window,
// not shouting in a full-screen one. The caller deletes it.
HFONT overlay_font(int extent);
// The font's line height in pixels, what the overlay lays itself out by.
int overlay_line_height(HDC dc, HFONT font);
// The width of one line of `utf8` in `font`, pixels.
int overlay_text_width(HDC dc, HFONT font, std::string_view utf8);

// Draws `list`'s items in order on `dc`, its text in `font` (labels in the
// same face at their own size).
void paint_display(HDC dc, HFONT font, const stage::DisplayList& list);

}  // namespace win32
