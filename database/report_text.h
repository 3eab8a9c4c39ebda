#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pressling {

// The fixed texts of the progress line and the report, in UTF-8.
inline constexpr std::string_view kProgressText = "処理中です…";
inline constexpr std::string_view kNameLabel = "アプリ名：";
inline constexpr std::string_view kInputLabel = "オリジナル：";
inline constexpr std::string_view kResultLabel = "圧縮処理後：";
inline constexpr std::string_view kRatioLabel = "圧縮率：";
inline constexpr std::string_view kByteUnit = " byte";
inline constexpr std::string_view kPercentUnit = " %";
inline constexpr std::string_view kNoEffectText = "圧縮効果はありません";
inline constexpr std::string_view kNoFileText = "ファイル作成しませんでした";
inline constexpr std::string_view kNotDatabaseText = "PRCファイルではありません";
inline constexpr std::string_view kCorruptText = "データベースが壊れています";
inline constexpr std::string_view kTooLargeText = "ファイルが大きすぎます";
inline constexpr std::string_view kFileFailureText = "ファイル処理に失敗しました";

// The ratio with one digit after the point, rounded to the nearest tenth, and
// no digit before the point when that is 0: 77.16 gives "77.2", 0.5 gives ".5".
std::string FormatRatio(double ratio);

// The 32 name bytes decoded as Shift-JIS (code page 932), an undecodable byte
// as U+FFFD, cut to the first 16 characters with NULs counted; UTF-8.
std::string DecodeAppName(const std::array<std::uint8_t, 32>& name);

// text without its NUL characters, which are never drawn.
std::string WithoutNuls(std::string_view text);

}  // namespace pressling
