#include "database/report_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pressling {
namespace {

using Lines = std::vector<std::string>;

RunResult Result(RunOutcome outcome, std::uint64_t input, std::int32_t output, ErrorKind kind = ErrorKind::FileOperation) {
  RunResult result;
  result.outcome = outcome;
  result.failureKind = kind;
  result.report.appName = std::string("Mulg\0\0", 6);
  result.report.inputLength = input;
  result.report.inputSize = static_cast<std::int32_t>(input);
  result.report.resultSize = output;
  result.report.ratio = input ? static_cast<double>(output) / static_cast<double>(input) * 100 : 0;
  return result;
}

bool HasJapanese(const std::string& text) {
  // Every kana, kanji and full-width form is encoded in UTF-8 from E3 to EF.
  for (unsigned char c : text)
    if (c >= 0xE3 && c <= 0xEF) return true;
  return false;
}

TEST(ReportLinesTest, JapaneseIsTheReportAsSpecified) {
  const Language japanese;
  EXPECT_EQ(ProgressLine(japanese), "処理中です…");
  EXPECT_EQ(ReportLines(Result(RunOutcome::Converted, 38292, 37588), japanese),
            (Lines{"アプリ名：Mulg", "オリジナル：38292 byte", "圧縮処理後：37588 byte", "圧縮率：98.2 %"}));
  EXPECT_EQ(ReportLines(Result(RunOutcome::Converted, 2000, 10), japanese)[3], "圧縮率：.5 %");
  EXPECT_EQ(ReportLines(Result(RunOutcome::NoEffect, 41515, 41400), japanese),
            (Lines{"アプリ名：Mulg", "オリジナル：41515 byte", "圧縮効果はありません", "ファイル作成しませんでした"}));
  const struct {
    RunOutcome outcome;
    ErrorKind kind;
    const char* line;
  } refusals[] = {
      {RunOutcome::Refused, ErrorKind::NotDatabase, "PRCファイルではありません"},
      {RunOutcome::Refused, ErrorKind::Corrupt, "データベースが壊れています"},
      {RunOutcome::Refused, ErrorKind::TooLarge, "ファイルが大きすぎます"},
      {RunOutcome::Failed, ErrorKind::FileOperation, "ファイル処理に失敗しました"},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(refusal.line);
    EXPECT_EQ(ReportLines(Result(refusal.outcome, 0, 0, refusal.kind), japanese),
              (Lines{"アプリ名：Mulg", "オリジナル：0 byte", refusal.line, "ファイル作成しませんでした"}));
  }
}

TEST(ReportLinesTest, OtherLanguagesWriteTheirOwnWordsAndNumbers) {
  const RunResult converted = Result(RunOutcome::Converted, 2000, 10);
  EXPECT_EQ(ReportLines(converted, Language::FromTag("en")),
            (Lines{"Name: Mulg", "Original: 2000 bytes", "Compressed: 10 bytes", "Ratio: 0.5 %"}));
  EXPECT_EQ(ReportLines(converted, Language::FromTag("de")),
            (Lines{"Programm: Mulg", "Original: 2000 Byte", "Komprimiert: 10 Byte", "Verhältnis: 0,5 %"}));
  EXPECT_EQ(ReportLines(converted, Language::FromTag("fr")),
            (Lines{"Nom : Mulg", "Original : 2000 octets", "Compressé : 10 octets", "Taux : 0,5 %"}));
  EXPECT_EQ(ReportLines(Result(RunOutcome::Converted, 1, 1), Language::FromTag("en"))[1], "Original: 1 byte");

  for (const char* tag : {"en", "de", "fr"}) {
    SCOPED_TRACE(tag);
    const Language language = Language::FromTag(tag);
    EXPECT_FALSE(HasJapanese(ProgressLine(language)));
    for (RunOutcome outcome : {RunOutcome::Converted, RunOutcome::NoEffect, RunOutcome::Refused, RunOutcome::Failed})
      for (ErrorKind kind : {ErrorKind::NotDatabase, ErrorKind::Corrupt, ErrorKind::TooLarge, ErrorKind::FileOperation})
        for (const std::string& line : ReportLines(Result(outcome, 100, 50, kind), language))
          EXPECT_FALSE(HasJapanese(line)) << line;
  }
}

TEST(ReportLinesTest, AStoppedOrBusyRunHasNoReport) {
  EXPECT_TRUE(ReportLines(Result(RunOutcome::Stopped, 100, 0), Language()).empty());
  EXPECT_TRUE(ReportLines(Result(RunOutcome::Busy, 0, 0), Language()).empty());
}

}  // namespace
}  // namespace pressling
