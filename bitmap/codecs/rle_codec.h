#pragma once

#include "bitmap/codecs/row_shape.h"

namespace pressling {

// Palm's run-length code: (count 1..255, value) pairs.

// Appends the pairs for pixels, restarting the runs at every row as Palm's own
// encoder does, so that no pair reaches into the next row.
void EncodeRle(std::span<const std::uint8_t> pixels, RowShape shape, std::vector<std::uint8_t>& out);

// How the last run of a stream may end.
enum class RleEnd : std::uint8_t {
  Exact,    // exactly at the last pixel byte: what the rewrite writes and checks
  CutLast,  // anywhere past it too, cut there: what Palm OS shows
};

// Decodes pairs into pixels (resized to shape.total()). Palm OS reads the
// pairs as one stream, so a run may go on into the next row; end says where
// the last run may end. A count of 0 is an error.
DecodeResult DecodeRleWithEnd(std::span<const std::uint8_t> stream, RowShape shape, RleEnd end,
                              std::vector<std::uint8_t>& pixels);

// The strict decoder: the last run must end exactly at the last pixel byte.
DecodeResult DecodeRle(std::span<const std::uint8_t> stream, RowShape shape, std::vector<std::uint8_t>& pixels);

}  // namespace pressling
