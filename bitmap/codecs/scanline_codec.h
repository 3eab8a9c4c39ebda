#pragma once

#include "bitmap/codecs/row_shape.h"

namespace pressling {

// Palm's ScanLine code: for each group of up to 8 bytes of a row, one flag
// byte (most significant bit = first byte of the group), then the bytes whose
// flag bit is set; a clear bit repeats the byte of the row above.

// Appends the code for pixels. Every flag bit of row 0 that stands for a byte
// is set and all its bytes are written, because several readers take row 0 as
// literal whatever its flags say.
void EncodeScanLine(std::span<const std::uint8_t> pixels, RowShape shape, std::vector<std::uint8_t>& out);

// Decodes the code into pixels (resized to shape.total()). Refuses what
// readers would take differently: a clear flag bit in row 0, and a set bit
// that stands for no byte of the row.
DecodeResult DecodeScanLine(std::span<const std::uint8_t> stream, RowShape shape, std::vector<std::uint8_t>& pixels);

}  // namespace pressling
