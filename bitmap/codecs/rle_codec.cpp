#include "bitmap/codecs/rle_codec.h"

#include <algorithm>

namespace pressling {

namespace {

constexpr std::size_t kMaxCount = 255;

}  // namespace

void EncodeRle(std::span<const std::uint8_t> pixels, RowShape shape, std::vector<std::uint8_t>& out) {
  for (std::size_t row = 0; row < shape.height; ++row) {
    const std::uint8_t* p = pixels.data() + row * shape.rowBytes;
    const std::uint8_t* end = p + shape.rowBytes;
    while (p < end) {
      const std::uint8_t value = *p;
      const std::uint8_t* runEnd = p + 1;
      const std::uint8_t* limit = p + std::min<std::size_t>(kMaxCount, static_cast<std::size_t>(end - p));
      while (runEnd < limit && *runEnd == value) ++runEnd;
      out.push_back(static_cast<std::uint8_t>(runEnd - p));
      out.push_back(value);
      p = runEnd;
    }
  }
}

DecodeResult DecodeRleWithEnd(std::span<const std::uint8_t> stream, RowShape shape, RleEnd end,
                              std::vector<std::uint8_t>& pixels) {
  const std::size_t total = shape.total();
  pixels.resize(total);
  std::size_t filled = 0;
  std::size_t at = 0;
  while (filled < total) {
    if (at + 2 > stream.size())
      return StreamFault("RLE", at, Msg("the data end after %s of %s pixel bytes",
                                        {std::to_string(filled), std::to_string(total)}));
    std::size_t count = stream[at];
    if (count == 0) return StreamFault("RLE", at, Msg("a run of 0 bytes"));
    if (count > total - filled && end == RleEnd::CutLast) count = total - filled;
    if (count > total - filled)
      return StreamFault("RLE", at, Msg("a run of %s passes the end of the pixels at byte %s",
                                        {std::to_string(count), std::to_string(total)}));
    std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(filled), count, stream[at + 1]);
    filled += count;
    at += 2;
  }
  return at;
}

DecodeResult DecodeRle(std::span<const std::uint8_t> stream, RowShape shape, std::vector<std::uint8_t>& pixels) {
  return DecodeRleWithEnd(stream, shape, RleEnd::Exact, pixels);
}

}  // namespace pressling
