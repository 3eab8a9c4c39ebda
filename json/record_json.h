#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "bitmap/picture/bitmap_record.h"
#include "database/conversion_run.h"
#include "language/language.h"

namespace pressling {

// A bitmap record as the JSON documents name it: resource (type, id, index),
// family_index, offset, output_offset, the header fields, before, after,
// left_alone (the reason in language) and reason (its stable code); after,
// or left_alone and reason, are null; a bitmap dropped for a device has
// output_offset and after null, and its reason in left_alone and reason. Keys in that order; keys and codec
// identifiers are the same in every language.
nlohmann::ordered_json RecordJson(const BitmapRecord& record, const Language& language);

// "written", "no_effect", "refused" or "failed"; stopped and busy runs failed.
const char* OutcomeName(RunOutcome outcome);

// A resource type as text: printable ASCII as it is, other bytes as "\xNN".
std::string ResourceTypeText(const std::array<std::uint8_t, 4>& type);

}  // namespace pressling
