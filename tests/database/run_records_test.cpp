// The records a run hands back: one per bitmap walked, adding up to the
// output's length, and finding the bitmaps again in the input and the output.
#include <gtest/gtest.h>

#include "database/conversion_run.h"
#include "database/database_view.h"
#include "database/prc_format.h"
#include "tests/common/corpus.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

using test::Bytes;

// Resource 0 starts right after the list when a database has no gap bytes.
bool HasGap(const Bytes& database) {
  const std::size_t count = database[76] * 256 + database[77];
  if (count == 0) return true;
  const std::size_t first = database[78 + 7] * 65536 + database[78 + 8] * 256 + database[78 + 9];
  return first == HeadSize(static_cast<int>(count));
}

// Checks the records of one run of input that wrote output (empty when it
// wrote none); the bitmaps left alone are the same bytes in both.
void CheckRecords(const Bytes& input, const Bytes& output, const RunResult& result, bool thorough) {
  std::int64_t length = static_cast<std::int64_t>(input.size());
  for (const BitmapRecord& record : result.bitmaps) {
    SCOPED_TRACE("resource " + std::to_string(record.resourceIndex) + " bitmap " + std::to_string(record.familyIndex));
    EXPECT_EQ(record.after.has_value(), record.leftAlone.empty());
    auto before = LocateBitmap(input, record, RunSide::Input);
    ASSERT_TRUE(before.ok()) << before.error().message;
    if (record.after) length += std::int64_t{record.after->bytes} - record.before.bytes;
    if (output.empty()) continue;
    auto after = LocateBitmap(output, record, RunSide::Output);
    ASSERT_TRUE(after.ok()) << after.error().message;
    if (!record.after) {
      EXPECT_TRUE(std::equal(before->begin(), before->end(), after->begin(), after->end()));
    }
  }
  if (thorough && !HasGap(input)) length += 2;
  if (!output.empty()) EXPECT_EQ(length, static_cast<std::int64_t>(output.size()));
  else EXPECT_EQ(length, result.report.resultSize) << "the records add up to the output that was not kept";
}

// One run of input, written as db.prc into folder, with TMPDIR in folder/tmp.
RunResult ConvertIn(const test::TempFolder& folder, const Bytes& input, const ConversionOptions& options,
                    test::RecordingSurface& surface) {
  std::filesystem::create_directories(folder / "tmp");
  test::WriteBytes(folder / "db.prc", input);
  test::TmpDirOverride tmpDir(folder / "tmp");
  return ConvertDatabase((folder / "db.prc").string(), surface, {}, options);
}

TEST(RunRecordsTest, RecordsOfEveryCorpusDatabaseAddUpInBothModes) {
  PRESSLING_REQUIRE_CORPUS();
  std::size_t records = 0, rewritten = 0, runs = 0;
  for (const auto& path : test::CorpusDatabases()) {
    SCOPED_TRACE(path.filename().string());
    const Bytes input = test::ReadBytes(path);
    for (BitmapMode mode : {BitmapMode::Classic, BitmapMode::Thorough}) {
      test::TempFolder folder;
      test::RecordingSurface surface;
      ConversionOptions options;
      options.bitmapMode = mode;
      const RunResult result = ConvertIn(folder, input, options, surface);
      if (result.outcome == RunOutcome::Refused) {
        EXPECT_TRUE(result.bitmaps.empty());
        continue;
      }
      ASSERT_TRUE(result.outcome == RunOutcome::Converted || result.outcome == RunOutcome::NoEffect) << result.detail;
      const Bytes output = result.outcome == RunOutcome::Converted ? test::ReadBytes(folder / "db_comp.prc") : Bytes{};
      CheckRecords(input, output, result, mode == BitmapMode::Thorough);
      ++runs;
      records += result.bitmaps.size();
      for (const BitmapRecord& record : result.bitmaps) rewritten += record.after.has_value();
    }
  }
  std::printf("%zu runs, %zu bitmap records, %zu rewritten\n", runs, records, rewritten);
  EXPECT_GT(rewritten, 0u);
}

TEST(RunRecordsTest, DryRunGivesTheFiguresAndRecordsOfTheRealRunAndWritesNothing) {
  PRESSLING_REQUIRE_CORPUS();
  const auto databases = test::CorpusDatabases();
  ASSERT_FALSE(databases.empty());
  const Bytes input = test::ReadBytes(databases.front().parent_path() / "harbaum__palmos__IR-Pong2.prc");
  for (bool chosen : {false, true}) {
    test::TempFolder folder;
    test::RecordingSurface surface;
    ConversionOptions options;
    options.bitmapMode = BitmapMode::Thorough;
    if (chosen) options.outputPath = folder / "out" / "db_comp.prc";
    options.dryRun = true;
    const RunResult dry = ConvertIn(folder, input, options, surface);
    ASSERT_EQ(dry.outcome, RunOutcome::Converted) << dry.detail;
    const std::vector<std::string> dryLines = surface.VisibleTexts();
    EXPECT_EQ(test::Contents(folder.path()), (std::vector<std::string>{"db.prc", "tmp"}));

    options.dryRun = false;
    const RunResult real = ConvertIn(folder, input, options, surface);
    ASSERT_EQ(real.outcome, RunOutcome::Converted) << real.detail;
    EXPECT_EQ(surface.VisibleTexts(), dryLines);
    EXPECT_EQ(dry.outputPath, real.outputPath);
    EXPECT_EQ(dry.report.resultSize, real.report.resultSize);
    ASSERT_EQ(dry.bitmaps.size(), real.bitmaps.size());
    for (std::size_t k = 0; k < dry.bitmaps.size(); ++k) {
      EXPECT_EQ(dry.bitmaps[k].outputOffset, real.bitmaps[k].outputOffset);
      EXPECT_EQ(dry.bitmaps[k].leftAlone, real.bitmaps[k].leftAlone);
    }
    EXPECT_TRUE(test::Contents(folder / "tmp").empty());
  }
}

}  // namespace
}  // namespace pressling
