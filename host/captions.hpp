#pragma once
// Window captions. The running instance is found by its caption, so these are
// part of the program's outside interface.

namespace host {

inline constexpr const char* kCaptionDesigned = "ミルカドスクリーンセーバー";
inline constexpr const char* kCaptionMain = "ミルカドスクリーンセーバー本体";
inline constexpr const char* kCaptionPreview = "ミルカドスクリーンセーバープレビュー";
inline constexpr const char* kCaptionSettings = "ミルカドスクリーンセーバー設定";

}  // namespace host
