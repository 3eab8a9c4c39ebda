// The archive rules shared with the page: names, limits, totals and report lines.
#include "archive/archive_rules.h"

#include <gtest/gtest.h>

namespace pressling {
namespace {

TEST(ArchiveRules, NamesInAnyLetterCase) {
  EXPECT_TRUE(EndsInZip("a.zip"));
  EXPECT_TRUE(EndsInZip("dir/A.ZiP"));
  EXPECT_FALSE(EndsInZip("a.zip/"));
  EXPECT_FALSE(EndsInZip("zip"));
  EXPECT_TRUE(IsEarlierArchiveOutput("games_COMP.zip"));
  EXPECT_FALSE(IsEarlierArchiveOutput("games_comp.prc"));
  EXPECT_EQ(ArchiveOutputPathFor("in/Games.ZIP"), "in/Games_comp.zip");

  EXPECT_TRUE(IsDatabaseEntry("app.prc"));
  EXPECT_TRUE(IsDatabaseEntry("deep/er/APP.PRC"));
  EXPECT_TRUE(IsDatabaseEntry("../up.prc"));
  EXPECT_FALSE(IsDatabaseEntry("data.pdb"));
  EXPECT_FALSE(IsDatabaseEntry("folder.prc/"));
  EXPECT_FALSE(IsDatabaseEntry("prc"));
}

TEST(ArchiveRules, LabelsShowControlAndInvalidBytesAndKeepTheRest) {
  // Shift-JIS "あ" (0x82 0xa0); then a lone continuation byte, a C1 control (U+009B) and an overlong "/".
  EXPECT_EQ(EntryLabel("a.zip", std::string("\x82\xa0.prc")), "a.zip:\xe3\x81\x82.prc");
  EXPECT_EQ(EntryLabel("a.zip", std::string("x\x80y\xc2\x9bz\xc0\xaf")), "a.zip:x\\x80y\\xc2\\x9bz\\xc0\\xaf");
  EXPECT_EQ(EntryLabel("a.zip", "dir/x.prc"), "a.zip:dir/x.prc");
  EXPECT_EQ(EntryLabel("a.zip", std::string("c\x01\x1b\x7f\\/\xe3\x81\x82.prc")),
            "a.zip:c\\x01\\x1b\\x7f\\/\xe3\x81\x82.prc");
}

TEST(ArchiveRules, TotalsCountOnlyWhatADeviceCanHold) {
  const std::vector<EntryFigures> entries = {
      {EntryOutcome::Converted, 1000, 600},     {EntryOutcome::NoEffect, 500, 500},
      {EntryOutcome::ChecksumMismatch, 300, 0}, {EntryOutcome::OverLimit, kInflateLimit + 1, 0},
      {EntryOutcome::Encrypted, 200, 0},
  };
  const ArchiveTotals totals = SumEntries(entries, 4096);
  EXPECT_EQ(totals.databases, 5u);
  EXPECT_EQ(totals.converted, 1u);
  EXPECT_EQ(totals.noEffect, 1u);
  EXPECT_EQ(totals.refused, 2u);
  EXPECT_EQ(totals.leftAlone, 1u);
  EXPECT_EQ(totals.unpackedBefore, 2000u);
  EXPECT_EQ(totals.unpackedAfter, 1600u);
  EXPECT_EQ(totals.archiveBefore, 4096u);
  EXPECT_TRUE(HasEffect(totals));
  EXPECT_FALSE(HasEffect(SumEntries(std::span(entries).subspan(1), 4096)));
}

TEST(ArchiveRules, ReportLinesInJapaneseAndEnglish) {
  ArchiveTotals totals;
  totals.unpackedBefore = 79807;
  totals.unpackedAfter = 79103;
  totals.archiveBefore = 40000;
  totals.archiveAfter = 40100;
  const Language english = Language::FromTag("en");
  EXPECT_EQ(ArchiveReportLines("apps.zip", ArchiveEnd::Written, totals, "", english),
            (std::vector<std::string>{"Archive: apps.zip", "Databases unpacked (bytes)", "Before: 79807",
                                      "After: 79103", "Ratio: 99.1 %"}));
  EXPECT_EQ(ArchiveReportLines("apps.zip", ArchiveEnd::Refused, {}, NotArchiveText(english), english),
            (std::vector<std::string>{"Archive: apps.zip", "Databases unpacked (bytes)", "Before: 0",
                                      "Not a valid zip archive", "No archive was written"}));
  EXPECT_EQ(ArchiveSizeLines(totals, english),
            (std::vector<std::string>{"Archive file: 40000 bytes before, 40100 bytes after",
                                      "The new archive is 100 bytes larger than the old one: zip already shrinks raw "
                                      "bitmaps, and the saving is on the device"}));
  totals.archiveAfter = 0;
  EXPECT_TRUE(ArchiveSizeLines(totals, english).empty());
  // Without effect, the last two lines are the database report's own in Japanese.
  EXPECT_EQ(ArchiveReportLines("apps.zip", ArchiveEnd::NoEffect, totals, "", Language()),
            (std::vector<std::string>{"アーカイブ名：apps.zip", "展開時のサイズ（byte）", "オリジナル：79807",
                                      "圧縮効果はありません", "ファイル作成しませんでした"}));
}

}  // namespace
}  // namespace pressling
