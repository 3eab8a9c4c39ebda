// pressling-cli in each language: the report stays as it is under the C
// locale and Japanese ones, and the other languages hold every text of theirs,
// whether or not their locale is installed on the machine.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "tests/database/cli_support.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::CliRun;
using test::RunCli;

// Kana, kanji and full-width forms are encoded in UTF-8 from E3 to EF.
bool HasJapanese(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0xE3 && c <= 0xEF) return true;
  return false;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The columns line takes on a terminal: two for each East Asian wide character.
std::size_t Columns(const std::string& line) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < line.size(); ++k) c = c << 6 | (line[i + k] & 0x3F);
    const bool wide = (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60);
    columns += wide ? 2 : 1;
    i += length;
  }
  return columns;
}

// Lines with a word in them, of three letters or more.
std::set<std::string> LinesOfWords(const std::string& text) {
  std::set<std::string> lines;
  for (const std::string& line : SplitLines(text)) {
    std::size_t run = 0;
    for (char c : line) {
      run = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? run + 1 : 0;
      if (run == 3) {
        lines.insert(line);
        break;
      }
    }
  }
  return lines;
}

// A database that shrinks, one without effect, one that is not a database,
// and a name that is refused; TMPDIR is the folder's own.
class CliLanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteBytes(folder / "app.prc",
                     test::MakeDatabase("MyApp", {{test::Type("Tbmp"), {0x00, 0x01}, test::ZeroBitmapV2(1000)}}));
    test::WriteBytes(folder / "same.prc", test::MakeDatabase("Same", {{test::Type("code"), {0x00, 0x01}, {1, 2, 3}}}));
    test::WriteBytes(folder / "short.prc", {'s', 'h', 'o', 'r', 't'});
    const Bytes version1 = {
        0x00, 0x10, 0x00, 0x01,  // width 16, height 1
        0x00, 0x02,              // rowBytes
        0x00, 0x00,              // flags
        0x01, 0x01,              // pixel size, version 1
        0x00, 0x00,              // nextDepthOffset: last
        0x00, 0x00, 0x00, 0x00,  // reserved
        0xFF, 0x00,              // the row
    };
    test::WriteBytes(folder / "icon.prc", test::MakeDatabase("Icon", {{test::Type("Tbmp"), {0x00, 0x01}, version1}}));
    test::WriteBytes(folder / "notes.txt", {'n'});
    fs::create_directory(folder / "tmp");
  }
  // Every text of a run: report, -v lines, refusals, summary; then --help and a usage error.
  std::string Everything(const std::string& environment) {
    const std::string env = environment + " TMPDIR='" + (folder / "tmp").string() + "'";
    const CliRun run = RunCli(folder, "-nv app.prc same.prc icon.prc short.prc notes.txt", env);
    EXPECT_EQ(run.status, 1) << environment;
    const CliRun help = RunCli(folder, "--help", env);
    const CliRun usage = RunCli(folder, "--loud", env);
    return run.out + run.err + help.out + usage.err;
  }
  CliRun Report(const std::string& environment) {
    return RunCli(folder, "-n app.prc same.prc short.prc", environment + " TMPDIR='" + (folder / "tmp").string() + "'");
  }

  test::TempFolder folder;
};

TEST_F(CliLanguageTest, TheReportStaysAsItIsUnderTheCLocaleAndJapanese) {
  const std::string report =
      "処理中です…\nアプリ名：MyApp\nオリジナル：1106 byte\n圧縮処理後：126 byte\n圧縮率：11.4 %\n"
      "処理中です…\nアプリ名：Same\nオリジナル：93 byte\n圧縮効果はありません\nファイル作成しませんでした\n"
      "処理中です…\nアプリ名：\nオリジナル：5 byte\nPRCファイルではありません\nファイル作成しませんでした\n";
  for (const char* environment : {"", "LANG=C", "LANG=C.UTF-8", "LC_ALL=POSIX LANG=de_DE.UTF-8", "LANGUAGE=fr LANG=C",
                                  "LANG=ja_JP.UTF-8"}) {
    SCOPED_TRACE(environment);
    EXPECT_EQ(Report(environment).out, report);
  }
  // Under the C locale the other texts are those of the message ids.
  EXPECT_EQ(Report("LANG=C").err.find("pressling-cli: 3 files: 1 would be written, 1 no effect, 1 refused, 0 failed\n"),
            Report("LANG=C").err.find("pressling-cli: 3 files"));
  EXPECT_NE(Report("LANG=ja_JP.UTF-8").err.find("3 ファイル"), std::string::npos);
}

