#include <gtest/gtest.h>

#include "database/conversion_run.h"
#include "database/database_rebuild.h"
#include "database/resource_split.h"
#include "tests/common/corpus.h"
#include "tests/common/palm_bitmap_decoder.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

using test::Bytes;

std::uint32_t Be(const Bytes& b, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < width; ++k) value = value << 8 | b[at + k];
  return value;
}

// Line 3 of the report for a corpus file, worked out from its bytes alone;
// empty for a database the tool must convert.
std::string ExpectedRefusal(const Bytes& b) {
  if (b.size() < 80 || (b[33] & 0x01) == 0) return "PRCファイルではありません";
  const std::size_t n = Be(b, 76, 2);
  if (b.size() < 80 + 10 * n) return "データベースが壊れています";
  if (b.size() >= 16777216) return "ファイルが大きすぎます";
  if (Be(b, 52, 4) != 0 || Be(b, 56, 4) != 0 || Be(b, 72, 4) != 0) return "データベースが壊れています";
  if (n == 0 && b.size() > 80) return "データベースが壊れています";
  std::uint32_t previous = 80 + 10 * static_cast<std::uint32_t>(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t offset = Be(b, 78 + 10 * i + 7, 3);
    if ((i == 0 && offset != previous) || offset < previous || offset > b.size()) return "データベースが壊れています";
    previous = offset;
  }
  return "";
}

struct Resource {
  Bytes typeAndId;
  Bytes data;
};

// The resources of a database whose data follow its head in list order.
std::vector<Resource> Parse(const Bytes& b) {
  std::vector<Resource> resources;
  const std::size_t n = Be(b, 76, 2);
  std::size_t previous = 80 + 10 * n;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t at = 78 + 10 * i;
    const std::size_t begin = Be(b, at + 7, 3);
    const std::size_t end = i + 1 < n ? Be(b, at + 17, 3) : b.size();
    EXPECT_EQ(begin, previous) << "resource " << i;
    if (begin != previous || end < begin || end > b.size()) return {};
    resources.push_back({Bytes(b.begin() + at, b.begin() + at + 6), Bytes(b.begin() + begin, b.begin() + end)});
    previous = end;
  }
  return resources;
}

// The header as read, entry 0's top offset byte as read, the others and the gap zero.
void ExpectOutputHead(const Bytes& output, const Bytes& input) {
  EXPECT_TRUE(std::equal(input.begin(), input.begin() + 78, output.begin())) << "header changed";
  const std::size_t n = Be(input, 76, 2);
  for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(output[78 + 10 * i + 6], i == 0 ? input[84] : 0) << i;
  EXPECT_EQ(output[78 + 10 * n], 0);
  EXPECT_EQ(output[79 + 10 * n], 0);
}

TEST(CorpusConversionTest, EveryDatabaseIsRefusedOrRebuiltFaithfully) {
  PRESSLING_REQUIRE_CORPUS();
  int converted = 0, refused = 0, compressedBitmaps = 0;
  for (const std::filesystem::path& source : test::CorpusDatabases()) {
    SCOPED_TRACE(source.filename().string());
    test::TempFolder folder;
    const Bytes input = test::ReadBytes(source);
    const std::filesystem::path path = folder / "db.prc";
    test::WriteBytes(path, input);

    test::RecordingSurface surface;
    RunResult result = ConvertDatabase(path.string(), surface);
    const std::string refusal = ExpectedRefusal(input);
    if (!refusal.empty()) {
      ++refused;
      EXPECT_EQ(result.outcome, RunOutcome::Refused);
      ASSERT_EQ(surface.visible.size(), 4u);
      EXPECT_EQ(surface.visible[2].text, refusal);
      EXPECT_EQ(test::Contents(folder.path()), std::vector<std::string>{"db.prc"});
      continue;
    }
    ++converted;
    const bool kept = static_cast<double>(result.report.resultSize) / input.size() * 100 <= 99.0;
    ASSERT_EQ(result.outcome, kept ? RunOutcome::Converted : RunOutcome::NoEffect) << result.detail;

    // Split and rebuild once more to look at the output whatever its ratio.
    test::TempFolder work;
    auto file = InputFile::Open(path);
    ASSERT_TRUE(file.ok());
    DatabaseHead head;
    ASSERT_TRUE(ReadDatabaseHead(*file, head).ok());
    auto lengths = SplitResources(*file, head.entries, work.path(), work.path(), {});
    ASSERT_TRUE(lengths.ok());
    auto rebuilt =
        RebuildDatabase(path.string(), head.header, head.entries, work.path(), *lengths, BesideInput(path.string()), {});
    ASSERT_TRUE(rebuilt.ok()) << rebuilt.error().message;
    const Bytes output = test::ReadBytes(rebuilt->temporaryPath);
    EXPECT_EQ(static_cast<std::int32_t>(output.size()), result.report.resultSize);
    if (kept) {
      EXPECT_EQ(test::ReadBytes(folder / "db_comp.prc"), output);
    }
    ExpectOutputHead(output, input);
    const std::vector<Resource> before = Parse(input);
    const std::vector<Resource> after = Parse(output);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
      SCOPED_TRACE("resource " + std::to_string(i));
      EXPECT_EQ(after[i].typeAndId, before[i].typeAndId);
      const bool bitmap = std::equal(before[i].typeAndId.begin(), before[i].typeAndId.begin() + 4, "Tbmp");
      if (!bitmap) {
        EXPECT_EQ(after[i].data, before[i].data);
        continue;
      }
      if (after[i].data == before[i].data) continue;
      ++compressedBitmaps;
      std::string why;
      auto same = test::SamePixels(before[i].data, after[i].data, &why);
      ASSERT_TRUE(same.ok()) << same.error().message;
      EXPECT_TRUE(*same) << why;
    }
  }
  RecordProperty("converted", converted);
  RecordProperty("refused", refused);
  RecordProperty("compressedBitmaps", compressedBitmaps);
  EXPECT_GT(converted, 0);
  EXPECT_GT(compressedBitmaps, 0);
}

}  // namespace
}  // namespace pressling
