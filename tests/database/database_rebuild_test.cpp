#include "database/database_rebuild.h"

#include <gtest/gtest.h>

#include "database/resource_split.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

using test::Bytes;

// Splits the database at inputPath into work and rebuilds it, counting passes.
struct SplitAndRebuild {
  test::TempFolder work;
  test::TempFolder scratch;
  int passes = 0;
  DatabaseHead head;

  Result<RebuiltDatabase> Run(const std::filesystem::path& inputPath) {
    EventPass count = [this] { return ++passes > 0; };
    auto input = InputFile::Open(inputPath);
    EXPECT_TRUE(input.ok());
    if (auto r = ReadDatabaseHead(*input, head); !r) return r.error();
    auto lengths = SplitResources(*input, head.entries, work.path(), scratch.path(), count);
    if (!lengths) return lengths.error();
    return RebuildDatabase(inputPath.string(), head.header, head.entries, work.path(), *lengths,
                           BesideInput(inputPath.string()), count);
  }
};

TEST(OutputPathForTest, LastFourCharactersReplaced) {
  EXPECT_EQ(OutputPathFor("/palm/game.prc"), "/palm/game_comp.prc");
  EXPECT_EQ(OutputPathFor("/palm/GAME.PRC"), "/palm/GAME_comp.prc");
  EXPECT_EQ(OutputPathFor("a.b.prc"), "a.b_comp.prc");
  EXPECT_EQ(OutputPathFor("x_comp.prc"), "x_comp_comp.prc");
}

TEST(RebuildDatabaseTest, UnchangedPiecesGiveTheInputWithZeroGapAndTopBytes) {
  Bytes input = test::MakeDatabase("Same", {{test::Type("code"), {0x00, 0x01}, {1, 2, 3}},
                                            {test::Type("tbmp"), {0x00, 0x02}, test::ZeroBitmapV2(300)},
                                            {test::Type("data"), {0x00, 0x03}, {}},
                                            {test::Type("data"), {0x00, 0x04}, {9}}});
  input[78 + 6] = 0x11;   // entry 0 offset top byte
  input[88 + 6] = 0x22;   // entry 1 offset top byte
  input[118] = 0xAA;      // gap
  input[119] = 0xBB;
  test::TempFolder folder;
  test::WriteBytes(folder / "same.prc", input);

  SplitAndRebuild run;
  auto rebuilt = run.Run(folder / "same.prc");
  ASSERT_TRUE(rebuilt.ok()) << rebuilt.error().message;

  Bytes expected = input;
  expected[88 + 6] = 0x00;
  expected[118] = 0x00;
  expected[119] = 0x00;
  EXPECT_EQ(test::ReadBytes(rebuilt->temporaryPath), expected);
  EXPECT_EQ(rebuilt->resultSize, static_cast<std::int32_t>(input.size()));
  EXPECT_EQ(rebuilt->outputPath, folder / "same_comp.prc");
  EXPECT_EQ(rebuilt->temporaryPath.parent_path(), folder.path());
  EXPECT_TRUE(test::Contents(run.work.path()).empty());  // every piece deleted
  EXPECT_EQ(run.passes, 4 * 4);                          // split, offsets, head, data: one per resource each
}

TEST(RebuildDatabaseTest, ShrunkBitmapMovesOnlyLaterOffsets) {
  Bytes input = test::MakeDatabase("Shrink", {{test::Type("code"), {0x00, 0x01}, {1, 2, 3, 4}},
                                              {test::Type("Tbmp"), {0x00, 0x02}, test::ZeroBitmapV2(256)},
                                              {test::Type("data"), {0x00, 0x03}, {7, 7}}});
  test::TempFolder folder;
  test::WriteBytes(folder / "shrink.prc", input);
  SplitAndRebuild run;
  auto rebuilt = run.Run(folder / "shrink.prc");
  ASSERT_TRUE(rebuilt.ok()) << rebuilt.error().message;

  // 256 zero bytes pack to 8: the bitmap shrinks by 248.
  EXPECT_EQ(EntryOffset(run.head.entries[0]), 110);
  EXPECT_EQ(EntryOffset(run.head.entries[1]), 114);
  EXPECT_EQ(EntryOffset(run.head.entries[2]), 114 + 16 + 8);
  EXPECT_EQ(EntryOffset(run.head.entries[3]), 114 + 16 + 8 + 2);
  EXPECT_EQ(rebuilt->resultSize, static_cast<std::int32_t>(input.size()) - 248);
  Bytes output = test::ReadBytes(rebuilt->temporaryPath);
  EXPECT_EQ((Bytes(output.end() - 2, output.end())), (Bytes{7, 7}));
}