TEST_F(CliLanguageTest, EveryTextIsInTheLanguageOfTheLocaleInstalledOrNot) {
  const std::string english = Everything("LANG=en_US.UTF-8");
  EXPECT_NE(english.find("Name: MyApp\nOriginal: 1106 bytes\nCompressed: 126 bytes\nRatio: 11.4 %\n"), std::string::npos)
      << english;
  EXPECT_NE(english.find("kept: "), std::string::npos);
  EXPECT_NE(english.find("notes.txt: the name does not end in .prc"), std::string::npos);
  EXPECT_NE(english.find("Usage: pressling-cli"), std::string::npos);
  EXPECT_FALSE(HasJapanese(english)) << english;
  const std::set<std::string> englishLines = LinesOfWords(english);

  const struct {
    const char* environment;
    const char* ratioLine;
  } languages[] = {
      {"LANG=de_DE.UTF-8", "Verhältnis: 11,4 %"},
      {"LANG=fr_FR.UTF-8", "Taux : 11,4 %"},
      {"LANGUAGE=de LANG=ja_JP.UTF-8", "Verhältnis: 11,4 %"},
      {"LC_MESSAGES=fr_CA.UTF-8 LANG=en_GB.UTF-8", "Taux : 11,4 %"},
  };
  for (const auto& language : languages) {
    SCOPED_TRACE(language.environment);
    const std::string text = Everything(language.environment);
    EXPECT_NE(text.find(language.ratioLine), std::string::npos) << text;
    EXPECT_FALSE(HasJapanese(text)) << text;
    // No line of words comes out as in English: every one went through the catalog.
    for (const std::string& line : LinesOfWords(text)) EXPECT_FALSE(englishLines.contains(line)) << line;
  }
}

TEST_F(CliLanguageTest, TheHelpFitsEightyColumnsInEveryLanguage) {
  for (const char* environment : {"", "LANG=ja_JP.UTF-8", "LANG=de_DE.UTF-8", "LANG=fr_FR.UTF-8"}) {
    SCOPED_TRACE(environment);
    const CliRun help = RunCli(folder, "--help", environment);
    EXPECT_EQ(help.status, 0);
    for (const std::string& line : SplitLines(help.out)) EXPECT_LE(Columns(line), 80u) << line;
  }
}

TEST_F(CliLanguageTest, JsonTranslatesReportAndReasonsButNeitherKeysNorCodes) {
  const std::string env = " TMPDIR='" + (folder / "tmp").string() + "'";
  const CliRun plain = RunCli(folder, "-n --json icon.prc notes.txt", env);
  const CliRun german = RunCli(folder, "-n --json icon.prc notes.txt", "LANG=de_DE.UTF-8" + env);
  const auto a = nlohmann::json::parse(plain.out), b = nlohmann::json::parse(german.out);
  EXPECT_EQ(a["language"], "en");  // the report lines are Japanese, the other texts English
  EXPECT_EQ(b["language"], "de");
  const nlohmann::json& icon = a["files"][0]["bitmaps"][0];
  const nlohmann::json& iconDe = b["files"][0]["bitmaps"][0];
  EXPECT_EQ(icon["reason"], "version-1");
  EXPECT_EQ(iconDe["reason"], "version-1");
  EXPECT_EQ(icon["left_alone"], "version 1");
  EXPECT_EQ(a["files"][0]["report"][0], "処理中です…");
  EXPECT_EQ(iconDe["left_alone"], "Version 1");
  EXPECT_EQ(iconDe["before"]["compression"], "none");  // an identifier, not the word
  EXPECT_EQ(b["files"][0]["status"], "no_effect");
  EXPECT_EQ(b["files"][0]["report"][1], "Programm: Icon");
  EXPECT_EQ(b["files"][1]["error"], "notes.txt: der Name endet nicht auf .prc");
  // The same keys in the same order, whatever the language.
  for (auto [x, y] = std::pair(a.begin(), b.begin()); x != a.end() && y != b.end(); ++x, ++y) EXPECT_EQ(x.key(), y.key());
  EXPECT_EQ(a["files"][0]["bitmaps"][0].size(), b["files"][0]["bitmaps"][0].size());
}

}  // namespace
}  // namespace pressling
