#pragma once

#include <cstdint>
#include <span>

#include "bitmap/picture/bitmap_record.h"
#include "workfolder/result.h"

namespace pressling {

// The data of resource index of the database held in database: from its
// offset to the next one's, or to the end of the file. Corrupt when the
// database is too short for its list or the offsets do not ascend inside it.
Result<std::span<const std::uint8_t>> ResourceData(std::span<const std::uint8_t> database, std::size_t index);

// Which side of a run a database is.
enum class RunSide { Input, Output };

// The bytes a record's bitmap occupies in the input or in the output database
// of its run; Corrupt when they do not lie inside its resource. The output
// side has no bitmap for a record without an after form that changed size;
// left-alone bitmaps are found there at outputOffset with their old length.
Result<std::span<const std::uint8_t>> LocateBitmap(std::span<const std::uint8_t> database, const BitmapRecord& record,
                                                   RunSide side);

}  // namespace pressling
