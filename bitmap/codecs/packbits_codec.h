#pragma once

#include "bitmap/codecs/row_shape.h"

namespace pressling {

// Palm's PackBits code, row by row, on units of 1 byte, or of 2 bytes for
// 16-bit pixels: a control byte c of 0..127 is followed by c + 1 literal
// units; 129..255 by one unit that repeats 257 - c times.

// Appends the shortest packets for each row of pixels. No packet crosses a row
// end, and the control byte 128 is never written: readers disagree on it.
// shape.rowBytes must be a multiple of unitBytes (1 or 2).
void EncodePackBits(std::span<const std::uint8_t> pixels, RowShape shape, std::size_t unitBytes,
                    std::vector<std::uint8_t>& out);

// Decodes the packets into pixels (resized to shape.total()). A packet that
// crosses a row end, the control byte 128, and a rowBytes that is no multiple
// of the unit are errors.
DecodeResult DecodePackBits(std::span<const std::uint8_t> stream, RowShape shape, std::size_t unitBytes,
                            std::vector<std::uint8_t>& pixels);

}  // namespace pressling
