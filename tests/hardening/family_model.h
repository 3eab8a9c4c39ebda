#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What the bitmap compression must do with a "Tbmp" piece, worked out
// independently of bitmap/: which families may be touched, which bitmaps must
// be packed, and how long the rewritten piece is.

namespace pressling::hardening {

// A family is touched only when every header and distance lies inside the
// piece, every version is 1 to 3, and every non-zero distance is at least
// its header's length and below 2^31.
bool FamilySupported(std::span<const std::uint8_t> piece);

// The number of bitmaps the walk of a supported family visits.
std::size_t FamilyBitmapCount(std::span<const std::uint8_t> piece);

// The length of the rewritten piece of a supported family.
std::size_t ExpectedRewrittenLength(std::span<const std::uint8_t> piece);

// Empty when after is the correct rewrite of the supported family before:
// every bitmap that pays is packed and decodes to its data block, every other
// one is byte for byte the same. Otherwise what is wrong.
std::string CheckRewrite(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after);

// Builds a family: each bitmap gets the distance to the next one (0 for the last).
struct BitmapSpec {
  int version;            // 1, 2 or 3; any other value is written as it stands with a 16-byte header
  std::uint8_t flagsHigh;  // byte 6 (0x80 compressed, 0x40 colour table, 0x04 direct colour)
  std::vector<std::uint8_t> data;
  std::uint8_t byte8 = 8;  // pixel size; 255 marks the version-1 placeholder of real files
};
std::vector<std::uint8_t> BuildFamily(const std::vector<BitmapSpec>& bitmaps);

}  // namespace pressling::hardening
