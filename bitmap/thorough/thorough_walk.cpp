#include "bitmap/thorough/thorough_walk.h"

#include "bitmap/format/bitmap_headers.h"
#include "bitmap/format/bitmap_layout.h"
#include "bitmap/format/family_walk.h"

namespace pressling {

ThoroughWalk WalkThoroughFamily(std::span<const std::uint8_t> piece) {
  ThoroughWalk walk;
  std::size_t base = 0;
  for (;;) {
    // Without an event pass the classic walk cannot fail; it only finds faults.
    auto part = WalkBitmapFamily(piece.subspan(base), EventPass{});
    for (const FamilyBitmap& b : part->bitmaps)
      walk.bitmaps.push_back(WalkedBitmap{base + b.position, b.headerLength + b.dataLength, b.distance != 0});
    if (!part->supported()) {
      walk.fault = base == 0 ? part->fault
                             : Msg("after the marker at byte %s: %s",
                                   {std::to_string(base - kFullHeaderV1Length), part->fault});
      return walk;
    }
    WalkedBitmap& last = walk.bitmaps.back();
    const bool marker = piece[last.position + kVersionOffset] == 1 && piece[last.position + 8] == kMarkerPixelSize;
    if (!marker || last.length <= kFullHeaderV1Length) return walk;
    last.length = kFullHeaderV1Length;
    base = last.position + kFullHeaderV1Length;
  }
}

}  // namespace pressling
