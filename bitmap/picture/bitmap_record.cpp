#include "bitmap/picture/bitmap_record.h"

#include "bitmap/format/big_endian.h"
#include "bitmap/format/bitmap_headers.h"
#include "bitmap/format/bitmap_layout.h"

namespace pressling {

namespace {

constexpr std::size_t kTransparentIndexV2 = 12;
constexpr std::size_t kDensityV3 = 14;
constexpr std::size_t kTransparentValueV3 = 16;
constexpr std::string_view kFaultCode = "fault";

BitmapCompression CompressionOf(std::span<const std::uint8_t> bitmap, std::uint8_t version, std::uint16_t flags) {
  if (!(flags & kFlagWordCompressed)) return BitmapCompression::None;
  // Version 1 knows one codec only and has no compressionType byte.
  if (version == 1) return BitmapCompression::ScanLine;
  if (bitmap.size() <= kCompressionTypeOffset) return BitmapCompression::Unknown;
  switch (bitmap[kCompressionTypeOffset]) {
    case 0:
      return BitmapCompression::ScanLine;
    case 1:
      return BitmapCompression::Rle;
    case 2:
      return BitmapCompression::PackBits;
    default:
      return BitmapCompression::Unknown;
  }
}

// Version 2 keeps the transparent colour of a 16-bit bitmap in its
// direct-colour block (index, red, green, blue after three size bytes and one
// reserved), which follows the colour table.
std::optional<std::uint32_t> TransparentV2(std::span<const std::uint8_t> bitmap, const BitmapRecord& record,
                                           std::uint16_t flags) {
  if (record.pixelSize != 16) return bitmap[kTransparentIndexV2];  // inside the 14 bytes the caller checked
  if (!record.directColor) return std::nullopt;
  std::size_t block = kFullHeaderV1Length;
  if (flags & kFlagWordColorTable) {
    if (block + 2 > bitmap.size()) return std::nullopt;
    block += 2 + std::size_t{4} * ReadU16Be(bitmap, block);
  }
  if (block + 8 > bitmap.size()) return std::nullopt;
  const std::uint32_t r = bitmap[block + 5], g = bitmap[block + 6], b = bitmap[block + 7];
  return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
}

}  // namespace

const char* CompressionName(BitmapCompression compression) {
  switch (compression) {
    case BitmapCompression::None:
      return "none";
    case BitmapCompression::ScanLine:
      return "ScanLine";
    case BitmapCompression::Rle:
      return "RLE";
    case BitmapCompression::PackBits:
      return "PackBits";
    case BitmapCompression::Unknown:
      break;
  }
  return "unknown";
}

std::string CompressionText(BitmapCompression compression, const Language& language) {
  switch (compression) {
    case BitmapCompression::None:
      // TRANSLATORS: the compression of a bitmap stored uncompressed.
      return language.TrC("compression", "none");
    case BitmapCompression::Unknown:
      // TRANSLATORS: the compression of a bitmap whose compression type no codec has.
      return language.TrC("compression", "unknown");
    default:
      return CompressionName(compression);
  }
}

BitmapRecord DescribeBitmap(std::span<const std::uint8_t> bitmap, std::size_t familyIndex, std::size_t offset,
                            std::size_t outputOffset) {
  BitmapRecord record;
  record.familyIndex = static_cast<std::uint32_t>(familyIndex);
  record.offset = static_cast<std::uint32_t>(offset);
  record.outputOffset = static_cast<std::uint32_t>(outputOffset);
  record.before.bytes = static_cast<std::uint32_t>(bitmap.size());
  if (bitmap.size() < kFullHeaderV1Length - 2) return record;  // no whole header: Unknown
  record.version = bitmap[kVersionOffset];
  record.width = ReadU16Be(bitmap, 0);
  record.height = ReadU16Be(bitmap, 2);
  record.rowBytes = ReadU16Be(bitmap, 4);
  const std::uint16_t flags = ReadU16Be(bitmap, 6);
  // Early bitmaps leave pixelSize 0 for one bit per pixel.
  record.pixelSize = bitmap[8] == 0 && record.version < 2 ? 1 : bitmap[8];
  record.colorTable = (flags & kFlagWordColorTable) != 0;
  record.directColor = (flags & kFlagWordDirectColor) != 0;
  record.before.compression = CompressionOf(bitmap, record.version, flags);
  if (record.version == 3 && bitmap.size() >= kTransparentValueV3 + 4) {
    record.density = ReadU16Be(bitmap, kDensityV3);
    if (flags & kFlagWordTransparency) record.transparent = ReadU32Be(bitmap, kTransparentValueV3);
  } else if (record.version == 2 && (flags & kFlagWordTransparency)) {
    record.transparent = TransparentV2(bitmap, record, flags);
  }
  return record;
}

void RecordFamilyLeftAsItWas(std::span<const std::uint8_t> piece,
                             std::span<const std::pair<std::size_t, std::size_t>> reached, const Message& fault,
                             std::vector<BitmapRecord>& records) {
  const std::string reason = std::string(kFamilyLeftAsItWas) + fault.English();
  std::size_t stop = 0;
  std::size_t index = 0;
  for (const auto& [position, length] : reached) {
    records.push_back(DescribeBitmap(piece.subspan(position, length), index++, position, position));
    records.back().leftAlone = reason;
    records.back().leftAloneCode = kFaultCode;
    records.back().fault = fault;
    stop = position + length;
  }
  if (stop >= piece.size()) return;
  records.push_back(DescribeBitmap(piece.subspan(stop), index, stop, stop));
  records.back().leftAlone = reason;
  records.back().leftAloneCode = kFaultCode;
  records.back().fault = fault;
}

std::string LeftAloneText(const BitmapRecord& record, const Language& language) {
  const std::string_view text = record.leftAlone;
  if (record.leftAloneCode == kFaultCode) return language.Trf("family left as it was: %s", {record.fault.In(language)});
  return text.empty() ? std::string() : language.Tr(text);
}

std::string_view LeftAloneCode(const BitmapRecord& record) { return record.leftAloneCode; }

}  // namespace pressling
