#include "bitmap/format/family_walk.h"

#include "bitmap/format/big_endian.h"
#include "bitmap/format/bitmap_headers.h"

namespace pressling {

namespace {

std::string Text(std::size_t n) { return std::to_string(n); }

}  // namespace

Result<FamilyWalk> WalkBitmapFamily(std::span<const std::uint8_t> piece, const EventPass& eventPass) {
  FamilyWalk walk;
  const std::size_t size = piece.size();
  std::size_t p = 0;
  for (std::size_t index = 0;; ++index) {
    // p <= size holds throughout: every step forward was checked against size.
    const std::size_t left = size - p;
    if (left < BitmapHeaderV1::kLength) {
      walk.fault = Msg("bitmap %s at byte %s: header reaches past the end of the piece (%s bytes)",
                       {Text(index), Text(p), Text(size)});
      return walk;
    }
    const std::uint8_t version = piece[p + kVersionOffset];
    std::size_t headerLength = 0;
    std::size_t distance = 0;
    switch (version) {
      case 1:
        headerLength = BitmapHeaderV1::kLength;
        distance = std::size_t{ReadU16Be(piece, p + 10)} * 4;
        break;
      case 2:
        headerLength = BitmapHeaderV2::kLength;
        if (left >= headerLength) distance = std::size_t{ReadU16Be(piece, p + 10)} * 4;
        break;
      case 3:
        headerLength = BitmapHeaderV3::kLength;
        if (left >= headerLength) distance = ReadU32Be(piece, p + 20);
        break;
      default:
        walk.fault = Msg("bitmap %s at byte %s: version %s is not 1, 2 or 3", {Text(index), Text(p), Text(version)});
        return walk;
    }
    if (left < headerLength) {
      walk.fault = Msg("bitmap %s at byte %s: version-%s header reaches past the end of the piece (%s bytes)",
                       {Text(index), Text(p), Text(version), Text(size)});
      return walk;
    }
    if (distance >= (std::size_t{1} << 31)) {
      walk.fault = Msg("bitmap %s at byte %s: distance %s is 2^31 or more", {Text(index), Text(p), Text(distance)});
      return walk;
    }
    if (distance != 0 && distance < headerLength) {
      walk.fault = Msg("bitmap %s at byte %s: distance %s is shorter than its %s-byte header",
                       {Text(index), Text(p), Text(distance), Text(headerLength)});
      return walk;
    }
    if (distance > left) {
      walk.fault = Msg("bitmap %s at byte %s: distance %s leads past the end of the piece (%s bytes)",
                       {Text(index), Text(p), Text(distance), Text(size)});
      return walk;
    }
    const std::size_t dataLength = (distance != 0 ? distance : left) - headerLength;
    walk.bitmaps.push_back(FamilyBitmap{p, version, headerLength, distance, dataLength});
    if (!PassEvents(eventPass)) {
      return Error{ErrorKind::Stopped,
                   Msg("stopped while walking the bitmap family at bitmap %s at byte %s", {Text(index), Text(p)})};
    }
    if (distance == 0) return walk;
    p += distance;
  }
}

}  // namespace pressling
