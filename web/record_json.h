#pragma once

#include <nlohmann/json.hpp>

#include "bitmap/bitmap_record.h"

namespace pressling::web {

// A bitmap record with the keys and values of pressling-cli's --json:
// resource (type, id, index), family_index, offset, output_offset, the header
// fields, before, after and left_alone (one of them null).
nlohmann::json RecordJson(const BitmapRecord& record);

}  // namespace pressling::web
