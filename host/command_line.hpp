#pragma once
// The screen-saver switches: which run mode a command line asks for and the
// window handle it carries.

#include <string_view>

#include "host/platform.hpp"

namespace host {

enum class RunMode { PasswordChange, Preview, FullScreen, Settings };

// Plain case-sensitive substring tests of the whole line, first match wins:
// "/a" or "/A", then "/p" or "/P", then "/s" or "/S"; anything else (no
// arguments, /c, /c:1234, -s) opens the settings dialog. A line holding both /p
// and /s therefore previews; /a anywhere changes the password.
RunMode parse_run_mode(std::string_view command_line);

// The handle of "/a" and "/p": the line from its third character on, whatever
// position the switch had, trimmed of blanks, its leading numeric part read as
// a number and rounded half to even. "/p 1234" gives 1234, "/p:1234" gives 0
// (no leading number). A value outside the handle range also gives 0.
WindowHandle parse_window_handle(std::string_view command_line);

// The leading decimal number of text (optional sign, digits, an optional
// fraction and exponent), 0 when text does not begin with one. Leading blanks
// are not skipped here.
double leading_number(std::string_view text);

}  // namespace host
