#pragma once

#include <nlohmann/json.hpp>

#include "bitmap/bitmap_record.h"
#include "database/conversion_run.h"

namespace pressling::cli {

// A bitmap record as the JSON document names it: resource (type, id, index),
// family_index, offset, output_offset, the header fields, before, after and
// left_alone (one of those two null). Keys in that order.
nlohmann::ordered_json RecordJson(const BitmapRecord& record);

// "written", "no_effect", "refused" or "failed"; stopped and busy runs failed.
const char* OutcomeName(RunOutcome outcome);

}  // namespace pressling::cli
