#include <gtest/gtest.h>

#include "bitmap/device/device_slimming.h"
#include "bitmap/device/device_target.h"
#include "bitmap/thorough/thorough_rewrite.h"
#include "tests/bitmap/family_builder.h"

namespace pressling {
namespace {

using test::Bytes;
using test::Cat;
using test::DensityMarker;
using test::Fill;

// An uncompressed version-1 or version-2 bitmap of 8 x 8 pixels at depth
// bits, its rows filled with fill, followed by nextDepthOffset x 4 bytes in all.
Bytes Bitmap(std::uint8_t version, std::uint8_t depth, std::uint16_t nextDepthOffset, std::uint8_t fill) {
  const std::uint16_t rowBytes = depth <= 2 ? 2 : depth;  // 8 pixels, rows of whole words
  Bytes bitmap = {
      0x00, 0x08,                                         // width
      0x00, 0x08,                                         // height
      0x00, static_cast<std::uint8_t>(rowBytes),          // rowBytes
      static_cast<std::uint8_t>(depth == 16 ? 0x04 : 0),  // flags: direct colour at 16 bits
      0x00,
      depth,                                              // pixel size
      version,                                            // version
      static_cast<std::uint8_t>(nextDepthOffset >> 8),
      static_cast<std::uint8_t>(nextDepthOffset),         // nextDepthOffset, units of 4 bytes
      0x00,                                               // transparent index
      0x00,                                               // compressionType
      0x00, 0x00,                                         // reserved
  };
  if (depth == 16) {
    // Direct-colour block: 5, 6 and 5 bits of red, green and blue, reserved, transparent colour.
    bitmap.resize(bitmap.size() + 8, 0);
    bitmap[16] = 5;
    bitmap[17] = 6;
    bitmap[18] = 5;
  }
  bitmap.insert(bitmap.end(), std::size_t{rowBytes} * 8, fill);
  if (nextDepthOffset != 0) bitmap.resize(std::size_t{nextDepthOffset} * 4, 0);
  return bitmap;
}

// Words a bitmap of depth bits occupies, for its nextDepthOffset.
std::uint16_t Words(std::uint8_t depth) {
  const std::size_t rowBytes = depth <= 2 ? 2 : depth;
  return static_cast<std::uint16_t>((16 + (depth == 16 ? 8 : 0) + rowBytes * 8 + 3) / 4);
}

// A high-density version-3 bitmap behind the marker, the last of its family.
Bytes HighDensity() { return Cat({test::HeaderV3(0), Fill(0x20 * 0x20, 0x77)}); }

Bytes WithDistance(Bytes bitmap, std::uint16_t nextDepthOffset) {
  bitmap[10] = static_cast<std::uint8_t>(nextDepthOffset >> 8);
  bitmap[11] = static_cast<std::uint8_t>(nextDepthOffset);
  return bitmap;
}

constexpr DeviceTarget kAnyScreen{16};
constexpr DeviceTarget kFourGreys{2};

std::vector<std::string_view> Codes(const std::vector<BitmapRecord>& records) {
  std::vector<std::string_view> codes;
  for (const BitmapRecord& record : records) codes.push_back(record.leftAloneCode);
  return codes;
}

TEST(DeviceTargetTest, NamesParseBackAndNothingElseParses) {
  for (const DeviceTarget& target : DeviceTargets())
    EXPECT_EQ(ParseDeviceTarget(DeviceTargetName(target))->screenDepth, target.screenDepth);
  EXPECT_EQ(DeviceTargetName(kAnyScreen), "os4");
  EXPECT_EQ(DeviceTargetName(kFourGreys), "os4:2");
  for (const char* wrong : {"", "os4:16", "os4:3", "OS4", "os5", "os4:", "os4:2 "})
    EXPECT_FALSE(ParseDeviceTarget(wrong).has_value()) << wrong;
  EXPECT_EQ(DeviceTargetNames(), "os4, os4:8, os4:4, os4:2, os4:1");
}

TEST(DeviceTargetTest, TextsComeInTheUsersLanguage) {
  const Language english = Language::FromTag("en");
  const Language german = Language::FromTag("de");
  EXPECT_EQ(DeviceTargetText(kFourGreys, english), "Palm OS 4 and older, 4 greys");
  EXPECT_EQ(DeviceReportLine(kFourGreys, english), "For: Palm OS 4 and older, 4 greys");
  EXPECT_NE(DeviceTargetText(kFourGreys, german), DeviceTargetText(kFourGreys, english));
  EXPECT_NE(DeviceTargetNote(german), DeviceTargetNote(english));
}

TEST(DeviceSlimmingTest, MarkerAndEverythingBehindItGo) {
  const Bytes one = Bitmap(2, 1, Words(1), 0x11);
  const Bytes eight = Bitmap(2, 8, Words(8), 0x88);
  const Bytes piece = Cat({one, eight, DensityMarker(), HighDensity()});
  const DeviceSlimming slimming = SlimFamilyForDevice(piece, kAnyScreen);
  ASSERT_TRUE(slimming.changed);
  EXPECT_EQ(slimming.piece, Cat({one, WithDistance(eight, 0)}));  // the last kept bitmap ends the chain
  ASSERT_EQ(slimming.kept.size(), 2u);
  EXPECT_EQ(slimming.kept[1].position, one.size());
  ASSERT_EQ(slimming.dropped.size(), 2u);
  EXPECT_EQ(slimming.dropped[0].familyIndex, 2u);  // the marker
  EXPECT_EQ(slimming.dropped[0].offset, one.size() + eight.size());
  EXPECT_EQ(slimming.dropped[0].before.bytes, 16u);
  EXPECT_EQ(slimming.dropped[1].familyIndex, 3u);
  EXPECT_EQ(slimming.dropped[1].version, 3);
  EXPECT_EQ(Codes(slimming.dropped), (std::vector<std::string_view>{"behind-density-marker", "behind-density-marker"}));
  EXPECT_TRUE(slimming.dropped[0].dropped);
}

TEST(DeviceSlimmingTest, DeeperBitmapsGoWhereAShallowOneStays) {
  const Bytes one = Bitmap(2, 1, Words(1), 0x11);
  const Bytes two = Bitmap(2, 2, Words(2), 0x22);
  const Bytes eight = Bitmap(2, 8, Words(8), 0x88);
  const Bytes sixteen = Bitmap(2, 16, 0, 0x16);
  const Bytes piece = Cat({one, two, eight, sixteen});
  const DeviceSlimming slimming = SlimFamilyForDevice(piece, kFourGreys);
  ASSERT_TRUE(slimming.changed);
  EXPECT_EQ(slimming.piece, Cat({one, WithDistance(two, 0)}));
  EXPECT_EQ(Codes(slimming.dropped), (std::vector<std::string_view>{"deeper-than-device", "deeper-than-device"}));
  // Any screen keeps the 16-bit bitmap: Palm OS 4 draws it on a colour device.
  EXPECT_FALSE(SlimFamilyForDevice(piece, kAnyScreen).changed);
}

TEST(DeviceSlimmingTest, ChainWithoutABitmapShallowEnoughStaysWhole) {
  const Bytes four = Bitmap(2, 4, Words(4), 0x44);
  const Bytes eight = Bitmap(2, 8, 0, 0x88);
  EXPECT_FALSE(SlimFamilyForDevice(Cat({four, eight}), kFourGreys).changed);
  // Only the marker and what lies behind it go then.
  const Bytes withMarker = Cat({four, WithDistance(eight, Words(8)), DensityMarker(), HighDensity()});
  const DeviceSlimming slimming = SlimFamilyForDevice(withMarker, kFourGreys);
  ASSERT_TRUE(slimming.changed);
  EXPECT_EQ(slimming.piece, Cat({four, WithDistance(eight, 0)}));
}

TEST(DeviceSlimmingTest, FirstBitmapStaysHoweverDeep) {
  const Bytes eight = Bitmap(2, 8, Words(8), 0x88);
  const Bytes one = Bitmap(2, 1, Words(1), 0x11);
  const Bytes sixteen = Bitmap(2, 16, 0, 0x16);
  const DeviceSlimming slimming = SlimFamilyForDevice(Cat({eight, one, sixteen}), kFourGreys);
  ASSERT_TRUE(slimming.changed);
  EXPECT_EQ(slimming.piece, Cat({eight, WithDistance(one, 0)}));
  ASSERT_EQ(slimming.dropped.size(), 1u);
  EXPECT_EQ(slimming.dropped[0].familyIndex, 2u);
}

TEST(DeviceSlimmingTest, FamiliesTheWalkDoesNotUnderstandStayAsTheyAre) {
  const Bytes one = Bitmap(2, 1, Words(1), 0x11);
  // A marker with nothing before it.
  EXPECT_FALSE(SlimFamilyForDevice(Cat({DensityMarker(), HighDensity()}), kAnyScreen).changed);
  // A version-3 bitmap before the marker.
  const Bytes lowV3 = Cat({test::HeaderV3(24 + 0x20 * 0x20), Fill(0x20 * 0x20, 0x33)});
  EXPECT_FALSE(SlimFamilyForDevice(Cat({one, lowV3, DensityMarker(), HighDensity()}), kAnyScreen).changed);
  // A family cut short: the distance leads past the end of the piece.
  const Bytes cut = Cat({Bitmap(2, 1, 0x40, 0x11), Bitmap(2, 8, 0, 0x88)});
  EXPECT_FALSE(SlimFamilyForDevice(Bytes(cut.begin(), cut.begin() + 0x40 + 10), kFourGreys).changed);
  // A marker that points further.
  Bytes marker = DensityMarker();
  marker[11] = 4;  // nextDepthOffset 4: 16 bytes on
  EXPECT_FALSE(SlimFamilyForDevice(Cat({one, marker, HighDensity()}), kAnyScreen).changed);
}

TEST(DeviceSlimmingTest, RewriteKeepsTheInputsRecordsInOrderAndCompresses) {
  const Bytes one = Bitmap(2, 1, Words(1), 0x00);
  const Bytes eight = Bitmap(2, 8, Words(8), 0x00);
  const Bytes piece = Cat({one, eight, DensityMarker(), HighDensity()});
  auto rewritten = RewriteFamilyForDevice(piece, {}, FamilyKind::Bitmap, kFourGreys);
  ASSERT_TRUE(rewritten.ok());
  ASSERT_TRUE(rewritten->changed);
  ASSERT_EQ(rewritten->records.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(rewritten->records[i].familyIndex, i);
  EXPECT_EQ(rewritten->records[0].offset, 0u);
  EXPECT_FALSE(rewritten->records[0].dropped);
  EXPECT_EQ(rewritten->records[1].leftAloneCode, "deeper-than-device");
  EXPECT_EQ(rewritten->records[1].offset, one.size());
  EXPECT_EQ(rewritten->records[2].leftAloneCode, "behind-density-marker");
  EXPECT_EQ(rewritten->tally.dropped, 3u);
  // The one bitmap left is compressed as thorough mode compresses it, and ends the family.
  ASSERT_TRUE(rewritten->records[0].after.has_value());
  EXPECT_EQ(rewritten->piece.size(), rewritten->records[0].after->bytes);
  EXPECT_EQ(rewritten->piece.size() % 4, 0u);
  EXPECT_EQ(rewritten->piece[10], 0);
  EXPECT_EQ(rewritten->piece[11], 0);
  // Without anything to drop the result is thorough mode's.
  const Bytes plain = Cat({one, WithDistance(eight, 0)});
  auto same = RewriteFamilyForDevice(plain, {}, FamilyKind::Bitmap, kAnyScreen);
  auto thorough = RewriteBitmapFamilyThorough(plain, {});
  ASSERT_TRUE(same.ok() && thorough.ok());
  EXPECT_EQ(same->piece, thorough->piece);
  EXPECT_EQ(same->records.size(), thorough->records.size());
}

TEST(DeviceSlimmingTest, AStoppedRunStopsAtADroppedBitmapToo) {
  const Bytes piece = Cat({Bitmap(2, 1, Words(1), 0x11), DensityMarker(), HighDensity()});
  int passes = 0;
  auto stopped = RewriteFamilyForDevice(piece, [&] { return ++passes < 2; }, FamilyKind::Bitmap, kAnyScreen);
  ASSERT_FALSE(stopped.ok());
  EXPECT_EQ(stopped.error().kind, ErrorKind::Stopped);
}

}  // namespace
}  // namespace pressling
