#include "bitmap/classic/family_rewrite.h"

#include <gtest/gtest.h>

#include "tests/bitmap/family_builder.h"
#include "tests/common/palm_bitmap_decoder.h"

namespace pressling::test {
namespace {

Bytes Rewrite(const Bytes& piece, int* calls = nullptr) {
  int count = 0;
  auto result = RewriteBitmapFamily(piece, [&] {
    ++count;
    return true;
  });
  if (calls) *calls = count;
  EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error().message);
  return result.ok() ? *result : Bytes{};
}

void ExpectSamePixels(const Bytes& before, const Bytes& after) {
  std::string why;
  auto same = SamePixels(before, after, &why);
  ASSERT_TRUE(same.ok()) << same.error().message;
  EXPECT_TRUE(*same) << why;
}

const Bytes kWorkedHeader = {
    0x00, 0x08, 0x00, 0x08,  // width, height
    0x00, 0x08,              // rowBytes
    0x00, 0x00,              // flags
    0x08,                    // pixel size
    0x02,                    // version
    0x00, 0x00,              // nextDepthOffset: last
    0x00,                    // transparent index
    0x00,                    // compressionType
    0x00, 0x00,              // reserved
};

TEST(RewriteBitmapFamily, WorkedExampleLastVersion2Bitmap) {
  const Bytes piece = Cat({kWorkedHeader, Fill(32, 0x00), Fill(32, 0xFF)});
  const Bytes expected = {
      0x00, 0x08, 0x00, 0x08,  // width, height
      0x00, 0x08,              // rowBytes
      0x80, 0x00,              // flags: compressed
      0x08,                    // pixel size
      0x02,                    // version
      0x00, 0x00,              // nextDepthOffset: still last
      0x00,                    // transparent index
      0x01,                    // compressionType: run-length
      0x00, 0x00,              // reserved
      0x00, 0x18,              // size word: 16 + 8
      0x20, 0x00,              // 32 x 00
      0x20, 0xFF,              // 32 x FF
      0x00, 0x00,              // fill
  };
  EXPECT_EQ(Rewrite(piece), expected);
}

TEST(RewriteBitmapFamily, WorkedExampleFollowedByASecondBitmap) {
  Bytes first = kWorkedHeader;
  first[11] = 0x14;  // nextDepthOffset 20: 80 bytes
  const Bytes second = Cat({HeaderV1(0), Fill(6, 0x77)});
  const Bytes out = Rewrite(Cat({first, Fill(32, 0x00), Fill(32, 0xFF), second}));
  ASSERT_EQ(out.size(), 24 + second.size());
  EXPECT_EQ(out[10], 0x00);  // nextDepthOffset (16 + 8) / 4 = 6
  EXPECT_EQ(out[11], 0x06);
  EXPECT_EQ(Bytes(out.begin() + 24, out.end()), second);
}

TEST(RewriteBitmapFamily, PackedFormNotShorterKeepsTheBitmap) {
  const Bytes piece = Cat({kWorkedHeader, Fill(4, 0x00), Fill(4, 0x11)});  // packs to N = 8 = L
  EXPECT_EQ(Rewrite(piece), piece);
}

TEST(RewriteBitmapFamily, Version3GetsAFourByteSizeWord) {
  // Two pairs: size word 4 + 4, no fill.
  const Bytes two = Rewrite(Cat({HeaderV3(0), Fill(32, 0x00), Fill(32, 0xFF)}));
  ASSERT_EQ(two.size(), 24u + 8u);
  EXPECT_EQ(Bytes(two.begin() + 24, two.end()), (Bytes{
                                                    0x00, 0x00, 0x00, 0x08,  // size word
                                                    0x20, 0x00,              // 32 x 00
                                                    0x20, 0xFF,              // 32 x FF
                                                }));
  // Three pairs: size word 4 + 6, then fill to 12.
  const Bytes three = Rewrite(Cat({HeaderV3(0), Fill(20, 0x01), Fill(20, 0x02), Fill(20, 0x03)}));
  ASSERT_EQ(three.size(), 24u + 12u);
  EXPECT_EQ(Bytes(three.begin() + 24, three.end()), (Bytes{
                                                        0x00, 0x00, 0x00, 0x0A,  // size word
                                                        0x14, 0x01,              // 20 x 01
                                                        0x14, 0x02,              // 20 x 02
                                                        0x14, 0x03,              // 20 x 03
                                                        0x00, 0x00,              // fill
                                                    }));
  EXPECT_EQ(three[6], 0x80);   // flags: compressed
  EXPECT_EQ(three[13], 0x01);  // compressionType
  EXPECT_EQ(Bytes(three.begin() + 20, three.begin() + 24), Bytes(4, 0x00));  // still last
}

TEST(RewriteBitmapFamily, Version3InTheMiddleGetsItsDistanceInBytes) {
  const Bytes last = Cat({HeaderV2(0), Fill(3, 0x09)});
  const Bytes piece = Cat({HeaderV3(24 + 60), Fill(20, 0x01), Fill(20, 0x02), Fill(20, 0x03), last});
  const Bytes out = Rewrite(piece);
  ASSERT_EQ(out.size(), 36 + last.size());
  EXPECT_EQ(Bytes(out.begin() + 20, out.begin() + 24), (Bytes{0x00, 0x00, 0x00, 0x24}));  // 24 + 12
  EXPECT_EQ(Bytes(out.begin() + 36, out.end()), last);
  ExpectSamePixels(piece, out);
}

TEST(RewriteBitmapFamily, MixedFamilyWithVersion1Marker) {
  const Bytes piece = Cat({
      HeaderV1(10), Fill(26, 0x44),           // version 1, never packed
      HeaderV2(20), Fill(64, 0x00),           // version 2, packs to 4
      HeaderV1(4, 0xFF), Fill(2, 0x00),       // marker of pixel size 255
      HeaderV3(24 + 100), Fill(100, 0xEE),    // version 3, packs
      HeaderV2(20, 0x80, 0x02), Fill(64, 0),  // already compressed, whatever its compressionType
      HeaderV3(0), Fill(7, 0x10), Fill(90, 0x20), Bytes{1, 2, 3},  // last: every byte to the end is its data
  });
  int calls = 0;
  const Bytes out = Rewrite(piece, &calls);
  EXPECT_EQ(calls, 6);
  EXPECT_LT(out.size(), piece.size());
  ExpectSamePixels(piece, out);
  auto decoded = DecodeBitmapFamily(out);
  ASSERT_TRUE(decoded.ok());
  ASSERT_EQ(decoded->size(), 6u);
  const bool packed[] = {false, true, false, true, false, true};
  for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ((*decoded)[k].runLength, packed[k]) << "bitmap " << k;
  EXPECT_EQ((*decoded)[4].stored, Fill(64, 0));  // the compressed one is carried as it was
  EXPECT_EQ((*decoded)[5].pixels, Cat({Fill(7, 0x10), Fill(90, 0x20), Bytes{1, 2, 3}}));
}

TEST(RewriteBitmapFamily, FamiliesThatCannotShrinkStayByteForByte) {
  const Bytes version1Only = Cat({HeaderV1(10), Fill(26, 0x00), HeaderV1(0, 0xFF), Fill(40, 0x00)});
  EXPECT_EQ(Rewrite(version1Only), version1Only);
  const Bytes noGain = Cat({HeaderV2(6), Bytes{1, 2, 3, 4, 5, 6, 7, 8}, HeaderV3(0), Bytes{9, 8, 7, 6, 5}});
  EXPECT_EQ(Rewrite(noGain), noGain);
}

TEST(RewriteBitmapFamily, ColourTablesAndDirectColourAreNotPacked) {
  const Bytes table2 = Cat({HeaderV2(0, 0x40), Fill(64, 0x00)});
  EXPECT_EQ(Rewrite(table2), table2);
  const Bytes table3 = Cat({HeaderV3(0, 0x40), Fill(64, 0x00)});
  EXPECT_EQ(Rewrite(table3), table3);
  const Bytes direct2 = Cat({HeaderV2(0, 0x04), Fill(64, 0x00)});
  EXPECT_EQ(Rewrite(direct2), direct2);
  // Version 3 keeps its direct-colour information in the header: it packs.
  const Bytes direct3 = Cat({HeaderV3(0, 0x04), Fill(64, 0x00)});
  const Bytes out = Rewrite(direct3);
  EXPECT_EQ(out.size(), 24u + 8u);
  EXPECT_EQ(out[6], 0x84);  // flags: compressed, other bits kept
}

TEST(RewriteBitmapFamily, EveryBitmapLeftAloneHasTheCodeOfItsReason) {
  const Bytes piece = Cat({
      HeaderV1(10), Fill(26, 0x00),                       // version 1
      HeaderV2(22, 0x80), Fill(72, 0x00),                 // already compressed
      HeaderV2(22, 0x40), Fill(72, 0x00),                 // colour table
      HeaderV2(22, 0x04), Fill(72, 0x00),                 // version 2 with direct colour
      HeaderV3(32), Bytes{1, 2, 3, 4, 5, 6, 7, 8},        // run-length form not shorter
      HeaderV2(0),                                        // no pixel data
  });
  std::vector<BitmapRecord> records;
  ASSERT_TRUE(RewriteBitmapFamily(piece, {}, &records).ok());
  std::vector<std::string_view> codes;
  for (const BitmapRecord& record : records) codes.push_back(LeftAloneCode(record));
  EXPECT_EQ(codes, (std::vector<std::string_view>{"version-1", "already-compressed", "colour-table",
                                                  "v2-direct-colour", "no-gain", "no-pixels"}));
  const Language german = Language::FromTag("de");
  for (const BitmapRecord& record : records) EXPECT_NE(LeftAloneText(record, german), record.leftAlone);
}

TEST(RewriteBitmapFamily, EmptyDataBlocksAreCopied) {
  const Bytes piece = Cat({HeaderV2(4), HeaderV3(24), HeaderV2(0)});
  int calls = 0;
  EXPECT_EQ(Rewrite(piece, &calls), piece);
  EXPECT_EQ(calls, 3);
}

// K runs of three bytes each pack to 2 + 2K bytes when K is odd.
Bytes RunsOfThree(std::size_t k) {
  Bytes data;
  for (std::size_t j = 0; j < k; ++j) data.insert(data.end(), 3, static_cast<std::uint8_t>(j % 2 ? 0xAB : 0xCD));
  return data;
}

TEST(RewriteBitmapFamily, Version2SizeWordLimit) {
  const Bytes fits = Cat({HeaderV2(0), RunsOfThree(32757)});  // 16 + 65516 = 65532
  const Bytes out = Rewrite(fits);
  ASSERT_EQ(out.size(), 16u + 65516u);
  EXPECT_EQ(out[16], 0xFF);  // size word 65532
  EXPECT_EQ(out[17], 0xFC);
  const Bytes tooLong = Cat({HeaderV2(0), RunsOfThree(32759)});  // 16 + 65520 = 65536
  EXPECT_EQ(Rewrite(tooLong), tooLong);
}

TEST(RewriteBitmapFamily, MalformedFamilyIsRefused) {
  auto result = RewriteBitmapFamily(Cat({HeaderV2(0xFFFF), Fill(40, 0)}), EventPass{});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, ErrorKind::Corrupt);
  EXPECT_FALSE(RewriteBitmapFamily(Bytes{}, EventPass{}).ok());
}

TEST(RewriteBitmapFamily, StopsWhenTheEventPassAsksTo) {
  const Bytes piece = Cat({HeaderV2(20), Fill(64, 0), HeaderV2(0), Fill(64, 0)});
  int calls = 0;
  auto result = RewriteBitmapFamily(piece, [&] { return ++calls < 1; });
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, ErrorKind::Stopped);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace pressling::test
