#include "tests/hardening/thorough_check.h"

#include <algorithm>
#include <optional>
#include <variant>
#include <vector>

#include "bitmap/codecs/bitmap_decoder.h"
#include "bitmap/device/device_slimming.h"
#include "bitmap/format/bitmap_layout.h"
#include "bitmap/thorough/thorough_rewrite.h"
#include "bitmap/thorough/thorough_walk.h"

namespace pressling::hardening {

namespace {

using Bytes = std::vector<std::uint8_t>;

std::size_t Be(std::span<const std::uint8_t> b, std::size_t at, std::size_t width) {
  std::size_t value = 0;
  for (std::size_t k = 0; k < width; ++k) value = value << 8 | b[at + k];
  return value;
}

// A plain reader of the three codecs, row by row, as readers of Palm bitmaps
// decode them: no packet may run into the next row. Returns the bytes of data
// used, or nothing when the data do not give the rows.
std::optional<std::size_t> ReadRows(int codec, std::span<const std::uint8_t> data, std::size_t rowBytes,
                                    std::size_t height, std::size_t unit, Bytes& rows) {
  rows.assign(rowBytes * height, 0);
  std::size_t at = 0;
  auto take = [&]() -> std::optional<std::uint8_t> {
    if (at >= data.size()) return std::nullopt;
    return data[at++];
  };
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* row = rows.data() + y * rowBytes;
    if (codec == 0) {  // ScanLine
      for (std::size_t x = 0; x < rowBytes; x += 8) {
        auto flags = take();
        if (!flags) return std::nullopt;
        for (std::size_t k = 0; k < 8 && x + k < rowBytes; ++k) {
          if (y == 0 || (*flags & (0x80 >> k))) {
            if (y == 0 && !(*flags & (0x80 >> k))) return std::nullopt;  // row 0 must name every byte
            auto byte = take();
            if (!byte) return std::nullopt;
            row[x + k] = *byte;
          } else {
            row[x + k] = rows[(y - 1) * rowBytes + x + k];
          }
        }
      }
      continue;
    }
    for (std::size_t x = 0; x < rowBytes;) {
      auto control = take();
      auto value = take();
      if (!control || !value) return std::nullopt;
      if (codec == 1) {  // RLE
        if (*control == 0 || x + *control > rowBytes) return std::nullopt;
        std::fill_n(row + x, *control, *value);
        x += *control;
        continue;
      }
      // PackBits: the value just taken is the first byte of the first unit.
      --at;
      if (*control == 128) return std::nullopt;
      const std::size_t count = *control > 128 ? 257 - *control : *control + 1u;
      if (x + count * unit > rowBytes) return std::nullopt;
      const std::size_t carried = *control > 128 ? unit : count * unit;
      if (data.size() - at < carried) return std::nullopt;
      for (std::size_t k = 0; k < count * unit; ++k) row[x + k] = data[at + (*control > 128 ? k % unit : k)];
      at += carried;
      x += count * unit;
    }
  }
  return at;
}

std::string CheckBitmap(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after, bool hasNext) {
  // The rows before, taken as the product reads the input bitmap.
  auto layout = ReadBitmapLayout(before);
  const auto* read = std::get_if<BitmapLayout>(&layout);
  if (read == nullptr) return "a bitmap that may not be touched was rewritten";
  Bytes rowsBefore;
  if (!DecodeBitmapRows(*read, before, rowsBefore)) return "a bitmap whose data do not decode was rewritten";

  const int version = before[9];
  const std::size_t header = version == 3 ? 24 : 16;
  if (after.size() >= before.size()) return "a rewritten bitmap is not shorter";
  if (after.size() < header || after[9] != version) return "the rewritten header is cut short or changed version";
  std::size_t prefix = header;
  if (before[6] & 0x40) prefix += 2 + 4 * Be(before, header, 2);
  if (version == 2 && (before[6] & 0x04)) prefix += 8;
  if (prefix != read->prefixLength) return "the colour data end at " + std::to_string(read->prefixLength) + ", not " + std::to_string(prefix);
  const std::size_t word = version == 3 ? 4 : 2;
  if (after.size() < prefix + word) return "the rewritten bitmap has no room for its size word";
  const std::size_t distanceAt = version == 3 ? 20 : 10;
  const std::size_t distanceWidth = version == 3 ? 4 : 2;
  for (std::size_t k = 0; k < prefix; ++k) {
    if (k == 6 || k == 13 || (k >= distanceAt && k < distanceAt + distanceWidth)) continue;
    if (after[k] != before[k]) return "byte " + std::to_string(k) + " of the header or colour data changed";
  }
  if (after[6] != (before[6] | 0x80)) return "the flags are not those before with the compressed bit";
  const int codec = version == 1 ? 0 : after[13];
  if (version == 1 && (before[13] != 0 || after[13] != 0)) return "a version-1 bitmap with byte 13 set was compressed";
  if (codec > version - 1 || (version == 2 && codec > 1)) return "codec " + std::to_string(codec) + " in version " + std::to_string(version);
  const std::size_t distance = Be(after, distanceAt, distanceWidth);
  const std::size_t expectedDistance = !hasNext ? 0 : version == 3 ? after.size() : after.size() / 4;
  if (distance != expectedDistance) return "distance field " + std::to_string(distance) + ", expected " + std::to_string(expectedDistance);
  if (version != 3 && after.size() % 4 != 0) return "a version-1 or version-2 bitmap is no multiple of 4 bytes";

  Bytes rowsAfter;
  const std::size_t unit = before[8] == 16 ? 2 : 1;
  auto used = ReadRows(codec, after.subspan(prefix + word), Be(before, 4, 2), Be(before, 2, 2), unit, rowsAfter);
  if (!used) return "the rewritten data do not decode row by row";
  if (Be(after, prefix, word) != word + *used) return "the size word does not count the data";
  if (after.size() - (prefix + word + *used) > 3) return "more than 3 fill bytes follow the data";
  if (rowsAfter != rowsBefore) return "the rewritten data decode to other rows";
  return {};
}

// The records tell the same as the bytes: one per bitmap walked, the bytes
// they give up adding to what the family lost, and no icon in a form its
// thumbnailers cannot read.
std::string CheckRecords(std::span<const std::uint8_t> piece, const ThoroughRewrite& result, FamilyKind kind) {
  const ThoroughWalk walk = WalkThoroughFamily(piece);
  if (walk.supported() && result.records.size() != walk.bitmaps.size()) return "not one record per bitmap";
  std::size_t before = 0, after = 0;
  for (const BitmapRecord& record : result.records) {
    if (!record.after) continue;
    before += record.before.bytes;
    after += record.after->bytes;
    if (kind == FamilyKind::ApplicationIcon &&
        (record.version == 1 || (record.pixelSize == 16 && record.after->compression != BitmapCompression::ScanLine)))
      return "an icon bitmap was given a form thumbnailers do not read";
  }
  const std::size_t newSize = result.changed ? result.piece.size() : piece.size();
  if (piece.size() - before + after != newSize) return "the records do not add up to the rewritten family";
  return {};
}

std::string CheckThoroughRewriteAs(std::span<const std::uint8_t> piece, FamilyKind kind) {
  auto result = RewriteBitmapFamilyThorough(piece, {}, kind);
  if (!result) return "the thorough rewrite failed: " + result.error().message;
  if (auto fault = CheckRecords(piece, *result, kind); !fault.empty()) return fault;
  if (!result->changed) return result->piece.empty() ? std::string{} : "an unchanged family came with bytes";
  const Bytes& after = result->piece;
  if (after.size() >= piece.size()) return "a thorough rewrite did not shrink the family";
  const ThoroughWalk walkBefore = WalkThoroughFamily(piece);
  const ThoroughWalk walkAfter = WalkThoroughFamily(after);
  if (!walkBefore.supported()) return "a malformed family was rewritten";
  if (!walkAfter.supported() || walkAfter.bitmaps.size() != walkBefore.bitmaps.size())
    return "the rewritten family does not walk to as many bitmaps";
  for (std::size_t k = 0; k < walkBefore.bitmaps.size(); ++k) {
    const WalkedBitmap& a = walkBefore.bitmaps[k];
    const WalkedBitmap& b = walkAfter.bitmaps[k];
    const auto before = piece.subspan(a.position, a.length);
    const auto now = std::span<const std::uint8_t>(after).subspan(b.position, b.length);
    if (std::equal(before.begin(), before.end(), now.begin(), now.end())) continue;
    if ((b.position + b.length) % 4 != 0 && b.position % 4 == 0)
      return "bitmap " + std::to_string(k) + " leaves the next one unaligned";
    if (auto fault = CheckBitmap(before, now, a.hasNext); !fault.empty()) return "bitmap " + std::to_string(k) + ": " + fault;
  }
  return {};
}

}  // namespace

