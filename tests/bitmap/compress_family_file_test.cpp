#include <gtest/gtest.h>

#include <unistd.h>

#include "bitmap/classic/family_rewrite.h"
#include "tests/bitmap/family_builder.h"
#include "tests/common/palm_bitmap_decoder.h"
#include "workfolder/file_io.h"

namespace pressling::test {
namespace {

namespace fs = std::filesystem;

class CompressBitmapFamilyFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("pressling-bitmap-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "scratch");
    piecePath_ = dir_ / "~0003Tbmp0BB8";
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WritePiece(const Bytes& bytes) { ASSERT_TRUE(WriteWholeFile(piecePath_, bytes).ok()); }
  Bytes Piece() { return *ReadWholeFile(piecePath_); }

  fs::path dir_;
  fs::path piecePath_;
};

const Bytes kFamily = Cat({HeaderV2(20), Fill(64, 0x00), HeaderV1(4, 0xFF), Fill(2, 0), HeaderV3(0), Fill(90, 0x31)});

TEST_F(CompressBitmapFamilyFile, ReplacesThePieceAndLeavesNoScratchFile) {
  WritePiece(kFamily);
  ASSERT_TRUE(WriteWholeFile(dir_ / "scratch" / "~bmp", Bytes(5000, 0xEE)).ok());  // left over, emptied
  int calls = 0;
  auto result = CompressBitmapFamily(piecePath_, dir_ / "scratch", [&] {
    ++calls;
    return true;
  });
  ASSERT_TRUE(result.ok()) << result.error().message;
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(fs::exists(dir_ / "scratch" / "~bmp"));
  const Bytes out = Piece();
  EXPECT_EQ(out.size(), 20u + 16u + 32u);
  std::string why;
  auto same = SamePixels(kFamily, out, &why);
  ASSERT_TRUE(same.ok());
  EXPECT_TRUE(*same) << why;
}

TEST_F(CompressBitmapFamilyFile, FamilyThatCannotShrinkIsWrittenBackAsItWas) {
  const Bytes piece = Cat({HeaderV1(0), Fill(64, 0)});
  WritePiece(piece);
  ASSERT_TRUE(CompressBitmapFamily(piecePath_, dir_ / "scratch", EventPass{}).ok());
  EXPECT_EQ(Piece(), piece);
  EXPECT_FALSE(fs::exists(dir_ / "scratch" / "~bmp"));
}

TEST_F(CompressBitmapFamilyFile, MissingScratchDirectoryLeavesThePiece) {
  WritePiece(kFamily);
  const fs::path missing = dir_ / "no such folder";
  auto result = CompressBitmapFamily(piecePath_, missing, EventPass{});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, ErrorKind::FileOperation);
  EXPECT_NE(result.error().message.find((missing / "~bmp").string()), std::string::npos) << result.error().message;
  EXPECT_EQ(Piece(), kFamily);
}

TEST_F(CompressBitmapFamilyFile, ScratchDirectoryThatIsAFileLeavesThePiece) {
  WritePiece(kFamily);
  const fs::path file = dir_ / "plain file";
  ASSERT_TRUE(WriteWholeFile(file, Bytes{1}).ok());
  auto result = CompressBitmapFamily(piecePath_, file, EventPass{});
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.error().message.find(file.string()), std::string::npos) << result.error().message;
  EXPECT_EQ(Piece(), kFamily);
}

TEST_F(CompressBitmapFamilyFile, ScratchThatCannotReplaceThePieceIsRemoved) {
  WritePiece(kFamily);
  // During the event pass the piece's name becomes a folder that holds a file,
  // so the finished scratch file cannot be renamed over it.
  auto result = CompressBitmapFamily(piecePath_, dir_ / "scratch", [&] {
    if (!fs::is_directory(piecePath_)) {
      fs::remove(piecePath_);
      fs::create_directory(piecePath_);
      EXPECT_TRUE(WriteWholeFile(piecePath_ / "inside", Bytes{1}).ok());
    }
    return true;
  });
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, ErrorKind::FileOperation);
  EXPECT_NE(result.error().message.find(piecePath_.string()), std::string::npos) << result.error().message;
  EXPECT_FALSE(fs::exists(dir_ / "scratch" / "~bmp"));
}

TEST_F(CompressBitmapFamilyFile, PieceNamedLikeTheScratchFileIsNotOverwritten) {
  piecePath_ = dir_ / "scratch" / "~bmp";
  WritePiece(kFamily);
  auto result = CompressBitmapFamily(piecePath_, dir_ / "scratch" / ".", EventPass{});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(Piece(), kFamily);
}

TEST_F(CompressBitmapFamilyFile, MissingPieceIsAnError) {
  auto missing = CompressBitmapFamily(dir_ / "gone" / "piece", dir_ / "scratch", EventPass{});
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().kind, ErrorKind::FileOperation);
  EXPECT_FALSE(fs::exists(dir_ / "scratch" / "~bmp"));
}

TEST_F(CompressBitmapFamilyFile, MalformedFamilyLeavesThePiece) {
  const Bytes piece = Cat({HeaderV2(0xFFFF), Fill(64, 0)});
  WritePiece(piece);
  auto result = CompressBitmapFamily(piecePath_, dir_ / "scratch", EventPass{});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, ErrorKind::Corrupt);
  EXPECT_NE(result.error().message.find(piecePath_.string()), std::string::npos);
  EXPECT_EQ(Piece(), piece);
  EXPECT_FALSE(fs::exists(dir_ / "scratch" / "~bmp"));
}

TEST_F(CompressBitmapFamilyFile, StoppedLeavesThePiece) {
  WritePiece(kFamily);
  auto result = CompressBitmapFamily(piecePath_, dir_ / "scratch", [] { return false; });
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, ErrorKind::Stopped);
  EXPECT_EQ(Piece(), kFamily);
  EXPECT_FALSE(fs::exists(dir_ / "scratch" / "~bmp"));
}

}  // namespace
}  // namespace pressling::test
