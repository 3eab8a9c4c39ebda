#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "workfolder/result.h"

namespace pressling {

// One bitmap as 8-bit RGBA, row 0 first: what a Palm device shows.
struct BitmapPicture {
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::vector<std::uint8_t> rgba;  // width x height x 4 bytes: red, green, blue, alpha
};

// Renders the bitmap held in bitmap (the bytes it occupies in its resource:
// from its header to the next bitmap of its family, or to the end of the
// resource). Grey levels for 1, 2 and 4 bits (0 is white), the bitmap's own
// colour table or the system palette for 8 bits, RGB565 for 16 bits; the
// transparent index or colour gets alpha 0. RLE data are read as Palm OS
// reads them, as one stream whose last run may reach past the pixels.
Result<BitmapPicture> RenderBitmapPicture(std::span<const std::uint8_t> bitmap);

}  // namespace pressling
