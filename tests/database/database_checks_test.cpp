#include "database/database_checks.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/database/test_support.h"

namespace pressling {
namespace {

using test::Bytes;

// 108 bytes: header, "code" 0001 at 100 (4 bytes), "Tbmp" 0002 at 104 (4 bytes).
Bytes BaseDatabase() {
  return test::MakeDatabase("Base", {{test::Type("code"), {0x00, 0x01}, {1, 2, 3, 4}},
                                     {test::Type("Tbmp"), {0x00, 0x02}, {5, 6, 7, 8}}});
}

constexpr std::size_t kEntry0 = 78;
constexpr std::size_t kEntry1 = 88;

struct Corruption {
  const char* what;
  std::function<void(Bytes&)> apply;
  ErrorKind kind;
  const char* message;
};

Result<void> ReadHead(const Bytes& bytes, DatabaseHead* into = nullptr) {
  test::TempFolder folder;
  test::WriteBytes(folder / "db.prc", bytes);
  auto input = InputFile::Open(folder / "db.prc");
  EXPECT_TRUE(input.ok());
  DatabaseHead head;
  return ReadDatabaseHead(*input, into ? *into : head);
}

TEST(DatabaseChecksTest, BaseDatabaseIsAccepted) { EXPECT_TRUE(ReadHead(BaseDatabase()).ok()); }

TEST(DatabaseChecksTest, EachRuleRefusesItsCorruption) {
  const std::vector<Corruption> corruptions = {
      {"shorter than a header", [](Bytes& b) { b.resize(79); }, ErrorKind::NotDatabase,
       "the file is 79 bytes long, too short for a database header (80 bytes)"},
      {"record database", [](Bytes& b) { b[33] = 0x00; }, ErrorKind::NotDatabase,
       "the resource-database attribute (0x0001) is not set"},
      {"list longer than the file", [](Bytes& b) { b[77] = 3; }, ErrorKind::Corrupt,
       "the file is 108 bytes long, too short for the list of 3 resources it announces (110 bytes)"},
      {"16 MiB", [](Bytes& b) { b.resize(16777216); }, ErrorKind::TooLarge,
       "the file is 16777216 bytes long; a database must be shorter than 16777216 bytes"},
      {"no gap bytes", [](Bytes& b) { b[kEntry0 + 9] = 98; }, ErrorKind::Corrupt,
       "resource 0 starts at offset 98, not right after the resource list at 100"},
      {"offsets decrease", [](Bytes& b) { b[kEntry1 + 9] = 99; }, ErrorKind::Corrupt,
       "resource 1 offset 99 lies before the offset 100 of resource 0"},
      {"offset past the end", [](Bytes& b) { b[kEntry1 + 9] = 200; }, ErrorKind::Corrupt,
       "resource 1 offset 200 lies past the end of the file (108 bytes)"},
      {"application-info block", [](Bytes& b) { b[32 + 23] = 0x64; }, ErrorKind::Corrupt,
       "the application-info offset is 100, not 0"},
      {"sort-info block", [](Bytes& b) { b[32 + 27] = 0x64; }, ErrorKind::Corrupt,
       "the sort-info offset is 100, not 0"},
      {"further record list", [](Bytes& b) { b[32 + 40] = 0x01; }, ErrorKind::Corrupt,
       "the next record list id is 16777216, not 0"},
  };
  for (const Corruption& c : corruptions) {
    SCOPED_TRACE(c.what);
    Bytes bytes = BaseDatabase();
    c.apply(bytes);
    auto read = ReadHead(bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().kind, c.kind);
    EXPECT_EQ(read.error().message, c.message);
  }
}

TEST(DatabaseChecksTest, PieceNamesCollideOnlyTenThousandEntriesApart) {
  DatabaseHead head;
  head.header.numRecords = {0x27, 0x11};  // 10001
  head.entries.resize(10002);
  for (std::size_t i = 0; i < head.entries.size(); ++i) {
    head.entries[i].type = test::Type("data");
    head.entries[i].id = {static_cast<std::uint8_t>(i / 256), static_cast<std::uint8_t>(i % 256)};
    SetEntryOffset(head.entries[i], static_cast<std::int32_t>(HeadSize(10001) + i));
  }
  const std::uint64_t length = HeadSize(10001) + 10001;
  EXPECT_TRUE(CheckResourceList(head, length).ok());  // 0000data0000 and 0000data2710 differ

  head.entries[10000].id = head.entries[0].id;
  auto checked = CheckResourceList(head, length);
  ASSERT_FALSE(checked.ok());
  EXPECT_EQ(checked.error().message, "resources 0 and 10000 would share the piece file name ~0000data0000");
}

TEST(DatabaseChecksTest, EmptyDatabaseMustEndAfterItsHead) {
  Bytes bytes = test::MakeDatabase("Empty", {});
  EXPECT_TRUE(ReadHead(bytes).ok());
  bytes.push_back(0xEE);
  auto read = ReadHead(bytes);
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().message, "the file is 81 bytes long but holds no resource (80 bytes expected)");
}

TEST(DatabaseChecksTest, EmptyResourcesAndTheLargestSizeAreAccepted) {
  Bytes bytes = test::MakeDatabase("Edges", {{test::Type("code"), {0x00, 0x01}, {}},
                                             {test::Type("code"), {0x00, 0x02}, {}}});
  EXPECT_TRUE(ReadHead(bytes).ok());

  bytes = test::MakeDatabase("Largest", {{test::Type("data"), {0x00, 0x01}, Bytes(16777215 - 90, 0x00)}});
  DatabaseHead head;
  ASSERT_TRUE(ReadHead(bytes, &head).ok());
  EXPECT_EQ(head.entries[1].offset, (std::array<std::uint8_t, 4>{0x00, 0xFF, 0xFF, 0xFF}));  // sentinel
}

}  // namespace
}  // namespace pressling
