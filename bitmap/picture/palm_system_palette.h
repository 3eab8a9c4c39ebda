#pragma once

#include <array>
#include <cstdint>

namespace pressling {

// Palm OS's standard 8-bit system palette, one 0xRRGGBB colour per index: what
// an 8-bit bitmap without its own colour table shows.
extern const std::array<std::uint32_t, 256> kPalmSystemPalette;

}  // namespace pressling
