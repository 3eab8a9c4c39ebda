#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "bitmap/event_pass.h"
#include "workfolder/result.h"

namespace pressling {

// True when every header of the bitmap family in piece is of version 1, 2 or 3
// and the family is well formed (see family_walk.h); false leaves the piece
// untouched. Makes one event pass per bitmap; Stopped when it asks to stop.
Result<bool> IsSupportedFamily(std::span<const std::uint8_t> piece, const EventPass& eventPass);

// The same for a piece file, which is only read.
Result<bool> IsSupportedFamily(const std::filesystem::path& pieceFilePath, const EventPass& eventPass);

}  // namespace pressling
