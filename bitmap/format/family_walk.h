#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bitmap/event_pass.h"
#include "workfolder/result.h"

namespace pressling {

// One bitmap of a family as the walk found it; every range lies inside the piece.
struct FamilyBitmap {
  std::size_t position;      // first header byte, counted from the start of the piece
  std::uint8_t version;      // 1, 2 or 3
  std::size_t headerLength;  // 14, 16 or 24
  std::size_t distance;      // to the next bitmap in bytes; 0 = last bitmap
  std::size_t dataLength;    // from the end of the header to the next bitmap, or to the end of the piece
};

struct FamilyWalk {
  std::vector<FamilyBitmap> bitmaps;  // the well-formed bitmaps met, in order
  Message fault;                      // empty when the whole family may be touched; else why not

  bool supported() const { return fault.empty(); }
};

// Walks the family from byte 0, stopping at the first bitmap that has another
// version than 1, 2 or 3, a header that reaches past the end of the piece, or a
// distance that is shorter than its header, leads past the end of the piece or
// is 2^31 or more. Makes one event pass per well-formed bitmap; Stopped when
// the pass asks to stop.
Result<FamilyWalk> WalkBitmapFamily(std::span<const std::uint8_t> piece, const EventPass& eventPass);

}  // namespace pressling
