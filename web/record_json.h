#pragma once

#include <nlohmann/json.hpp>

#include "bitmap/bitmap_record.h"

namespace pressling::web {

// A bitmap record with the keys of pressling-cli's --json: resource (type,
// id, index), family_index, offset, output_offset, the header fields, before,
// after (or null) and left_alone (or null).
nlohmann::json RecordJson(const BitmapRecord& record);

}  // namespace pressling::web
