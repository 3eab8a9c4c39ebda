#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "bitmap/bitmap_record.h"

namespace pressling::cli {

// A resource type as text: printable ASCII as it is, other bytes as "\xNN".
std::string ResourceTypeText(const std::array<std::uint8_t, 4>& type);

// One aligned line for a terminal in language: resource, size, depth,
// version, then compression and bytes before → after, or what was kept and why.
std::string BitmapLine(const BitmapRecord& record, const Language& language);

}  // namespace pressling::cli
