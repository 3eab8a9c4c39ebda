#include "bitmap/classic/family_scan.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "bitmap/format/family_walk.h"
#include "tests/bitmap/family_builder.h"
#include "workfolder/file_io.h"

namespace pressling::test {
namespace {

struct Counted {
  int calls = 0;
  EventPass pass() {
    return [this] {
      ++calls;
      return true;
    };
  }
};

bool Supported(const Bytes& piece, int* calls = nullptr) {
  Counted counter;
  auto result = IsSupportedFamily(std::span<const std::uint8_t>(piece), counter.pass());
  EXPECT_TRUE(result.ok());
  if (calls) *calls = counter.calls;
  return result.ok() && *result;
}

std::vector<std::size_t> Positions(const Bytes& piece) {
  auto walk = WalkBitmapFamily(piece, EventPass{});
  std::vector<std::size_t> positions;
  for (const FamilyBitmap& b : walk->bitmaps) positions.push_back(b.position);
  return positions;
}

TEST(IsSupportedFamily, OneBitmapOfEachVersion) {
  int calls = 0;
  EXPECT_TRUE(Supported(Cat({HeaderV1(0), Fill(8, 0)}), &calls));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(Supported(Cat({HeaderV2(0), Fill(8, 0)}), &calls));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(Supported(Cat({HeaderV3(0), Fill(8, 0)}), &calls));
  EXPECT_EQ(calls, 1);
}

TEST(IsSupportedFamily, OtherVersionsAreUnsupported) {
  Bytes version0 = Cat({HeaderV2(0), Fill(4, 0)});
  version0[9] = 0x00;  // version
  EXPECT_FALSE(Supported(version0));

  Bytes second4 = Cat({HeaderV2(5), Fill(4, 0), HeaderV2(0), Fill(4, 0)});
  second4[20 + 9] = 0x04;  // version of the second bitmap
  int calls = 0;
  EXPECT_FALSE(Supported(second4, &calls));
  EXPECT_EQ(calls, 1);
}

TEST(IsSupportedFamily, DistancesLeadToTheNextHeader) {
  // nextDepthOffset 5: 20 bytes on.
  EXPECT_EQ(Positions(Cat({HeaderV2(5), Fill(4, 0), HeaderV1(0)})), (std::vector<std::size_t>{0, 20}));
  // nextBitmapOffset 48, in bytes.
  EXPECT_EQ(Positions(Cat({HeaderV3(48), Fill(24, 0), HeaderV1(0)})), (std::vector<std::size_t>{0, 48}));
}

TEST(IsSupportedFamily, MarkerOfPixelSize255PlaysNoPart) {
  const Bytes piece = Cat({
      HeaderV2(6), Fill(8, 0x11),        // version 2, 24 bytes
      HeaderV1(4, 0xFF),                // version-1 marker, byte 8 = 255, 16 bytes
      Fill(2, 0),
      HeaderV3(0), Fill(40, 0x22),       // version 3, last
  });
  int calls = 0;
  EXPECT_TRUE(Supported(piece, &calls));
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(Positions(piece), (std::vector<std::size_t>{0, 24, 40}));
}

TEST(IsSupportedFamily, Version3HeaderIs24BytesWhateverBytes10To12Hold) {
  Bytes piece = Cat({HeaderV3(24), HeaderV1(0)});
  piece[10] = 0xFF;  // bytes 10 to 12, not interpreted
  piece[11] = 0xFF;
  piece[12] = 0xFF;
  EXPECT_TRUE(Supported(piece));
  EXPECT_EQ(Positions(piece), (std::vector<std::size_t>{0, 24}));
}

// One malformation per case; each is refused without reading past the piece.
TEST(IsSupportedFamily, EmptyPiece) { EXPECT_FALSE(Supported({})); }

TEST(IsSupportedFamily, PieceEndsInsideFirst14Bytes) {
  const Bytes header = HeaderV1(0);
  EXPECT_FALSE(Supported(Bytes(header.begin(), header.begin() + 13)));
}

TEST(IsSupportedFamily, PieceEndsInsideVersion2Header) {
  const Bytes header = HeaderV2(0);
  EXPECT_FALSE(Supported(Bytes(header.begin(), header.begin() + 15)));
}

TEST(IsSupportedFamily, PieceEndsInsideVersion3Header) {
  const Bytes header = HeaderV3(0);
  EXPECT_FALSE(Supported(Bytes(header.begin(), header.begin() + 23)));
}

TEST(IsSupportedFamily, DistanceLeadsToTheEndOfThePiece) {
  EXPECT_FALSE(Supported(Cat({HeaderV2(5), Fill(4, 0)})));  // the next header would start at the end
}

TEST(IsSupportedFamily, DistanceLeadsPastTheEndOfThePiece) {
  EXPECT_FALSE(Supported(Cat({HeaderV2(0xFFFF), Fill(4, 0)})));
  EXPECT_FALSE(Supported(Cat({HeaderV3(1000), Fill(4, 0), HeaderV1(0)})));
}

TEST(IsSupportedFamily, DistanceShorterThanTheHeader) {
  EXPECT_FALSE(Supported(Cat({HeaderV2(3), HeaderV1(0)})));   // 12 < 16
  EXPECT_FALSE(Supported(Cat({HeaderV1(3), HeaderV1(0)})));   // 12 < 14
  EXPECT_FALSE(Supported(Cat({HeaderV3(20), HeaderV1(0)})));  // 20 < 24
}

TEST(IsSupportedFamily, Version3DistanceOf2To31OrMore) {
  EXPECT_FALSE(Supported(Cat({HeaderV3(0x80000000u), HeaderV1(0)})));
  EXPECT_FALSE(Supported(Cat({HeaderV3(0xFFFFFFFFu), HeaderV1(0)})));
}

TEST(IsSupportedFamily, DistanceEqualToTheHeaderIsAnEmptyDataBlock) {
  EXPECT_TRUE(Supported(Cat({HeaderV2(4), HeaderV3(24), HeaderV1(0)})));
  EXPECT_TRUE(Supported(HeaderV3(0)));  // the last header ends the piece
}

TEST(IsSupportedFamily, StopsWhenTheEventPassAsksTo) {
  const Bytes piece = Cat({HeaderV2(4), HeaderV2(4), HeaderV2(0)});
  int calls = 0;
  auto result = IsSupportedFamily(std::span<const std::uint8_t>(piece), [&] { return ++calls < 2; });
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, ErrorKind::Stopped);
  EXPECT_EQ(calls, 2);
}

TEST(IsSupportedFamily, ReadsThePieceFileWithoutChangingIt) {
  const auto path = std::filesystem::temp_directory_path() / ("scan-" + std::to_string(::getpid()));
  const Bytes piece = Cat({HeaderV2(6), Fill(8, 0x11), HeaderV3(0), Fill(40, 0x22)});
  ASSERT_TRUE(WriteWholeFile(path, piece).ok());
  auto result = IsSupportedFamily(path, EventPass{});
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(*result);
  EXPECT_EQ(*ReadWholeFile(path), piece);
  std::filesystem::remove(path);

  auto missing = IsSupportedFamily(path, EventPass{});
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().kind, ErrorKind::FileOperation);
  EXPECT_NE(missing.error().message.find(path.string()), std::string::npos);
}

}  // namespace
}  // namespace pressling::test
