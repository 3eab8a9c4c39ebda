#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pressling::cli {

// The length in bytes of the valid UTF-8 character at the start of text; 0
// when text is empty or starts with a byte that begins no valid character
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t Utf8CharacterLength(std::string_view text);

bool IsValidUtf8(std::string_view text);

// text with each byte that is not part of a valid character written as "\xNN".
std::string EscapeInvalidUtf8(std::string_view text);

}  // namespace pressling::cli
