#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pressling {

// The ratio with one digit after the point, rounded to the nearest tenth, and
// no digit before the point when that is 0, as the Japanese report writes it:
// 77.16 gives "77.2", 0.5 gives ".5".
std::string FormatRatio(double ratio);

// The 32 name bytes decoded as Shift-JIS (code page 932), an undecodable byte
// as U+FFFD, cut to the first 16 characters with NULs counted; UTF-8.
std::string DecodeAppName(const std::array<std::uint8_t, 32>& name);

// text without its NUL characters, which are never drawn.
std::string WithoutNuls(std::string_view text);

}  // namespace pressling
