#include <fstream>
#include <iterator>
#include <set>

#include <gtest/gtest.h>

#include "bitmap/thorough/thorough_rewrite.h"
#include "tests/bitmap/family_builder.h"

namespace pressling {
namespace {

using test::Bytes;
using test::Cat;
using test::DensityMarker;
using test::Fill;

// A full 16-byte version-1 or version-2 header.
Bytes Header16(std::uint8_t version, std::uint16_t rowBytes, std::uint16_t height, std::uint16_t flags,
               std::uint8_t pixelSize, std::uint16_t nextDepthOffset, std::uint8_t compressionType = 0) {
  return {
      0x00, 0x07,                                       // width
      static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
      static_cast<std::uint8_t>(rowBytes >> 8), static_cast<std::uint8_t>(rowBytes),
      static_cast<std::uint8_t>(flags >> 8), static_cast<std::uint8_t>(flags),
      pixelSize,                                        // pixel size
      version,                                          // version
      static_cast<std::uint8_t>(nextDepthOffset >> 8),  // nextDepthOffset, units of 4 bytes
      static_cast<std::uint8_t>(nextDepthOffset),
      0x00,                                             // transparent index (reserved in version 1)
      compressionType,                                  // compressionType (reserved in version 1)
      0xE1, 0xE2,                                       // reserved
  };
}

Bytes HeaderV3(std::uint16_t rowBytes, std::uint16_t height, std::uint16_t flags, std::uint8_t pixelSize,
               std::uint32_t nextBitmapOffset, std::uint8_t compressionType = 0xFF) {
  return {
      0x00, 0x04,                                       // width
      static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
      static_cast<std::uint8_t>(rowBytes >> 8), static_cast<std::uint8_t>(rowBytes),
      static_cast<std::uint8_t>(flags >> 8), static_cast<std::uint8_t>(flags),
      pixelSize,                                        // pixel size
      0x03,                                             // version
      0x18, 0x01, 0x00,                                 // header size, pixel format, unused
      compressionType,                                  // compressionType
      0x00, 0x90,                                       // density
      0x00, 0x00, 0x00, 0x00,                           // transparent value
      static_cast<std::uint8_t>(nextBitmapOffset >> 24), static_cast<std::uint8_t>(nextBitmapOffset >> 16),
      static_cast<std::uint8_t>(nextBitmapOffset >> 8), static_cast<std::uint8_t>(nextBitmapOffset),
  };
}

ThoroughRewrite Rewrite(const Bytes& piece) {
  auto result = RewriteBitmapFamilyThorough(piece, {});
  EXPECT_TRUE(result.ok());
  return result.ok() ? *result : ThoroughRewrite{};
}

TEST(ThoroughRewriteTest, VersionTwoBitmapBecomesPerRowRle) {
  const Bytes piece = Cat({
      Header16(2, 4, 3, 0x0000, 8, 0, 0xFF),
      {0, 0, 0, 0,              // row 0
       0, 0, 0, 0,              // row 1
       0x11, 0x11, 0x11, 0x11,  // row 2
       9, 9, 9, 9},             // alignment fill after the pixels: not kept
  });
  const ThoroughRewrite result = Rewrite(piece);
  ASSERT_TRUE(result.changed);
  EXPECT_EQ(result.piece, Cat({
                              Header16(2, 4, 3, 0x8000, 8, 0, 1),  // compressed, RLE, still the last bitmap
                              {0x00, 0x08,                         // size word: 2 + 6
                               0x04, 0x00,                         // row 0
                               0x04, 0x00,                         // row 1
                               0x04, 0x11},                        // row 2
                          }));
  EXPECT_EQ(result.tally.rewritten[static_cast<std::size_t>(BitmapCodec::Rle)], 1u);
  EXPECT_EQ(result.tally.bytesSaved, piece.size() - result.piece.size());
}

TEST(ThoroughRewriteTest, WalksOnAfterTheHighDensityMarker) {
  const Bytes v1Rows = Fill(16, 0x00);  // 8 rows of 2 bytes
  Bytes v3Rows;                         // 4 rows of four 16-bit pixels, 0x1234 and 0x5678 by turns
  for (int k = 0; k < 16; ++k) {
    const Bytes pixel = k / 4 % 2 ? Bytes{0x56, 0x78} : Bytes{0x12, 0x34};
    v3Rows.insert(v3Rows.end(), pixel.begin(), pixel.end());
  }
  const Bytes piece = Cat({
      Header16(1, 2, 8, 0x0000, 1, 8), v1Rows,  // 32 bytes: the marker follows
      DensityMarker(),
      HeaderV3(8, 4, 0x0000, 16, 0), v3Rows,
  });
  const ThoroughRewrite result = Rewrite(piece);
  ASSERT_TRUE(result.changed);
  EXPECT_EQ(result.piece, Cat({
                              Header16(1, 2, 8, 0x8000, 1, 7),  // 28 bytes now
                              {0x00, 0x0C,                      // size word: 2 + 10
                               0xC0, 0x00, 0x00,                // row 0: literal
                               0, 0, 0, 0, 0, 0, 0},            // rows 1-7: as the row above
                              DensityMarker(),                         // never touched
                              HeaderV3(8, 4, 0x8000, 16, 0, 2),  // compressed, PackBits
                              {0x00, 0x00, 0x00, 0x10,          // size word: 4 + 12
                               0xFD, 0x12, 0x34,                // row 0: 4 x 1234
                               0xFD, 0x56, 0x78,                // row 1: 4 x 5678
                               0xFD, 0x12, 0x34, 0xFD, 0x56, 0x78},
                          }));
  EXPECT_EQ(result.tally.leftAlone[static_cast<std::size_t>(LeftAlone::Marker)], 1u);
  EXPECT_EQ(result.tally.rewritten[static_cast<std::size_t>(BitmapCodec::ScanLine)], 1u);
  EXPECT_EQ(result.tally.rewritten[static_cast<std::size_t>(BitmapCodec::PackBits)], 1u);
}

TEST(ThoroughRewriteTest, ColourTableAndDirectColourBlockStayInFrontOfTheData) {
  Bytes rows;  // 6 equal rows of four 16-bit pixels 0xF800
  for (int k = 0; k < 24; ++k) rows.insert(rows.end(), {0xF8, 0x00});
  const Bytes colourTable = {0x00, 0x01,               // 1 entry
                             0x00, 0xFF, 0x00, 0x00};  // index 0: red
  const Bytes direct = {5, 6, 5, 0, 0, 0xFF, 0xFF, 0xFF};  // bits of red, green, blue; reserved; transparent colour
  const Bytes piece = Cat({Header16(2, 8, 6, 0x4400, 16, 0), colourTable, direct, rows});
  const ThoroughRewrite result = Rewrite(piece);
  ASSERT_TRUE(result.changed);
  EXPECT_EQ(result.piece, Cat({
                              Header16(2, 8, 6, 0xC400, 16, 0, 0),  // compressed, ScanLine
                              colourTable, direct,
                              {0x00, 0x10,                                       // size word: 2 + 14
                               0xFF, 0xF8, 0x00, 0xF8, 0x00, 0xF8, 0x00, 0xF8, 0x00,  // row 0
                               0x00, 0x00, 0x00, 0x00, 0x00,                     // rows 1-5
                               0x00, 0x00},                                      // fill
                          }));
}

TEST(ThoroughRewriteTest, CompressedInputIsDecodedAndEncodedAgain) {
  // A version-3 bitmap of 8 equal rows whose RLE stream runs across row ends.
  Bytes stream;
  for (int k = 0; k < 64; ++k) stream.insert(stream.end(), {0x01, static_cast<std::uint8_t>(k % 2 ? 0xAA : 0x55)});
  const Bytes piece = Cat({HeaderV3(8, 8, 0x8000, 8, 0, 1), {0x00, 0x00, 0x00, 0x84}, stream});
  const ThoroughRewrite result = Rewrite(piece);
  ASSERT_TRUE(result.changed);
  EXPECT_EQ(result.piece, Cat({
                              HeaderV3(8, 8, 0x8000, 8, 0, 0),  // ScanLine
                              {0x00, 0x00, 0x00, 0x14,          // size word: 4 + 16
                               0xFF, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA,  // row 0
                               0, 0, 0, 0, 0, 0, 0},            // rows 1-7
                          }));
}

TEST(ThoroughRewriteTest, PackBitsOnlyForVersionThree) {
  Bytes rows;  // 6 rows of four 16-bit pixels, a different colour in each row
  for (int k = 0; k < 24; ++k) rows.insert(rows.end(), {static_cast<std::uint8_t>(k / 4), static_cast<std::uint8_t>(0xF8 - k / 4)});
  const Bytes direct = {5, 6, 5, 0, 0, 0, 0, 0};  // bits of red, green, blue; reserved; transparent colour
  const ThoroughRewrite v2 = Rewrite(Cat({Header16(2, 8, 6, 0x0400, 16, 0), direct, rows}));
  EXPECT_FALSE(v2.changed);  // ScanLine and RLE make it longer
  EXPECT_EQ(v2.tally.leftAlone[static_cast<std::size_t>(LeftAlone::NotSmaller)], 1u);
  const ThoroughRewrite v3 = Rewrite(Cat({HeaderV3(8, 6, 0x0000, 16, 0), rows}));
  ASSERT_TRUE(v3.changed);
  EXPECT_EQ(v3.piece.size(), 24u + 4 + 6 * 3 + 2);  // header, size word, one repeat packet a row, fill
  EXPECT_EQ(v3.tally.rewritten[static_cast<std::size_t>(BitmapCodec::PackBits)], 1u);
}

TEST(ThoroughRewriteTest, BitmapsThatMayNotOrNeedNotChangeStayByteForByte) {
  struct Case {
    const char* what;
    Bytes bitmap;
    LeftAlone reason;
  };
  const Case cases[] = {
      {"indirect", Cat({Header16(2, 4, 4, 0x1000, 8, 0), Fill(16, 0)}), LeftAlone::SpecialFlags},
      {"forScreen", Cat({Header16(2, 4, 4, 0x0800, 8, 0), Fill(16, 0)}), LeftAlone::SpecialFlags},
      {"indirect colour table", Cat({Header16(2, 4, 4, 0x0200, 8, 0), Fill(16, 0)}), LeftAlone::SpecialFlags},
      {"no pixels", Cat({Header16(2, 0, 4, 0x0000, 8, 0), Fill(16, 0)}), LeftAlone::NoPixels},
      {"pixels past the bitmap", Cat({Header16(2, 4, 5, 0x0000, 8, 0), Fill(16, 0)}), LeftAlone::Layout},
      {"colour table past the bitmap", Cat({Header16(2, 4, 4, 0x4000, 8, 0), {0x01, 0x00}, Fill(16, 0)}),
       LeftAlone::Layout},
      {"compression type 3", Cat({Header16(2, 4, 4, 0x8000, 8, 0, 3), Fill(16, 0)}), LeftAlone::UnknownCompression},
      {"RLE that ends early", Cat({Header16(2, 4, 4, 0x8000, 8, 0, 1), {0x00, 0x06, 0x0F, 0x00}}),
       LeftAlone::Undecodable},
      {"version-3 header of 22 bytes", [] {
         Bytes b = Cat({HeaderV3(4, 4, 0x0000, 8, 0), Fill(16, 0)});
         b[10] = 22;
         return b;
       }(), LeftAlone::HeaderSize},
      {"version 1, byte 13 set", Cat({Header16(1, 4, 4, 0x0000, 8, 0, 1), Fill(16, 0)}), LeftAlone::ReservedByteSet},
      {"random rows", Cat({Header16(2, 4, 2, 0x0000, 8, 0), {1, 2, 3, 4, 5, 6, 7, 8}}), LeftAlone::NotSmaller},
      {"marker", DensityMarker(), LeftAlone::Marker},
      {"16 bits in version 2 without the direct-colour flag", Cat({Header16(2, 8, 2, 0x0000, 16, 0), Fill(16, 0)}),
       LeftAlone::NoDirectBlock},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ThoroughRewrite result = Rewrite(c.bitmap);
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(result.tally.leftAlone[static_cast<std::size_t>(c.reason)], 1u);
    ASSERT_EQ(result.records.size(), 1u);
    EXPECT_EQ(LeftAloneCode(result.records[0]), LeftAloneCode(c.reason));
    EXPECT_EQ(LeftAloneText(result.records[0], Language::FromTag("en")), LeftAloneName(c.reason));
  }
}

TEST(ThoroughRewriteTest, EveryReasonHasItsOwnCodeAndATranslation) {
  // The JSON schema lists every code a document may hold.
  std::ifstream schemaFile(PRESSLING_SOURCE_DIR "/docs/run.schema.json");
  const std::string schema((std::istreambuf_iterator<char>(schemaFile)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(schema.empty());
  for (const char* code : {"fault", "version-1", "no-pixels", "already-compressed", "colour-table", "v2-direct-colour"})
    EXPECT_NE(schema.find('"' + std::string(code) + '"'), std::string::npos) << code;
  std::set<std::string_view> codes;
  for (std::size_t k = 0; k < kLeftAloneCount; ++k) {
    const auto reason = static_cast<LeftAlone>(k);
    SCOPED_TRACE(LeftAloneName(reason));
    EXPECT_TRUE(codes.insert(LeftAloneCode(reason)).second);
    EXPECT_NE(schema.find('"' + std::string(LeftAloneCode(reason)) + '"'), std::string::npos);
    BitmapRecord record;
    record.leftAlone = LeftAloneName(reason);
    record.leftAloneCode = LeftAloneCode(reason);
    for (const char* tag : {"de", "fr", "ja"}) EXPECT_NE(LeftAloneText(record, Language::FromTag(tag)), record.leftAlone);
  }
  EXPECT_EQ(LeftAloneText(BitmapRecord{}, Language::FromTag("de")), "");
  EXPECT_EQ(LeftAloneCode(BitmapRecord{}), "");
}

TEST(ThoroughRewriteTest, ApplicationIconsKeepFormsThumbnailersRead) {
  Bytes v3Rows;  // 8 rows of four 16-bit pixels, 0x1234 and 0x5678 by turns: PackBits' case
  for (int k = 0; k < 32; ++k) {
    const Bytes pixel = k / 4 % 2 ? Bytes{0x56, 0x78} : Bytes{0x12, 0x34};
    v3Rows.insert(v3Rows.end(), pixel.begin(), pixel.end());
  }
  const Bytes family = Cat({
      Header16(1, 2, 8, 0x0000, 1, 8), Fill(16, 0x00),  // uncompressed version 1, 32 bytes
      DensityMarker(),
      HeaderV3(8, 8, 0x0000, 16, 0), v3Rows,
  });

  auto icon = RewriteBitmapFamilyThorough(family, {}, FamilyKind::ApplicationIcon);
  ASSERT_TRUE(icon.ok());
  EXPECT_FALSE(icon->changed);  // version 1 left alone; ScanLine would not make the 16-bit rows smaller
  ASSERT_EQ(icon->records.size(), 3u);
  EXPECT_EQ(icon->records[0].leftAlone, "v1 icon: thumbnailers ignore its compression");
  EXPECT_EQ(LeftAloneCode(icon->records[0]), "v1-icon");
  EXPECT_EQ(icon->records[2].leftAlone, "no codec makes it smaller");
  EXPECT_EQ(LeftAloneCode(icon->records[2]), "no-gain");
  EXPECT_EQ(icon->tally.leftAlone[static_cast<std::size_t>(LeftAlone::IconVersion1)], 1u);

  // The same bitmaps as a "Tbmp" family still get every codec.
  const ThoroughRewrite bitmap = Rewrite(family);
  ASSERT_TRUE(bitmap.changed);
  EXPECT_EQ(bitmap.tally.rewritten[static_cast<std::size_t>(BitmapCodec::ScanLine)], 1u);
  EXPECT_EQ(bitmap.tally.rewritten[static_cast<std::size_t>(BitmapCodec::PackBits)], 1u);
  ASSERT_EQ(bitmap.records.size(), 3u);
  EXPECT_EQ(bitmap.records[2].after->compression, BitmapCompression::PackBits);

  // A 16-bit icon whose rows ScanLine does shorten is written with ScanLine.
  const Bytes equalRows = Cat({HeaderV3(8, 8, 0x0000, 16, 0), Fill(64, 0x42)});
  auto scanLine = RewriteBitmapFamilyThorough(equalRows, {}, FamilyKind::ApplicationIcon);
  ASSERT_TRUE(scanLine.ok() && scanLine->changed);
  EXPECT_EQ(scanLine->records[0].after->compression, BitmapCompression::ScanLine);
}

TEST(ThoroughRewriteTest, RecordsOfABitmapAndOfAFamilyLeftAsItWas) {
  const Bytes transparent = Cat({HeaderV3(8, 8, 0x2000, 16, 88), Fill(64, 0x42), HeaderV3(4, 2, 0x0000, 8, 0),
                                 {1, 2, 3, 4, 5, 6, 7, 8}});
  const ThoroughRewrite result = Rewrite(transparent);
  ASSERT_EQ(result.records.size(), 2u);
  const BitmapRecord& first = result.records[0];
  EXPECT_EQ(first.offset, 0u);
  EXPECT_EQ(first.version, 3);
  EXPECT_EQ(first.width, 4);
  EXPECT_EQ(first.height, 8);
  EXPECT_EQ(first.rowBytes, 8);
  EXPECT_EQ(first.pixelSize, 16);
  EXPECT_EQ(first.density, 0x90);
  EXPECT_EQ(first.transparent, std::optional<std::uint32_t>(0));
  EXPECT_EQ(first.before.compression, BitmapCompression::None);
  EXPECT_EQ(first.before.bytes, 88u);  // to the next bitmap, which the distance field names
  ASSERT_TRUE(first.after.has_value());
  EXPECT_EQ(result.records[1].offset, 88u);
  EXPECT_EQ(result.records[1].outputOffset, first.after->bytes);
  EXPECT_EQ(result.records[1].leftAlone, "no codec makes it smaller");

  // A family the walk refuses: the bitmap before the fault, and the rest from there.
  const Bytes refused = Cat({Header16(2, 4, 4, 0x0000, 8, 9), Fill(20, 0), Header16(4, 4, 4, 0x0000, 8, 0)});
  const ThoroughRewrite left = Rewrite(refused);
  ASSERT_EQ(left.records.size(), 2u);
  EXPECT_EQ(left.records[1].offset, 36u);
  EXPECT_EQ(left.records[1].before.bytes, 16u);
  EXPECT_EQ(left.records[0].leftAlone.rfind("family left as it was: ", 0), 0u);
  EXPECT_EQ(LeftAloneCode(left.records[0]), "fault");
  EXPECT_EQ(LeftAloneCode(left.records[1]), "fault");
  EXPECT_FALSE(left.records[1].after.has_value());
}

TEST(ThoroughRewriteTest, MalformedFamilyStaysAsItIs) {
  const Bytes compressible = Cat({Header16(2, 4, 4, 0x0000, 8, 9), Fill(20, 0)});  // 36 bytes, points to the next
  for (const Bytes& next : {Cat({Header16(4, 4, 4, 0x0000, 8, 0), Fill(16, 0)}),  // version 4
                            Bytes{0x00, 0x01, 0x02}}) {                          // a header cut short
    const ThoroughRewrite result = Rewrite(Cat({compressible, next}));
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(result.tally.familiesRefused, 1u);
  }
}

TEST(ThoroughRewriteTest, OneEventPassPerBitmapAndAStopEndsTheRewrite) {
  const Bytes piece = Cat({Header16(1, 2, 8, 0x0000, 1, 8), Fill(16, 0), DensityMarker(), HeaderV3(8, 4, 0x0000, 8, 0), Fill(32, 1)});
  int passes = 0;
  ASSERT_TRUE(RewriteBitmapFamilyThorough(piece, [&] { return ++passes > 0; }).ok());
  EXPECT_EQ(passes, 3);
  auto stopped = RewriteBitmapFamilyThorough(piece, [] { return false; });
  ASSERT_FALSE(stopped.ok());
  EXPECT_EQ(stopped.error().kind, ErrorKind::Stopped);
}

}  // namespace
}  // namespace pressling
