#include "bitmap/codecs/scanline_codec.h"

#include <algorithm>

namespace pressling {

namespace {

constexpr std::size_t kGroup = 8;

// The flag bits that stand for the first n bytes of a group.
std::uint8_t GroupMask(std::size_t n) { return static_cast<std::uint8_t>(0xFF00 >> n); }

}  // namespace

void EncodeScanLine(std::span<const std::uint8_t> pixels, RowShape shape, std::vector<std::uint8_t>& out) {
  for (std::size_t row = 0; row < shape.height; ++row) {
    const std::uint8_t* cur = pixels.data() + row * shape.rowBytes;
    const std::uint8_t* above = row == 0 ? nullptr : cur - shape.rowBytes;
    for (std::size_t j = 0; j < shape.rowBytes; j += kGroup) {
      const std::size_t n = std::min(kGroup, shape.rowBytes - j);
      const std::size_t flagAt = out.size();
      out.push_back(0);
      std::uint8_t flags = 0;
      for (std::size_t k = 0; k < n; ++k) {
        if (above == nullptr || cur[j + k] != above[j + k]) {
          flags |= static_cast<std::uint8_t>(0x80 >> k);
          out.push_back(cur[j + k]);
        }
      }
      out[flagAt] = flags;
    }
  }
}

DecodeResult DecodeScanLine(std::span<const std::uint8_t> stream, RowShape shape, std::vector<std::uint8_t>& pixels) {
  pixels.resize(shape.total());
  std::size_t at = 0;
  for (std::size_t row = 0; row < shape.height; ++row) {
    std::uint8_t* cur = pixels.data() + row * shape.rowBytes;
    for (std::size_t j = 0; j < shape.rowBytes; j += kGroup) {
      const std::size_t n = std::min(kGroup, shape.rowBytes - j);
      if (at >= stream.size())
        return StreamFault("ScanLine", at,
                           Msg("the data end in row %s of %s", {std::to_string(row), std::to_string(shape.height)}));
      const std::uint8_t flags = stream[at];
      if (flags & ~GroupMask(n))
        return StreamFault("ScanLine", at,
                           Msg("flag bits stand for bytes past the end of row %s", {std::to_string(row)}));
      if (row == 0 && flags != GroupMask(n))
        return StreamFault("ScanLine", at, Msg("row 0 leaves bytes to a row above it"));
      ++at;
      for (std::size_t k = 0; k < n; ++k) {
        if (flags & (0x80 >> k)) {
          if (at >= stream.size())
            return StreamFault("ScanLine", at,
                           Msg("the data end in row %s of %s", {std::to_string(row), std::to_string(shape.height)}));
          cur[j + k] = stream[at++];
        } else {
          cur[j + k] = pixels[(row - 1) * shape.rowBytes + j + k];  // row > 0: row 0 sets every bit
        }
      }
    }
  }
  return at;
}

}  // namespace pressling
