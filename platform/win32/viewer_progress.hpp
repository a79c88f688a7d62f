#pragma once
// mirukado-view.exe's own file of what a learner has done:
// %APPDATA%\Mirukado\viewer-progress, the position chosen and the last
// practice scores per drill (stage/progress.hpp's text, kept by
// stage::ProgressKeeper). Never the saver's settings: the viewer leaves
// those alone.

#include <optional>
#include <string>
#include <string_view>

namespace win32 {

// Empty when the profile names no %APPDATA% (the viewer then remembers in
// memory only). APPDATA is read from the environment rather than asked of the
// shell, so that the viewer needs no DLL beyond those every Windows has.
std::wstring viewer_progress_path();

// The file's text: none when there is no file (or it cannot be read); a
// folder or a file too big for progress where it should be reads as a
// damaged (empty) text, which the keeper replaces.
std::optional<std::string> read_viewer_progress(const std::wstring& path);

// Replaces the file through a temporary beside it and
// MoveFileExW(MOVEFILE_REPLACE_EXISTING), so that a crash leaves the old file
// or the new one, never half of either; the folder is made when missing.
bool write_viewer_progress(const std::wstring& path, std::string_view text);

}  // namespace win32