std::string CheckThoroughRewrite(std::span<const std::uint8_t> piece) {
  for (FamilyKind kind : {FamilyKind::Bitmap, FamilyKind::ApplicationIcon}) {
    if (auto fault = CheckThoroughRewriteAs(piece, kind); !fault.empty())
      return (kind == FamilyKind::Bitmap ? "as Tbmp: " : "as tAIB: ") + fault;
  }
  return {};
}

namespace {

unsigned DepthOf(std::span<const std::uint8_t> bitmap) {
  return bitmap[8] == 0 && bitmap[9] < 2 ? 1 : bitmap[8];
}

bool IsMarker(std::span<const std::uint8_t> bitmap) { return bitmap[9] == 1 && bitmap[8] == 0xFF; }

}  // namespace

std::string CheckDeviceRewrite(std::span<const std::uint8_t> piece, unsigned depth) {
  const DeviceTarget target{static_cast<std::uint8_t>(depth)};
  const DeviceSlimming slimming = SlimFamilyForDevice(piece, target);
  auto result = RewriteFamilyForDevice(piece, {}, FamilyKind::Bitmap, target);
  if (!result) return "the device rewrite failed: " + result.error().message;
  if (!slimming.changed) {
    auto thorough = RewriteBitmapFamilyThorough(piece, {});
    if (!thorough || thorough->piece != result->piece) return "an unslimmed family is not as thorough mode leaves it";
    return {};
  }
  const ThoroughWalk before = WalkThoroughFamily(piece);
  const ThoroughWalk after = WalkThoroughFamily(slimming.piece);
  if (!before.supported()) return "a malformed family was slimmed";
  if (!after.supported() || after.bitmaps.size() != slimming.kept.size())
    return "the slimmed family does not walk to the bitmaps kept";
  if (slimming.kept.size() + slimming.dropped.size() != before.bitmaps.size())
    return "kept and dropped bitmaps do not add up to the family";
  if (slimming.kept.empty() || slimming.kept[0].familyIndex != 0) return "the first bitmap was dropped";
  const std::span<const std::uint8_t> slimmed(slimming.piece);
  bool shallow = false;
  for (const WalkedBitmap& b : after.bitmaps) shallow = shallow || DepthOf(slimmed.subspan(b.position)) <= depth;
  for (std::size_t k = 0; k < after.bitmaps.size(); ++k) {
    const WalkedBitmap& b = after.bitmaps[k];
    const WalkedBitmap& a = before.bitmaps[slimming.kept[k].familyIndex];
    const std::string which = "kept bitmap " + std::to_string(k);
    if (b.position % 4 != 0) return which + " is not 4-aligned";
    const auto was = piece.subspan(a.position, a.length);
    const auto now = slimmed.subspan(b.position, b.length);
    if (IsMarker(now)) return which + " is the marker";
    if (k > 0 && shallow && DepthOf(now) > depth) return which + " is deeper than the screen";
    Bytes expected(was.begin(), was.end());
    if (k + 1 == after.bitmaps.size()) expected[10] = expected[11] = 0;
    if (!std::equal(expected.begin(), expected.end(), now.begin(), now.end())) return which + " changed its bytes";
  }
  if (auto fault = CheckThoroughRewriteAs(slimming.piece, FamilyKind::Bitmap); !fault.empty())
    return "the slimmed family: " + fault;
  auto thorough = RewriteBitmapFamilyThorough(slimming.piece, {});
  if (!thorough) return "the slimmed family's rewrite failed";
  if (result->piece != (thorough->changed ? thorough->piece : slimming.piece))
    return "the device rewrite is not the slimmed family rewritten";
  return {};
}

}  // namespace pressling::hardening
