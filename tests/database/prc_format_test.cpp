#include "database/prc_format.h"

#include <gtest/gtest.h>

#include "tests/database/test_support.h"

namespace pressling {
namespace {

using test::Bytes;

TEST(EntryOffsetTest, IgnoresTheTopByteAndStoresItAsZero) {
  ResourceEntry entry;
  entry.offset = {0x7F, 0x01, 0x02, 0x03};
  EXPECT_EQ(EntryOffset(entry), 0x010203);

  SetEntryOffset(entry, 16777215);
  EXPECT_EQ(entry.offset, (std::array<std::uint8_t, 4>{0x00, 0xFF, 0xFF, 0xFF}));
  SetEntryOffset(entry, 120);
  EXPECT_EQ(entry.offset, (std::array<std::uint8_t, 4>{0x00, 0x00, 0x00, 0x78}));
}

Result<void> ReadHead(const test::TempFolder& folder, const Bytes& bytes, DatabaseHead& head) {
  test::WriteBytes(folder / "db.prc", bytes);
  auto input = InputFile::Open(folder / "db.prc");
  EXPECT_TRUE(input.ok());
  return ReadDatabaseHead(*input, head);
}

TEST(ReadDatabaseHeadTest, ReadsHeaderListSentinelAndSkipsTheGap) {
  Bytes bytes(78, 0);
  bytes[0] = 'A';      // name
  bytes[33] = 0x01;    // attributes: resource database
  bytes[77] = 2;       // numRecords
  Bytes list = {
      'c', 'o', 'd', 'e', 0x00, 0x01, 0xAB, 0x00, 0x00, 0x64,  // entry 0, top offset byte set
      'T', 'b', 'm', 'p', 0x03, 0xE8, 0x00, 0x00, 0x00, 0x66,  // entry 1
      0x12, 0x34,                                              // gap, not zero
      0x01, 0x02,                                              // resource 0
      0x03,                                                    // resource 1
  };
  bytes.insert(bytes.end(), list.begin(), list.end());
  test::TempFolder folder;
  test::WriteBytes(folder / "db.prc", bytes);
  auto input = InputFile::Open(folder / "db.prc");
  ASSERT_TRUE(input.ok());
  DatabaseHead head;
  ASSERT_TRUE(ReadDatabaseHead(*input, head).ok());

  EXPECT_EQ(head.header.name[0], 'A');
  ASSERT_EQ(head.entries.size(), 3u);
  EXPECT_EQ(head.entries[0].offset, (std::array<std::uint8_t, 4>{0xAB, 0x00, 0x00, 0x64}));
  EXPECT_EQ(EntryOffset(head.entries[1]), 102);
  EXPECT_EQ(EntryOffset(head.entries[2]), 103);  // sentinel: the file length
  EXPECT_EQ(head.entries[2].type, (std::array<std::uint8_t, 4>{}));
  // The read position is the start of resource 0.
  std::array<std::uint8_t, 2> next;
  ASSERT_TRUE(input->Read(next).ok());
  EXPECT_EQ(next, (std::array<std::uint8_t, 2>{0x01, 0x02}));
}

TEST(ReadDatabaseHeadTest, EmptyDatabaseHasOnlyTheSentinel) {
  Bytes bytes(80, 0);
  bytes[33] = 0x01;  // attributes: resource database
  test::TempFolder folder;
  DatabaseHead head;
  ASSERT_TRUE(ReadHead(folder, bytes, head).ok());
  ASSERT_EQ(head.entries.size(), 1u);
  EXPECT_EQ(EntryOffset(head.entries[0]), 80);
}

TEST(WriteDatabaseHeadTest, WritesHeaderEntriesAndZeroGapOnly) {
  PrcHeader header;
  for (std::size_t i = 0; i < 32; ++i) header.name[i] = static_cast<std::uint8_t>(0x80 + i);  // no NUL at all
  header.carriedFields[43] = 0x5A;
  header.numRecords = {0x00, 0x01};
  ResourceEntry entry;
  entry.type = {'c', 'o', 'd', 'e'};
  entry.id = {0x00, 0x01};
  entry.offset = {0xAB, 0x00, 0x00, 0x5A};
  ResourceEntry sentinel;
  std::vector<ResourceEntry> entries = {entry, sentinel};
  int passes = 0;

  test::TempFolder folder;
  {
    auto out = OutputFile::Create(folder / "out.prc");
    ASSERT_TRUE(out.ok());
    ASSERT_TRUE(WriteDatabaseHead(*out, header, std::span(entries).first(1), [&] { return ++passes > 0; }).ok());
    ASSERT_TRUE(out->Commit().ok());
  }
  Bytes written = test::ReadBytes(folder / "out.prc");
  ASSERT_EQ(written.size(), 90u);
  EXPECT_EQ(written[0], 0x80);
  EXPECT_EQ(written[31], 0x80 + 31);
  EXPECT_EQ(written[75], 0x5A);
  EXPECT_EQ(written[77], 0x01);
  EXPECT_EQ((Bytes(written.begin() + 78, written.end())),
            (Bytes{'c', 'o', 'd', 'e', 0x00, 0x01, 0xAB, 0x00, 0x00, 0x5A,  // entry 0 as given
                   0x00, 0x00}));                                          // gap
  EXPECT_EQ(passes, 1);
}

}  // namespace
}  // namespace pressling
