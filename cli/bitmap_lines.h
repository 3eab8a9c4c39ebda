#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "bitmap/picture/bitmap_record.h"
#include "json/record_json.h"

namespace pressling::cli {

// One aligned line for a terminal in language: resource, size, depth,
// version, then compression and bytes before → after, or what was kept and why.
std::string BitmapLine(const BitmapRecord& record, const Language& language);

}  // namespace pressling::cli
