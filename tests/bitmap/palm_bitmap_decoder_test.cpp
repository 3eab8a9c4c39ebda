#include "tests/common/palm_bitmap_decoder.h"

#include <gtest/gtest.h>

#include "bitmap/classic/family_rewrite.h"
#include "tests/bitmap/family_builder.h"

namespace pressling::test {
namespace {

const Bytes kBefore = Cat({HeaderV2(20), Fill(64, 0x00), HeaderV1(4, 0xFF), Fill(2, 0), HeaderV3(0), Fill(90, 0x31)});

Bytes Packed() { return *RewriteBitmapFamily(kBefore, EventPass{}); }

TEST(PalmBitmapDecoder, EveryTruncationIsRefusedOrDecoded) {
  const Bytes packed = Packed();
  for (const Bytes* family : {&kBefore, &packed}) {
    for (std::size_t n = 0; n < family->size(); ++n) {
      auto decoded = DecodeBitmapFamily(std::span<const std::uint8_t>(family->data(), n));
      // A cut before the end of the last header breaks the chain; later cuts only shorten its data block.
      const std::size_t lastHeaderEnd = family == &kBefore ? 80 + 16 + 24 : 20 + 16 + 24;
      EXPECT_EQ(decoded.ok(), n >= lastHeaderEnd) << n;
    }
  }
}

TEST(PalmBitmapDecoder, SamePixelsCatchesAWrongRewrite) {
  std::string why;
  EXPECT_TRUE(*SamePixels(kBefore, Packed(), &why)) << why;

  Bytes wrongPair = Packed();
  wrongPair[19] = 0x01;  // value of the first pair
  EXPECT_FALSE(*SamePixels(kBefore, wrongPair, &why));

  Bytes wrongSizeWord = Packed();
  wrongSizeWord[17] = 0x10;  // size word of the version-2 bitmap
  EXPECT_FALSE(*SamePixels(kBefore, wrongSizeWord, &why));

  Bytes noFlag = Packed();
  noFlag[6] = 0x00;  // flags: compressed bit cleared
  EXPECT_FALSE(*SamePixels(kBefore, noFlag, &why));

  Bytes changedMarker = Packed();
  changedMarker[20 + 8] = 0x08;  // pixel size of the version-1 marker
  EXPECT_FALSE(*SamePixels(kBefore, changedMarker, &why));
  EXPECT_NE(why.find("bitmap 1"), std::string::npos) << why;
}

}  // namespace
}  // namespace pressling::test
