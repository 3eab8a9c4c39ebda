#include "database/piece_name.h"

#include <gtest/gtest.h>

namespace pressling {
namespace {

ResourceEntry Entry(std::array<std::uint8_t, 4> type, std::uint8_t idHigh, std::uint8_t idLow) {
  ResourceEntry entry;
  entry.type = type;
  entry.id = {idHigh, idLow};
  return entry;
}

TEST(PieceFileNameTest, IndexDigitsTypeAndHexId) {
  EXPECT_EQ(PieceFileName(0, Entry({'T', 'b', 'm', 'p'}, 0x00, 0x01)), "~0000Tbmp0001");
  EXPECT_EQ(PieceFileName(5, Entry({'T', 'b', 'm', 'p'}, 0x03, 0xE8)), "~0005Tbmp03E8");
  EXPECT_EQ(PieceFileName(123, Entry({'A', 'B', 'C', 'D'}, 0x7F, 0x0A)), "~0123ABCD7F0A");
  EXPECT_EQ(PieceFileName(10005, Entry({'T', 'b', 'm', 'p'}, 0x07, 0xD0)), "~0005Tbmp07D0");
  EXPECT_EQ(PieceFileName(10000, Entry({'c', 'o', 'd', 'e'}, 0x00, 0x00)), "~0000code0000");
  EXPECT_EQ(PieceFileName(65534, Entry({'t', 'A', 'I', 'N'}, 0xFF, 0xFF)), "~5534tAINFFFF");
}

TEST(PieceFileNameTest, BytesAFileNameCannotHoldAreEscaped) {
  EXPECT_EQ(PieceFileName(1, Entry({'a', '/', 'b', '\\'}, 0, 1)), "~0001a%2Fb%5C0001");
  EXPECT_EQ(PieceFileName(1, Entry({':', '*', '?', '"'}, 0, 1)), "~0001%3A%2A%3F%220001");
  EXPECT_EQ(PieceFileName(1, Entry({'<', '>', '|', '%'}, 0, 1)), "~0001%3C%3E%7C%250001");
  EXPECT_EQ(PieceFileName(1, Entry({' ', 0x00, 0x7F, 0xE9}, 0, 1)), "~0001%20%00%7F%E90001");
  // "%41" as a type stays apart from the escaped form of another type.
  EXPECT_NE(PieceFileName(1, Entry({'%', '4', '1', 'x'}, 0, 1)), PieceFileName(1, Entry({'A', 'x', 'x', 'x'}, 0, 1)));
}

}  // namespace
}  // namespace pressling
