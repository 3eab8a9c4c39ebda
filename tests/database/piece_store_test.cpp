// Both piece stores behave alike piece by piece, and a run gives the same
// outcome, report, records and output bytes whichever keeps its pieces.
#include <gtest/gtest.h>

#include <memory>

#include "database/conversion_run.h"
#include "database/file_piece_store.h"
#include "database/memory_piece_store.h"
#include "tests/common/corpus.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

using test::Bytes;

struct StoreUnderTest {
  test::TempFolder folder;
  std::unique_ptr<PieceStore> store;
};

std::unique_ptr<StoreUnderTest> MakeStore(PieceStorage storage) {
  auto made = std::make_unique<StoreUnderTest>();
  auto store = OpenPieceStore(storage, made->folder.path(), made->folder.path());
  EXPECT_TRUE(store.ok());
  if (store) made->store = std::move(*store);
  return made;
}

class PieceStoreTest : public testing::TestWithParam<PieceStorage> {};

TEST_P(PieceStoreTest, KeepsReplacesAndGivesBackPiecesOfTheirLength) {
  auto made = MakeStore(GetParam());
  PieceStore& store = *made->store;
  const Bytes first = {0x01, 0x02, 0x03};
  const Bytes shorter = {0x09};
  ASSERT_TRUE(store.Put("~0000Tbmp0001", first).ok());
  ASSERT_TRUE(store.Put("~0001code0000", Bytes{}).ok());
  ASSERT_TRUE(store.Replace("~0000Tbmp0001", shorter).ok());

  Bytes gathered = {0xAA};
  ASSERT_TRUE(store.AppendTo("~0000Tbmp0001", 1, gathered).ok());
  ASSERT_TRUE(store.AppendTo("~0001code0000", 0, gathered).ok());
  EXPECT_EQ(gathered, (Bytes{0xAA, 0x09}));
  EXPECT_EQ(store.PathOf("~0001code0000"), made->folder / "~0001code0000");
  EXPECT_TRUE(store.Remove("~0000Tbmp0001").ok());
  EXPECT_TRUE(store.Remove("~0001code0000").ok());
}

TEST_P(PieceStoreTest, AWrongLengthOrAMissingPieceIsAnErrorNamingIt) {
  auto made = MakeStore(GetParam());
  PieceStore& store = *made->store;
  ASSERT_TRUE(store.Put("~0000Tbmp0001", Bytes{0x01, 0x02}).ok());
  Bytes gathered = {0xAA};
  for (std::uint64_t wrong : {1u, 3u}) {
    auto read = store.AppendTo("~0000Tbmp0001", wrong, gathered);
    ASSERT_FALSE(read.ok()) << wrong;
    EXPECT_EQ(read.error().kind, ErrorKind::FileOperation);
    EXPECT_NE(read.error().message.find((made->folder / "~0000Tbmp0001").string()), std::string::npos);
    EXPECT_EQ(gathered, Bytes{0xAA}) << "a failed read adds nothing";
  }
  auto missing = store.AppendTo("~0005Tbmp0002", 0, gathered);
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.error().message.find("~0005Tbmp0002"), std::string::npos);
  EXPECT_FALSE(store.Remove("~0005Tbmp0002").ok());
  ASSERT_TRUE(store.Remove("~0000Tbmp0001").ok());
  EXPECT_FALSE(store.AppendTo("~0000Tbmp0001", 2, gathered).ok()) << "a removed piece is gone";
}

INSTANTIATE_TEST_SUITE_P(BothStores, PieceStoreTest, testing::Values(PieceStorage::Files, PieceStorage::Memory),
                         [](const auto& info) { return info.param == PieceStorage::Files ? "Files" : "Memory"; });

struct Converted {
  RunResult result;
  std::vector<std::string> lines;
  Bytes output;
  std::vector<std::string> leftInFolder;
};

Converted Convert(const Bytes& input, BitmapMode mode, PieceStorage storage) {
  test::TempFolder folder;
  test::WriteBytes(folder / "db.prc", input);
  test::RecordingSurface surface;
  ConversionOptions options;
  options.bitmapMode = mode;
  options.pieceStorage = storage;
  Converted converted;
  converted.result = ConvertDatabase((folder / "db.prc").string(), surface, {}, options);
  converted.lines = surface.VisibleTexts();
  // The runs are in different temporary folders; the rest of the message must agree.
  std::string& detail = converted.result.detail;
  if (const std::size_t at = detail.find(folder.path().string()); at != std::string::npos)
    detail.replace(at, folder.path().string().size(), "FOLDER");
  if (converted.result.outcome == RunOutcome::Converted) converted.output = test::ReadBytes(folder / "db_comp.prc");
  converted.leftInFolder = test::Contents(folder.path());
  return converted;
}

TEST(PieceStorageTest, EveryCorpusDatabaseConvertsAlikeWithPiecesInFilesOrInMemory) {
  PRESSLING_REQUIRE_CORPUS();
  int compared = 0;
  for (const std::filesystem::path& source : test::CorpusDatabases()) {
    const Bytes input = test::ReadBytes(source);
    for (BitmapMode mode : {BitmapMode::Classic, BitmapMode::Thorough}) {
      SCOPED_TRACE(source.filename().string() + (mode == BitmapMode::Thorough ? " thorough" : " classic"));
      const Converted files = Convert(input, mode, PieceStorage::Files);
      const Converted memory = Convert(input, mode, PieceStorage::Memory);
      EXPECT_EQ(memory.result.outcome, files.result.outcome);
      EXPECT_EQ(memory.result.detail, files.result.detail);
      EXPECT_EQ(memory.lines, files.lines);
      EXPECT_EQ(memory.output, files.output);
      EXPECT_EQ(memory.leftInFolder, files.leftInFolder);
      ASSERT_EQ(memory.result.bitmaps.size(), files.result.bitmaps.size());
      for (std::size_t i = 0; i < files.result.bitmaps.size(); ++i) {
        const BitmapRecord& a = files.result.bitmaps[i];
        const BitmapRecord& b = memory.result.bitmaps[i];
        EXPECT_EQ(std::tie(b.resourceIndex, b.offset, b.outputOffset, b.before.bytes, b.leftAlone),
                  std::tie(a.resourceIndex, a.offset, a.outputOffset, a.before.bytes, a.leftAlone))
            << "bitmap " << i;
        EXPECT_EQ(b.after.has_value(), a.after.has_value()) << "bitmap " << i;
        if (a.after && b.after) {
          EXPECT_EQ(b.after->bytes, a.after->bytes) << "bitmap " << i;
        }
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace pressling
