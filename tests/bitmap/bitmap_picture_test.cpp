#include <gtest/gtest.h>

#include "bitmap/codecs/bitmap_decoder.h"
#include "bitmap/picture/bitmap_picture.h"
#include "bitmap/classic/family_rewrite.h"

namespace pressling {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The picture's pixels as red, green, blue, alpha; an error fails the test.
Bytes Rgba(const Bytes& bitmap) {
  const auto picture = RenderBitmapPicture(bitmap);
  EXPECT_TRUE(picture.ok()) << picture.error().message;
  return picture.ok() ? picture->rgba : Bytes{};
}

TEST(BitmapPictureTest, GreyLevelsRunFromWhiteToBlackAndTheTransparentIndexIsClear) {
  const Bytes fourBits = {
      0, 4,        // width
      0, 1,        // height
      0, 2,        // rowBytes
      0x20, 0,     // flags: hasTransparency
      4,           // pixelSize
      2,           // version
      0, 0,        // nextDepthOffset: the last bitmap
      5,           // transparentIndex
      0,           // compressionType, unused
      0, 0,        // reserved
      0x05, 0xAF,  // pixels 0, 5, 10, 15
  };
  EXPECT_EQ(Rgba(fourBits), (Bytes{255, 255, 255, 255, 170, 170, 170, 0, 85, 85, 85, 255, 0, 0, 0, 255}));

  const Bytes twoBits = {
      0, 5,        // width: the fifth pixel starts the second byte
      0, 1,        // height
      0, 2,        // rowBytes
      0, 0,        // flags: none, so transparentIndex 0 means nothing
      2,           // pixelSize
      2,           // version
      0, 0,        // nextDepthOffset
      0,           // transparentIndex
      0,           // compressionType
      0, 0,        // reserved
      0x1B, 0xC0,  // pixels 0, 1, 2, 3, 3
  };
  EXPECT_EQ(Rgba(twoBits),
            (Bytes{255, 255, 255, 255, 170, 170, 170, 255, 85, 85, 85, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

  const Bytes versionOne = {
      0, 3,     // width
      0, 1,     // height
      0, 2,     // rowBytes
      0, 0,     // flags
      0,        // pixelSize: 0 is one bit in versions 0 and 1
      1,        // version
      0, 0,     // nextDepthOffset
      0, 0,     // reserved
      0, 0,     // reserved
      0xA0, 0,  // pixels 1, 0, 1
  };
  EXPECT_EQ(Rgba(versionOne), (Bytes{0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255}));
}

TEST(BitmapPictureTest, SixteenBitTransparentColourIsClearInBothHeaderVersions) {
  const Bytes version3 = {
      0, 2,              // width
      0, 1,              // height
      0, 4,              // rowBytes
      0x24, 0,           // flags: hasTransparency, directColor
      16,                // pixelSize
      3,                 // version
      24,                // size of the header
      1,                 // pixelFormat: RGB565, big-endian
      0,                 // unused
      0,                 // compressionType
      0, 72,             // density
      0, 0, 0xF8, 0x00,  // transparentValue: pure red
      0, 0, 0, 0,        // nextBitmapOffset
      0xF8, 0x00,        // red
      0x07, 0xE0,        // green
  };
  EXPECT_EQ(Rgba(version3), (Bytes{255, 0, 0, 0, 0, 255, 0, 255}));

  const Bytes version2 = {
      0, 2,        // width
      0, 1,        // height
      0, 4,        // rowBytes
      0x24, 0,     // flags: hasTransparency, directColor
      16,          // pixelSize
      2,           // version
      0, 0,        // nextDepthOffset
      0,           // transparentIndex, unused for 16 bits
      0,           // compressionType
      0, 0,        // reserved
      5, 6, 5,     // direct colour: red, green and blue bits
      0,           // reserved
      0,           // transparent colour: index
      0, 0xFF, 0,  // transparent colour: red, green, blue
      0x84, 0x10,  // 16 of 31 red, 32 of 63 green, 16 of 31 blue
      0x07, 0xE0,  // green
  };
  EXPECT_EQ(Rgba(version2), (Bytes{131, 129, 131, 255, 0, 255, 0, 0}));
}

TEST(BitmapPictureTest, EightBitsUseTheOwnColourTableElseTheSystemPalette) {
  const Bytes ownTable = {
      0, 3,            // width
      0, 1,            // height
      0, 4,            // rowBytes
      0x40, 0,         // flags: hasColorTable
      8,               // pixelSize
      2,               // version
      0, 0,            // nextDepthOffset
      0,               // transparentIndex
      0,               // compressionType
      0, 0,            // reserved
      0, 2,            // colour table: 2 entries
      0, 10, 20, 30,   // entry 0: index, red, green, blue
      1, 40, 50, 60,   // entry 1
      1, 0, 2, 0,      // pixels 1, 0, 2 (past the table: the system palette's) and the row's pad byte
  };
  EXPECT_EQ(Rgba(ownTable), (Bytes{40, 50, 60, 255, 10, 20, 30, 255, 0xFF, 0x99, 0xFF, 255}));

  const Bytes systemPalette = {
      0, 3,             // width
      0, 1,             // height
      0, 4,             // rowBytes
      0, 0,             // flags
      8,                // pixelSize
      2,                // version
      0, 0,             // nextDepthOffset
      0,                // transparentIndex
      0,                // compressionType
      0, 0,             // reserved
      0, 215, 225, 0,   // pixels: white, the first extra grey, silver; pad
  };
  EXPECT_EQ(Rgba(systemPalette), (Bytes{255, 255, 255, 255, 0x11, 0x11, 0x11, 255, 0xC0, 0xC0, 0xC0, 255}));
}

// Two rows of four bytes run-length coded as one stream whose last run of 5
// reaches 2 bytes past the pixels, and the same rows stored plainly.
const Bytes kRleRunningPast = {
    0, 3,     // width
    0, 2,     // height
    0, 4,     // rowBytes
    0x80, 0,  // flags: compressed
    8,        // pixelSize
    2,        // version
    0, 0,     // nextDepthOffset
    0,        // transparentIndex
    1,        // compressionType: RLE
    0, 0,     // reserved
    0, 22,    // size word
    5, 1,     // 5 bytes of 1, on into the second row
    5, 2,     // 5 bytes of 2, of which 3 are left
};
const Bytes kPlain = {
    0, 3, 0, 2, 0, 4, 0, 0, 8, 2, 0, 0, 0, 0, 0, 0,  // the same header, not compressed
    1, 1, 1, 1,                                      // row 0
    1, 2, 2, 2,                                      // row 1
};

TEST(BitmapPictureTest, ALastRunPastThePixelsIsCutWhereTheStrictDecoderRefusesIt) {
  EXPECT_EQ(Rgba(kRleRunningPast), Rgba(kPlain));
  const auto layout = std::get<BitmapLayout>(ReadBitmapLayout(kRleRunningPast));
  std::vector<std::uint8_t> rows;
  EXPECT_FALSE(DecodeBitmapRows(layout, kRleRunningPast, rows).ok());

  // The classic mode packs everything up to the end of the piece, so bytes
  // after the pixels that repeat the last one lengthen its last run.
  Bytes trailing = kPlain;
  trailing.insert(trailing.end(), 8, 2);  // 8 more bytes of 2 after the pixels
  const auto packed = RewriteBitmapFamily(trailing, EventPass{});
  ASSERT_TRUE(packed.ok()) << packed.error().message;
  ASSERT_EQ(packed->size(), 24u);  // header, size word, pairs (5, 1) (11, 2), fill pair
  EXPECT_EQ(Rgba(*packed), Rgba(kPlain));
  EXPECT_FALSE(DecodeBitmapRows(std::get<BitmapLayout>(ReadBitmapLayout(*packed)), *packed, rows).ok());
}

TEST(BitmapPictureTest, FaultsAreErrorsThatSayWhatIsWrong) {
  Bytes cutPixels = kPlain;
  cutPixels.pop_back();  // the last pixel byte is missing
  Bytes cutStream = kRleRunningPast;
  cutStream.resize(cutStream.size() - 2);  // the last pair is missing
  Bytes tooWide = kPlain;
  tooWide[1] = 5;  // 5 pixels of 8 bits in rows of 4 bytes
  Bytes unknownCodec = kRleRunningPast;
  unknownCodec[13] = 7;  // no such compression type
  const std::pair<Bytes, const char*> cases[] = {
      {cutPixels, "reach past the bitmap"},
      {cutStream, "the data end after 5 of 8 pixel bytes"},
      {tooWide, "5 pixels of 8 bits do not fit in rows of 4 bytes"},
      {unknownCodec, "compression type 7"},
      {Bytes(12, 0), "header is cut short"},
  };
  for (const auto& [bitmap, fault] : cases) {
    const auto picture = RenderBitmapPicture(bitmap);
    ASSERT_FALSE(picture.ok()) << fault;
    EXPECT_NE(picture.error().message.find(fault), std::string::npos) << picture.error().message;
  }
}

TEST(BitmapPictureTest, EveryShortenedBitmapIsAnError) {
  for (const Bytes& whole : {kPlain, kRleRunningPast}) {
    for (std::size_t n = 0; n < whole.size(); ++n)
      EXPECT_FALSE(RenderBitmapPicture(std::span<const std::uint8_t>(whole).first(n)).ok()) << n << " bytes";
  }
}

}  // namespace
}  // namespace pressling
