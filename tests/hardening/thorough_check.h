#pragma once

#include <cstdint>
#include <span>
#include <string>

// What the fuzz target of the bitmap families checks of thorough mode, worked
// out without the product's codecs.

namespace pressling::hardening {

// Empty when the thorough rewrite of piece is correct: it never fails without
// an event pass; a family it changes walks to as many bitmaps, each the same
// bytes as before or a shorter, compressed bitmap whose header differs only in
// the compressed flag, the compression type (one its version allows) and the
// distance to the next bitmap, whose size word counts its data, and whose data
// a plain reader of Palm's codecs decodes, row by row, to the rows it had.
std::string CheckThoroughRewrite(std::span<const std::uint8_t> piece);

// Empty when the family made for the device of depth bits is correct: a
// slimmed family walks to exactly the bitmaps kept, the first among them, in
// their order and with their bytes but for the last one's distance, now 0, at
// positions that are multiples of 4; the marker and everything behind it are
// gone, and a bitmap deeper than the screen only stays first or where no
// bitmap is shallow enough. Its thorough rewrite passes CheckThoroughRewrite's
// checks and is what the conversion writes.
std::string CheckDeviceRewrite(std::span<const std::uint8_t> piece, unsigned depth);

}  // namespace pressling::hardening
