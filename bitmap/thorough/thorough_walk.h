#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "language/message.h"

namespace pressling {

// One bitmap of a family as thorough mode walks it.
struct WalkedBitmap {
  std::size_t position;  // first header byte, counted from the start of the piece
  std::size_t length;    // bytes it occupies: to the next bitmap, or to the end of the piece
  bool hasNext;          // its distance field is not 0
};

struct ThoroughWalk {
  std::vector<WalkedBitmap> bitmaps;  // the bitmaps met, in order
  Message fault;                      // empty when the family may be touched; else why not

  bool supported() const { return fault.empty(); }
};

// Walks the family like the classic walk, with its refusals, and one step
// more: after the version-1 marker with pixel size 0xFF and distance 0 that
// Palm OS 5 puts before high-density bitmaps, the walk goes on 16 bytes after
// the marker's start, as Palm OS 5 and every reader do. The marker then
// occupies those 16 bytes.
ThoroughWalk WalkThoroughFamily(std::span<const std::uint8_t> piece);

}  // namespace pressling
