#include "bitmap/codecs/bitmap_decoder.h"

#include "bitmap/codecs/packbits_codec.h"
#include "bitmap/codecs/rle_codec.h"
#include "bitmap/codecs/scanline_codec.h"

namespace pressling {

namespace {

// No codec gets more than this many pixel bytes out of one byte of data
// (RLE: 255 from 2), so a larger claim fails before anything is allocated.
constexpr std::size_t kMaxExpansion = 128;

}  // namespace

std::size_t PackBitsUnit(const BitmapLayout& layout) { return layout.pixelSize == 16 ? 2 : 1; }

DecodeResult DecodeBitmapRows(const BitmapLayout& layout, std::span<const std::uint8_t> bitmap,
                              std::vector<std::uint8_t>& rows, RleEnd rleEnd) {
  const RowShape shape{layout.rowBytes, layout.height};
  if (!layout.compressed) {
    const auto pixels = bitmap.subspan(layout.prefixLength, layout.pixelBytes);
    rows.assign(pixels.begin(), pixels.end());
    return std::size_t{0};
  }
  const auto stream = bitmap.subspan(layout.prefixLength + layout.sizeWordLength);
  if (layout.pixelBytes > kMaxExpansion * stream.size())
    return Error{ErrorKind::Corrupt, Msg("%s bytes of %s data cannot hold %s pixel bytes",
                                         {std::to_string(stream.size()), std::string(CodecName(layout.codec)),
                                          std::to_string(layout.pixelBytes)})};
  switch (layout.codec) {
    case BitmapCodec::ScanLine:
      return DecodeScanLine(stream, shape, rows);
    case BitmapCodec::Rle:
      return DecodeRleWithEnd(stream, shape, rleEnd, rows);
    case BitmapCodec::PackBits:
      return DecodePackBits(stream, shape, PackBitsUnit(layout), rows);
  }
  return Error{ErrorKind::Corrupt, Msg("unknown compression type")};
}

}  // namespace pressling
