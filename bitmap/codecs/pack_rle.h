#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pressling {

// Run-length packs data (at least one byte) into packed, replacing what packed
// held: two zero bytes left free for a size word, then (count, value) pairs
// with counts 1 to 128, then two zero bytes when needed to make the length a
// multiple of 4.
void PackRle(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& packed);

}  // namespace pressling
