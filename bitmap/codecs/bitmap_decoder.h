#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "bitmap/format/bitmap_layout.h"
#include "bitmap/codecs/rle_codec.h"
#include "bitmap/codecs/row_shape.h"

namespace pressling {

// The unit PackBits works on for a bitmap: 2 bytes for 16-bit pixels, else 1.
std::size_t PackBitsUnit(const BitmapLayout& layout);

// The pixel rows (rowBytes x height bytes) of the bitmap held in bitmap, whose
// layout is given: copied when it is uncompressed, else decoded from the data
// after the size word by the strict decoder of its codec; rleEnd says how the
// last RLE run may end. Returns how many bytes of compressed data were used (0
// when uncompressed). An error when the data do not give exactly rowBytes x
// height bytes within the bitmap.
DecodeResult DecodeBitmapRows(const BitmapLayout& layout, std::span<const std::uint8_t> bitmap,
                              std::vector<std::uint8_t>& rows, RleEnd rleEnd = RleEnd::Exact);

}  // namespace pressling
