#include "bitmap/thorough/thorough_rewrite.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <variant>

#include "bitmap/format/big_endian.h"
#include "bitmap/codecs/bitmap_decoder.h"
#include "bitmap/format/bitmap_headers.h"
#include "bitmap/codecs/packbits_codec.h"
#include "bitmap/codecs/rle_codec.h"
#include "bitmap/codecs/scanline_codec.h"
#include "bitmap/thorough/thorough_walk.h"

namespace pressling {

void ThoroughTally::Add(const ThoroughTally& other) {
  for (std::size_t k = 0; k < rewritten.size(); ++k) rewritten[k] += other.rewritten[k];
  for (std::size_t k = 0; k < leftAlone.size(); ++k) leftAlone[k] += other.leftAlone[k];
  bytesSaved += other.bytesSaved;
  familiesRefused += other.familiesRefused;
  dropped += other.dropped;
  bytesDropped += other.bytesDropped;
}

namespace {

constexpr std::size_t kMaxShortSizeWord = 65535;
constexpr std::size_t kDistanceOffsetV1V2 = 10;
constexpr std::size_t kDistanceOffsetV3 = 20;

struct NewForm {
  std::vector<std::uint8_t> bytes;
  BitmapCodec codec;
};

// Palm OS 3.5 reads no PackBits, so only version 3 may use it.
std::vector<BitmapCodec> AllowedCodecs(const BitmapLayout& layout, FamilyKind kind) {
  if (kind == FamilyKind::ApplicationIcon && layout.pixelSize == 16) return {BitmapCodec::ScanLine};
  switch (layout.version) {
    case 1:
      return {BitmapCodec::ScanLine};
    case 2:
      return {BitmapCodec::ScanLine, BitmapCodec::Rle};
    default:
      if (layout.rowBytes % PackBitsUnit(layout) != 0) return {BitmapCodec::ScanLine, BitmapCodec::Rle};
      return {BitmapCodec::ScanLine, BitmapCodec::Rle, BitmapCodec::PackBits};
  }
}

void Encode(BitmapCodec codec, const BitmapLayout& layout, std::span<const std::uint8_t> rows,
            std::vector<std::uint8_t>& out) {
  const RowShape shape{layout.rowBytes, layout.height};
  switch (codec) {
    case BitmapCodec::ScanLine:
      return EncodeScanLine(rows, shape, out);
    case BitmapCodec::Rle:
      return EncodeRle(rows, shape, out);
    case BitmapCodec::PackBits:
      return EncodePackBits(rows, shape, PackBitsUnit(layout), out);
  }
}

// The shortest encoding of rows among the codecs the version allows, whose
// size word can hold its length; nullopt when none can.
std::optional<std::pair<BitmapCodec, std::vector<std::uint8_t>>> ShortestEncoding(const BitmapLayout& layout,
                                                                                  std::span<const std::uint8_t> rows,
                                                                                  FamilyKind kind) {
  std::optional<std::pair<BitmapCodec, std::vector<std::uint8_t>>> best;
  std::vector<std::uint8_t> data;
  for (BitmapCodec codec : AllowedCodecs(layout, kind)) {
    data.clear();
    Encode(codec, layout, rows, data);
    if (layout.sizeWordLength == 2 && 2 + data.size() > kMaxShortSizeWord) continue;
    if (!best) best.emplace(codec, std::vector<std::uint8_t>());
    else if (data.size() >= best->second.size()) continue;
    best->first = codec;
    best->second.swap(data);
  }
  return best;
}

// The new form decodes, by the same decoder that read the old one, to the same
// rows, and its size word counts exactly the data the decoder used.
bool DecodesBack(std::span<const std::uint8_t> bytes, const BitmapLayout& old, std::span<const std::uint8_t> rows) {
  auto layout = ReadBitmapLayout(bytes);
  const auto* read = std::get_if<BitmapLayout>(&layout);
  if (read == nullptr || !read->compressed || read->prefixLength != old.prefixLength) return false;
  std::vector<std::uint8_t> decoded;
  auto used = DecodeBitmapRows(*read, bytes, decoded);
  return used && ReadSizeWord(*read, bytes) == read->sizeWordLength + *used &&
         std::equal(decoded.begin(), decoded.end(), rows.begin(), rows.end());
}

// The bitmap held in bitmap, placed at newPosition of the rewritten piece, in
// its shortest form; or why it stays as it is.
std::variant<NewForm, LeftAlone> Rewrite(std::span<const std::uint8_t> bitmap, bool hasNext, std::size_t newPosition,
                                        FamilyKind kind) {
  auto read = ReadBitmapLayout(bitmap);
  if (const auto* refusal = std::get_if<LayoutRefusal>(&read)) return refusal->reason;
  const BitmapLayout& layout = std::get<BitmapLayout>(read);
  if (kind == FamilyKind::ApplicationIcon && layout.version == 1) return LeftAlone::IconVersion1;
  // Some readers take an 8-byte direct-colour block to follow such a header all the same.
  if (layout.version == 2 && layout.pixelSize == 16 && !(layout.flags & kFlagWordDirectColor))
    return LeftAlone::NoDirectBlock;
  // Version 1 has no compressionType, but readers such as netpbm take byte 13
  // for it; ScanLine is type 0.
  if (layout.version == 1 && bitmap[kCompressionTypeOffset] != 0) return LeftAlone::ReservedByteSet;
  std::vector<std::uint8_t> rows;
  if (!DecodeBitmapRows(layout, bitmap, rows)) return LeftAlone::Undecodable;

  auto best = ShortestEncoding(layout, rows, kind);
  if (!best) return LeftAlone::NotSmaller;
  const auto& [codec, data] = *best;
  const std::size_t body = layout.prefixLength + layout.sizeWordLength + data.size();
  // Zero fill so that the next bitmap starts 4-aligned; versions 1 and 2 count
  // their distance in units of 4 bytes.
  const std::size_t length =
      layout.version == 3 ? body + (4 - (newPosition + body) % 4) % 4 : (body + 3) / 4 * 4;
  if (length >= bitmap.size()) return LeftAlone::NotSmaller;

  NewForm form{std::vector<std::uint8_t>(length, 0), codec};
  std::vector<std::uint8_t>& out = form.bytes;
  std::copy_n(bitmap.begin(), layout.prefixLength, out.begin());
  WriteU16Be(out, 6, static_cast<std::uint16_t>(layout.flags | kFlagWordCompressed));
  if (layout.version != 1) out[kCompressionTypeOffset] = static_cast<std::uint8_t>(codec);
  // length < bitmap.size(), which the old distance field described: the new value fits.
  if (hasNext && layout.version == 3) WriteU32Be(out, kDistanceOffsetV3, static_cast<std::uint32_t>(length));
  if (hasNext && layout.version != 3) WriteU16Be(out, kDistanceOffsetV1V2, static_cast<std::uint16_t>(length / 4));
  WriteSizeWord(layout, out, static_cast<std::uint32_t>(layout.sizeWordLength + data.size()));
  std::copy(data.begin(), data.end(), out.begin() + static_cast<std::ptrdiff_t>(layout.prefixLength + layout.sizeWordLength));

  if (!DecodesBack(out, layout, rows)) return LeftAlone::CheckFailed;
  return form;
}

BitmapCompression CompressionOf(BitmapCodec codec) {
  switch (codec) {
    case BitmapCodec::ScanLine:
      return BitmapCompression::ScanLine;
    case BitmapCodec::Rle:
      return BitmapCompression::Rle;
    case BitmapCodec::PackBits:
      return BitmapCompression::PackBits;
  }
  return BitmapCompression::Unknown;
}

}  // namespace

Result<ThoroughRewrite> RewriteBitmapFamilyThorough(std::span<const std::uint8_t> piece, const EventPass& eventPass,
                                                    FamilyKind kind) {
  ThoroughRewrite result;
  const ThoroughWalk walk = WalkThoroughFamily(piece);
  auto stopped = [](std::size_t index) {
    return Error{ErrorKind::Stopped, Msg("stopped at bitmap %s of the family", {std::to_string(index)})};
  };
  if (!walk.supported()) {
    ++result.tally.familiesRefused;
    std::vector<std::pair<std::size_t, std::size_t>> reached;
    for (const WalkedBitmap& walked : walk.bitmaps) reached.emplace_back(walked.position, walked.length);
    RecordFamilyLeftAsItWas(piece, reached, walk.fault, result.records);
    for (std::size_t index = 0; index < walk.bitmaps.size(); ++index)
      if (!PassEvents(eventPass)) return stopped(index);
    return result;
  }

  std::vector<std::uint8_t>& out = result.piece;
  out.reserve(piece.size());
  result.records.reserve(walk.bitmaps.size());
  for (std::size_t index = 0; index < walk.bitmaps.size(); ++index) {
    const WalkedBitmap& walked = walk.bitmaps[index];
    const auto bitmap = piece.subspan(walked.position, walked.length);
    BitmapRecord& record = result.records.emplace_back(DescribeBitmap(bitmap, index, walked.position, out.size()));
    auto form = Rewrite(bitmap, walked.hasNext, out.size(), kind);
    if (auto* rewritten = std::get_if<NewForm>(&form)) {
      out.insert(out.end(), rewritten->bytes.begin(), rewritten->bytes.end());
      ++result.tally.rewritten[static_cast<std::size_t>(rewritten->codec)];
      result.tally.bytesSaved += bitmap.size() - rewritten->bytes.size();
      result.changed = true;
      record.after = BitmapForm{CompressionOf(rewritten->codec), static_cast<std::uint32_t>(rewritten->bytes.size())};
    } else {
      out.insert(out.end(), bitmap.begin(), bitmap.end());
      const LeftAlone reason = std::get<LeftAlone>(form);
      ++result.tally.leftAlone[static_cast<std::size_t>(reason)];
      record.leftAlone = LeftAloneName(reason);
      record.leftAloneCode = LeftAloneCode(reason);
    }
    if (!PassEvents(eventPass)) return stopped(index);
  }
  if (!result.changed) out.clear();
  return result;
}

}  // namespace pressling
