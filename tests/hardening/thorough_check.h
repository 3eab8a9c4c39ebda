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

}  // namespace pressling::hardening
