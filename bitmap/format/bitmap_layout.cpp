#include "bitmap/format/bitmap_layout.h"

#include "bitmap/format/big_endian.h"
#include "bitmap/format/bitmap_headers.h"
#include "language/language.h"

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

namespace {

struct LeftAloneEntry {
  std::string_view code;
  const char* text;
};

// In the order of LeftAlone.
constexpr LeftAloneEntry kLeftAloneEntries[kLeftAloneCount] = {
    {"density-marker", TextId("high-density marker")},
    {"special-flags", TextId("indirect, forScreen or indirectColorTable flag")},
    {"no-pixels", TextId("rowBytes x height is 0")},
    {"header-size", TextId("version-3 header size byte is not 24")},
    {"layout", TextId("parts reach past the bitmap")},
    {"unknown-compression", TextId("unknown compression type")},
    {"undecodable", TextId("compressed data do not decode")},
    {"reserved-byte", TextId("version 1 with byte 13 set")},
    {"no-gain", TextId("no codec makes it smaller")},
    {"check-failed", TextId("new form did not decode back")},
    {"v2-16-bit-indirect", TextId("16-bit version 2 without the direct-colour flag")},
    {"v1-icon", TextId("v1 icon: thumbnailers ignore its compression")},
};

}  // namespace

const char* LeftAloneName(LeftAlone reason) { return kLeftAloneEntries[static_cast<std::size_t>(reason)].text; }

std::string_view LeftAloneCode(LeftAlone reason) { return kLeftAloneEntries[static_cast<std::size_t>(reason)].code; }

std::uint32_t ReadSizeWord(const BitmapLayout& layout, std::span<const std::uint8_t> bitmap) {
  return layout.sizeWordLength == 4 ? ReadU32Be(bitmap, layout.prefixLength) : ReadU16Be(bitmap, layout.prefixLength);
}

void WriteSizeWord(const BitmapLayout& layout, std::span<std::uint8_t> bitmap, std::uint32_t value) {
  if (layout.sizeWordLength == 4) WriteU32Be(bitmap, layout.prefixLength, value);
  else WriteU16Be(bitmap, layout.prefixLength, static_cast<std::uint16_t>(value));
}

namespace {

constexpr std::size_t kHeaderSizeOffsetV3 = 10;

LayoutRefusal Refuse(LeftAlone reason, Message detail = {}) { return LayoutRefusal{reason, std::move(detail)}; }

}  // namespace

std::variant<BitmapLayout, LayoutRefusal> ReadBitmapLayout(std::span<const std::uint8_t> bitmap) {
  const std::size_t size = bitmap.size();
  if (size <= kVersionOffset) return Refuse(LeftAlone::Layout, Msg("the header is cut short"));
  BitmapLayout layout;
  layout.version = bitmap[kVersionOffset];
  layout.headerLength = layout.version == 3 ? BitmapHeaderV3::kLength : kFullHeaderV1Length;
  if (size < layout.headerLength) {
    // The version-1 marker may end the piece after 14 bytes; it is never touched anyway.
    if (layout.version == 1 && bitmap[8] == kMarkerPixelSize) return Refuse(LeftAlone::Marker);
    return Refuse(LeftAlone::Layout, Msg("the %s-byte header is cut short", {std::to_string(layout.headerLength)}));
  }
  layout.height = ReadU16Be(bitmap, 2);
  layout.rowBytes = ReadU16Be(bitmap, 4);
  layout.flags = ReadU16Be(bitmap, 6);
  layout.pixelSize = bitmap[8];
  if (layout.version == 1 && layout.pixelSize == kMarkerPixelSize) return Refuse(LeftAlone::Marker);
  // Palm OS may take the data to start where the header's size byte says.
  if (layout.version == 3 && bitmap[kHeaderSizeOffsetV3] != BitmapHeaderV3::kLength)
    return Refuse(LeftAlone::HeaderSize,
                  Msg("the header says it is %s bytes long", {std::to_string(bitmap[kHeaderSizeOffsetV3])}));
  if (layout.flags & (kFlagWordIndirect | kFlagWordForScreen | kFlagWordIndirectColorTable))
    return Refuse(LeftAlone::SpecialFlags);
  layout.pixelBytes = std::size_t{layout.rowBytes} * layout.height;
  if (layout.pixelBytes == 0) return Refuse(LeftAlone::NoPixels);
  if (layout.pixelBytes > kMaxPixelBytes)
    return Refuse(LeftAlone::Layout, Msg("%s bytes of pixels are too many", {std::to_string(layout.pixelBytes)}));

  // Every step below adds at most 2 + 4 * 65535 bytes to a length below 2^24: no overflow.
  std::size_t prefix = layout.headerLength;
  if (layout.flags & kFlagWordColorTable) {
    if (prefix + 2 > size) return Refuse(LeftAlone::Layout, Msg("the colour table is cut short"));
    prefix += 2 + std::size_t{4} * ReadU16Be(bitmap, prefix);
    if (prefix > size) return Refuse(LeftAlone::Layout, Msg("the colour table reaches past the bitmap"));
  }
  if (layout.version == 2 && (layout.flags & kFlagWordDirectColor)) {
    prefix += 8;
    if (prefix > size) return Refuse(LeftAlone::Layout, Msg("the direct-colour block reaches past the bitmap"));
  }
  layout.prefixLength = prefix;
  layout.sizeWordLength = layout.version == 3 ? 4 : 2;
  layout.compressed = (layout.flags & kFlagWordCompressed) != 0;

  if (!layout.compressed) {
    if (prefix + layout.pixelBytes > size)
      return Refuse(LeftAlone::Layout,
                    Msg("the %s bytes of pixels reach past the bitmap", {std::to_string(layout.pixelBytes)}));
    return layout;
  }
  if (layout.version != 1) {
    const std::uint8_t type = bitmap[kCompressionTypeOffset];
    if (type >= kCodecCount)
      return Refuse(LeftAlone::UnknownCompression, Msg("compression type %s", {std::to_string(type)}));
    layout.codec = static_cast<BitmapCodec>(type);
  }
  if (prefix + layout.sizeWordLength > size)
    return Refuse(LeftAlone::Layout, Msg("the size word reaches past the bitmap"));
  return layout;
}

}  // namespace pressling
