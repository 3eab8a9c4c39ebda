#include "bitmap/device/device_slimming.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "bitmap/format/big_endian.h"
#include "bitmap/format/bitmap_headers.h"
#include "bitmap/format/bitmap_layout.h"
#include "bitmap/thorough/thorough_walk.h"

namespace pressling {

namespace {

constexpr std::size_t kDistanceOffsetV1V2 = 10;
constexpr std::size_t kPixelSizeOffset = 8;
constexpr std::string_view kBehindMarkerCode = "behind-density-marker";
constexpr std::string_view kDeeperCode = "deeper-than-device";

bool IsMarker(std::span<const std::uint8_t> piece, const WalkedBitmap& bitmap) {
  return piece[bitmap.position + kVersionOffset] == 1 && piece[bitmap.position + kPixelSizeOffset] == kMarkerPixelSize;
}

// Early bitmaps leave pixelSize 0 for one bit per pixel.
unsigned Depth(std::span<const std::uint8_t> piece, const WalkedBitmap& bitmap) {
  const std::uint8_t pixelSize = piece[bitmap.position + kPixelSizeOffset];
  return pixelSize == 0 && piece[bitmap.position + kVersionOffset] < 2 ? 1 : pixelSize;
}

BitmapRecord DroppedRecord(std::span<const std::uint8_t> piece, const WalkedBitmap& bitmap, std::size_t index,
                           bool behindMarker) {
  BitmapRecord record = DescribeBitmap(piece.subspan(bitmap.position, bitmap.length), index, bitmap.position, 0);
  record.dropped = true;
  record.leftAlone = behindMarker ? TextId("behind the high-density marker: Palm OS 4 never reads it")
                                  : TextId("deeper than the device's screen");
  record.leftAloneCode = behindMarker ? kBehindMarkerCode : kDeeperCode;
  return record;
}

}  // namespace

DeviceSlimming SlimFamilyForDevice(std::span<const std::uint8_t> piece, const DeviceTarget& target) {
  DeviceSlimming slimming;
  const ThoroughWalk walk = WalkThoroughFamily(piece);
  if (!walk.supported() || walk.bitmaps.empty()) return slimming;
  const std::vector<WalkedBitmap>& bitmaps = walk.bitmaps;

  // The chain Palm OS 4 walks ends at the marker; one that points further is not understood.
  std::size_t marker = bitmaps.size();
  for (std::size_t i = 0; i < bitmaps.size() && marker == bitmaps.size(); ++i) {
    if (!IsMarker(piece, bitmaps[i])) continue;
    if (bitmaps[i].hasNext) return slimming;
    marker = i;
  }
  if (marker == 0) return slimming;
  bool shallowEnough = false;
  for (std::size_t i = 0; i < marker; ++i) {
    if (piece[bitmaps[i].position + kVersionOffset] == 3) return slimming;
    shallowEnough = shallowEnough || Depth(piece, bitmaps[i]) <= target.screenDepth;
  }

  std::vector<std::size_t> keep;
  for (std::size_t i = 0; i < bitmaps.size(); ++i) {
    const bool stays = i < marker && (i == 0 || !shallowEnough || Depth(piece, bitmaps[i]) <= target.screenDepth);
    if (stays) keep.push_back(i);
    else slimming.dropped.push_back(DroppedRecord(piece, bitmaps[i], i, i >= marker));
  }
  if (slimming.dropped.empty()) return slimming;

  // Every kept bitmap is of version 1 or 2, and each but the last of the input
  // occupies exactly its distance, a multiple of 4: laid end to end they stay
  // 4-aligned and their distances stay right, but for the last one's.
  slimming.changed = true;
  for (std::size_t i : keep) {
    const WalkedBitmap& bitmap = bitmaps[i];
    slimming.kept.push_back(KeptBitmap{i, bitmap.position});
    const auto bytes = piece.subspan(bitmap.position, bitmap.length);
    slimming.piece.insert(slimming.piece.end(), bytes.begin(), bytes.end());
  }
  const std::size_t last = slimming.piece.size() - bitmaps[keep.back()].length;
  WriteU16Be(slimming.piece, last + kDistanceOffsetV1V2, 0);
  return slimming;
}

Result<ThoroughRewrite> RewriteFamilyForDevice(std::span<const std::uint8_t> piece, const EventPass& eventPass,
                                               FamilyKind kind, const DeviceTarget& target) {
  DeviceSlimming slimming = SlimFamilyForDevice(piece, target);
  if (!slimming.changed) return RewriteBitmapFamilyThorough(piece, eventPass, kind);
  auto rewritten = RewriteBitmapFamilyThorough(slimming.piece, eventPass, kind);
  if (!rewritten) return rewritten;
  // The slimmed family walks to exactly the kept bitmaps; anything else leaves the family to thorough mode alone.
  if (rewritten->records.size() != slimming.kept.size()) return RewriteBitmapFamilyThorough(piece, eventPass, kind);
  for (std::size_t i = 0; i < slimming.kept.size(); ++i) {
    rewritten->records[i].familyIndex = static_cast<std::uint32_t>(slimming.kept[i].familyIndex);
    rewritten->records[i].offset = static_cast<std::uint32_t>(slimming.kept[i].position);
  }
  for (std::size_t i = 0; i < slimming.dropped.size(); ++i)
    if (!PassEvents(eventPass))
      return Error{ErrorKind::Stopped, Msg("stopped at dropped bitmap %s of the family", {std::to_string(i)})};

  ThoroughRewrite& result = *rewritten;
  result.tally.dropped += slimming.dropped.size();
  result.tally.bytesDropped += piece.size() - slimming.piece.size();
  result.records.insert(result.records.end(), std::make_move_iterator(slimming.dropped.begin()),
                        std::make_move_iterator(slimming.dropped.end()));
  std::stable_sort(result.records.begin(), result.records.end(),
                   [](const BitmapRecord& a, const BitmapRecord& b) { return a.familyIndex < b.familyIndex; });
  if (!result.changed) {
    result.piece = std::move(slimming.piece);
    result.changed = true;
  }
  return rewritten;
}

}  // namespace pressling
