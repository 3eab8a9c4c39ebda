#include "bitmap/bitmap_layout.h"

#include "bitmap/big_endian.h"
#include "bitmap/bitmap_headers.h"

namespace pressling {

const char* CodecName(BitmapCodec codec) {
  switch (codec) {
    case BitmapCodec::ScanLine:
      return "ScanLine";
    case BitmapCodec::Rle:
      return "RLE";
    case BitmapCodec::PackBits:
      return "PackBits";
  }
  return "?";
}

const char* LeftAloneName(LeftAlone reason) {
  switch (reason) {
    case LeftAlone::Marker:
      return "high-density marker";
    case LeftAlone::SpecialFlags:
      return "indirect, forScreen or indirectColorTable flag";
    case LeftAlone::NoPixels:
      return "rowBytes x height is 0";
    case LeftAlone::HeaderSize:
      return "version-3 header size byte is not 24";
    case LeftAlone::Layout:
      return "parts reach past the bitmap";
    case LeftAlone::UnknownCompression:
      return "unknown compression type";
    case LeftAlone::Undecodable:
      return "compressed data do not decode";
    case LeftAlone::ReservedByteSet:
      return "version 1 with byte 13 set";
    case LeftAlone::NotSmaller:
      return "no codec makes it smaller";
    case LeftAlone::CheckFailed:
      return "new form did not decode back";
    case LeftAlone::NoDirectBlock:
      return "16-bit version 2 without the direct-colour flag";
    case LeftAlone::IconVersion1:
      return "v1 icon: thumbnailers ignore its compression";
  }
  return "?";
}

std::uint32_t ReadSizeWord(const BitmapLayout& layout, std::span<const std::uint8_t> bitmap) {
  return layout.sizeWordLength == 4 ? ReadU32Be(bitmap, layout.prefixLength) : ReadU16Be(bitmap, layout.prefixLength);
}

void WriteSizeWord(const BitmapLayout& layout, std::span<std::uint8_t> bitmap, std::uint32_t value) {
  if (layout.sizeWordLength == 4) WriteU32Be(bitmap, layout.prefixLength, value);
  else WriteU16Be(bitmap, layout.prefixLength, static_cast<std::uint16_t>(value));
}

namespace {

constexpr std::size_t kHeaderSizeOffsetV3 = 10;

LayoutRefusal Refuse(LeftAlone reason, std::string detail) { return LayoutRefusal{reason, std::move(detail)}; }

}  // namespace

std::variant<BitmapLayout, LayoutRefusal> ReadBitmapLayout(std::span<const std::uint8_t> bitmap) {
  const std::size_t size = bitmap.size();
  if (size <= kVersionOffset) return Refuse(LeftAlone::Layout, "the header is cut short");
  BitmapLayout layout;
  layout.version = bitmap[kVersionOffset];
  layout.headerLength = layout.version == 3 ? BitmapHeaderV3::kLength : kFullHeaderV1Length;
  if (size < layout.headerLength) {
    // The version-1 marker may end the piece after 14 bytes; it is never touched anyway.
    if (layout.version == 1 && bitmap[8] == kMarkerPixelSize) return Refuse(LeftAlone::Marker, "");
    return Refuse(LeftAlone::Layout, "the " + std::to_string(layout.headerLength) + "-byte header is cut short");
  }
  layout.height = ReadU16Be(bitmap, 2);
  layout.rowBytes = ReadU16Be(bitmap, 4);
  layout.flags = ReadU16Be(bitmap, 6);
  layout.pixelSize = bitmap[8];
  if (layout.version == 1 && layout.pixelSize == kMarkerPixelSize) return Refuse(LeftAlone::Marker, "");
  // Palm OS may take the data to start where the header's size byte says.
  if (layout.version == 3 && bitmap[kHeaderSizeOffsetV3] != BitmapHeaderV3::kLength)
    return Refuse(LeftAlone::HeaderSize, "the header says it is " + std::to_string(bitmap[kHeaderSizeOffsetV3]) + " bytes long");
  if (layout.flags & (kFlagWordIndirect | kFlagWordForScreen | kFlagWordIndirectColorTable))
    return Refuse(LeftAlone::SpecialFlags, "");
  layout.pixelBytes = std::size_t{layout.rowBytes} * layout.height;
  if (layout.pixelBytes == 0) return Refuse(LeftAlone::NoPixels, "");
  if (layout.pixelBytes > kMaxPixelBytes)
    return Refuse(LeftAlone::Layout, std::to_string(layout.pixelBytes) + " bytes of pixels are too many");

  // Every step below adds at most 2 + 4 * 65535 bytes to a length below 2^24: no overflow.
  std::size_t prefix = layout.headerLength;
  if (layout.flags & kFlagWordColorTable) {
    if (prefix + 2 > size) return Refuse(LeftAlone::Layout, "the colour table is cut short");
    prefix += 2 + std::size_t{4} * ReadU16Be(bitmap, prefix);
    if (prefix > size) return Refuse(LeftAlone::Layout, "the colour table reaches past the bitmap");
  }
  if (layout.version == 2 && (layout.flags & kFlagWordDirectColor)) {
    prefix += 8;
    if (prefix > size) return Refuse(LeftAlone::Layout, "the direct-colour block reaches past the bitmap");
  }
  layout.prefixLength = prefix;
  layout.sizeWordLength = layout.version == 3 ? 4 : 2;
  layout.compressed = (layout.flags & kFlagWordCompressed) != 0;

  if (!layout.compressed) {
    if (prefix + layout.pixelBytes > size)
      return Refuse(LeftAlone::Layout, "the " + std::to_string(layout.pixelBytes) + " bytes of pixels reach past the bitmap");
    return layout;
  }
  if (layout.version != 1) {
    const std::uint8_t type = bitmap[kCompressionTypeOffset];
    if (type >= kCodecCount) return Refuse(LeftAlone::UnknownCompression, "compression type " + std::to_string(type));
    layout.codec = static_cast<BitmapCodec>(type);
  }
  if (prefix + layout.sizeWordLength > size) return Refuse(LeftAlone::Layout, "the size word reaches past the bitmap");
  return layout;
}

}  // namespace pressling
