#include "bitmap/family_walk.h"

#include "bitmap/big_endian.h"
#include "bitmap/bitmap_headers.h"

namespace pressling {

namespace {

std::string Where(std::size_t index, std::size_t position) {
  return "bitmap " + std::to_string(index) + " at byte " + std::to_string(position);
}

}  // namespace

Result<FamilyWalk> WalkBitmapFamily(std::span<const std::uint8_t> piece, const EventPass& eventPass) {
  FamilyWalk walk;
  const std::size_t size = piece.size();
  std::size_t p = 0;
  for (std::size_t index = 0;; ++index) {
    // p <= size holds throughout: every step forward was checked against size.
    const std::size_t left = size - p;
    if (left < BitmapHeaderV1::kLength) {
      walk.fault = Where(index, p) + ": header reaches past the end of the piece (" + std::to_string(size) + " bytes)";
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
        walk.fault = Where(index, p) + ": version " + std::to_string(version) + " is not 1, 2 or 3";
        return walk;
    }
    if (left < headerLength) {
      walk.fault = Where(index, p) + ": version-" + std::to_string(version) + " header reaches past the end of the piece (" +
                   std::to_string(size) + " bytes)";
      return walk;
    }
    if (distance >= (std::size_t{1} << 31)) {
      walk.fault = Where(index, p) + ": distance " + std::to_string(distance) + " is 2^31 or more";
      return walk;
    }
    if (distance != 0 && distance < headerLength) {
      walk.fault = Where(index, p) + ": distance " + std::to_string(distance) + " is shorter than its " +
                   std::to_string(headerLength) + "-byte header";
      return walk;
    }
    if (distance > left) {
      walk.fault = Where(index, p) + ": distance " + std::to_string(distance) + " leads past the end of the piece (" +
                   std::to_string(size) + " bytes)";
      return walk;
    }
    const std::size_t dataLength = (distance != 0 ? distance : left) - headerLength;
    walk.bitmaps.push_back(FamilyBitmap{p, version, headerLength, distance, dataLength});
    if (!PassEvents(eventPass)) {
      return Error{ErrorKind::Stopped, "stopped while walking the bitmap family at " + Where(index, p)};
    }
    if (distance == 0) return walk;
    p += distance;
  }
}

}  // namespace pressling
