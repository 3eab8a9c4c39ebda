#include <gtest/gtest.h>

#include "database/conversion_run.h"
#include "database/prc_format.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

using test::Bytes;

// A version-1 bitmap of 16 rows of 4 zero bytes: ScanLine makes it 40 bytes shorter.
Bytes BlankBitmapV1() {
  Bytes bytes = {
      0x00, 0x20,  // width
      0x00, 0x10,  // height
      0x00, 0x04,  // rowBytes
      0x00, 0x00,  // flags
      0x01,        // pixel size
      0x01,        // version
      0x00, 0x00,  // nextDepthOffset: last bitmap
      0x00, 0x00,  // reserved
      0x00, 0x00,  // reserved
  };
  bytes.resize(bytes.size() + 64, 0x00);
  return bytes;
}

Bytes IconDatabase() {
  return test::MakeDatabase("Icons", {{test::Type("code"), {0x00, 0x01}, Bytes(40, 0x4E)},
                                      {test::Type("tAIB"), {0x03, 0xE8}, BlankBitmapV1()},
                                      {test::Type("Tbmp"), {0x03, 0xE8}, BlankBitmapV1()}});
}

struct Converted {
  RunResult result;
  std::vector<std::string> lines;
  Bytes output;
};

Converted Convert(const Bytes& input, BitmapMode mode) {
  test::TempFolder folder;
  test::TmpDirOverride tmpDir(folder.path());
  test::WriteBytes(folder / "db.prc", input);
  test::RecordingSurface surface;
  ConversionOptions options;
  options.bitmapMode = mode;
  Converted converted{ConvertDatabase((folder / "db.prc").string(), surface, {}, options), surface.VisibleTexts(), {}};
  if (converted.result.outcome == RunOutcome::Converted) converted.output = test::ReadBytes(folder / "db_comp.prc");
  std::vector<std::string> expected = {"db.prc"};  // nothing else left behind
  if (!converted.output.empty()) expected.push_back("db_comp.prc");
  EXPECT_EQ(test::Contents(folder.path()), expected);
  return converted;
}

TEST(ThoroughConversionTest, VersionOneBitmapsShrinkOnlyInThoroughModeAndIconsOfVersionOneStay) {
  const Bytes input = IconDatabase();  // 110 + 40 + 80 + 80 = 310 bytes
  const Converted classic = Convert(input, BitmapMode::Classic);
  EXPECT_EQ(classic.result.outcome, RunOutcome::NoEffect);

  const Converted thorough = Convert(input, BitmapMode::Thorough);
  ASSERT_EQ(thorough.result.outcome, RunOutcome::Converted) << thorough.result.detail;
  EXPECT_EQ(thorough.lines, (std::vector<std::string>{"アプリ名：Icons", "オリジナル：310 byte", "圧縮処理後：270 byte",
                                                       "圧縮率：87.1 %"}));
  // The icon stays as it was, the "Tbmp" bitmap became 40 bytes, the code resource is untouched.
  EXPECT_EQ(Bytes(thorough.output.begin() + 150, thorough.output.begin() + 230), BlankBitmapV1());
  const Bytes bitmap(thorough.output.begin() + 230, thorough.output.end());
  ASSERT_EQ(bitmap.size(), 40u);
  EXPECT_EQ(bitmap[6], 0x80);                                                        // compressed
  EXPECT_EQ(Bytes(bitmap.begin() + 16, bitmap.begin() + 18), (Bytes{0x00, 0x16}));  // size word: 2 + 20
  EXPECT_EQ(Bytes(thorough.output.begin() + 110, thorough.output.begin() + 150), Bytes(40, 0x4E));
  ASSERT_EQ(thorough.result.bitmaps.size(), 2u);
  EXPECT_EQ(thorough.result.bitmaps[0].leftAlone, "v1 icon: thumbnailers ignore its compression");
  EXPECT_EQ(thorough.result.bitmaps[1].after->bytes, 40u);
}

TEST(ThoroughConversionTest, DatabaseWithoutGapBytesIsRebuiltWithThem) {
  Bytes input = IconDatabase();
  input.erase(input.begin() + 108, input.begin() + 110);  // no gap: the data follow the list
  for (std::size_t entry = 0; entry < 3; ++entry) input[78 + 10 * entry + 9] -= 2;

  const Converted classic = Convert(input, BitmapMode::Classic);
  EXPECT_EQ(classic.result.outcome, RunOutcome::Refused);
  EXPECT_EQ(classic.lines[2], "データベースが壊れています");

  const Converted thorough = Convert(input, BitmapMode::Thorough);
  ASSERT_EQ(thorough.result.outcome, RunOutcome::Converted) << thorough.result.detail;
  EXPECT_EQ(thorough.output, Convert(IconDatabase(), BitmapMode::Thorough).output);

  Bytes oneByteGap = IconDatabase();  // the data start one byte into the gap: still refused
  for (std::size_t entry = 0; entry < 3; ++entry) oneByteGap[78 + 10 * entry + 9] -= 1;
  EXPECT_EQ(Convert(oneByteGap, BitmapMode::Thorough).result.outcome, RunOutcome::Refused);
}

}  // namespace
}  // namespace pressling