TEST(RebuildDatabaseTest, EmptyDatabaseGivesHeaderAndGap) {
  Bytes input = test::MakeDatabase("Empty", {});
  test::TempFolder folder;
  test::WriteBytes(folder / "empty.prc", input);
  SplitAndRebuild run;
  auto rebuilt = run.Run(folder / "empty.prc");
  ASSERT_TRUE(rebuilt.ok()) << rebuilt.error().message;
  EXPECT_EQ(test::ReadBytes(rebuilt->temporaryPath), input);
  EXPECT_EQ(run.passes, 0);
}

TEST(RebuildDatabaseTest, ResourceTenThousandKeepsItsOwnPiece) {
  std::vector<test::TestResource> resources;
  for (int i = 0; i <= 10000; ++i)
    resources.push_back({test::Type("data"), {static_cast<std::uint8_t>(i / 256), static_cast<std::uint8_t>(i % 256)},
                         {static_cast<std::uint8_t>(i % 251)}});
  resources[10000].type = test::Type("Tbmp");
  resources[10000].data = test::ZeroBitmapV2(200);
  // Resources 0 and 10000 share the digits 0000 and the type; their ids differ.
  resources[0].type = test::Type("Tbmp");
  resources[0].id = {0x27, 0x11};
  resources[0].data = test::ZeroBitmapV2(20);
  Bytes input = test::MakeDatabase("Many", resources);
  test::TempFolder folder;
  test::WriteBytes(folder / "many.prc", input);

  SplitAndRebuild run;
  auto rebuilt = run.Run(folder / "many.prc");
  ASSERT_TRUE(rebuilt.ok()) << rebuilt.error().message;
  Bytes output = test::ReadBytes(rebuilt->temporaryPath);
  // Both bitmaps were compressed: 20 zeros to 4 bytes, 200 zeros to 8.
  EXPECT_EQ(rebuilt->resultSize, static_cast<std::int32_t>(input.size()) - 16 - 192);
  EXPECT_EQ((Bytes(output.end() - 8, output.end())), (Bytes{0x00, 0x18, 0x80, 0x00, 0x48, 0x00, 0x00, 0x00}));
}

TEST(RebuildDatabaseTest, MissingPieceFailsAndLeavesNoOutput) {
  Bytes input = test::MakeDatabase("Gone", {{test::Type("code"), {0x00, 0x01}, {1}}});
  test::TempFolder folder;
  test::WriteBytes(folder / "gone.prc", input);
  test::TempFolder work;
  auto file = InputFile::Open(folder / "gone.prc");
  ASSERT_TRUE(file.ok());
  DatabaseHead head;
  ASSERT_TRUE(ReadDatabaseHead(*file, head).ok());

  const std::vector<std::uint64_t> lengths{1};
  auto rebuilt = RebuildDatabase((folder / "gone.prc").string(), head.header, head.entries, work.path(), lengths,
                                 BesideInput((folder / "gone.prc").string()), {});
  ASSERT_FALSE(rebuilt.ok());
  EXPECT_EQ(rebuilt.error().kind, ErrorKind::FileOperation);
  EXPECT_EQ(test::Contents(folder.path()), std::vector<std::string>{"gone.prc"});
}

}  // namespace
}  // namespace pressling
