#include "database/conversion_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "database/database_rebuild.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

using test::Bytes;
using test::RecordingSurface;
using Line = RecordingSurface::Line;

// The private run folders are made inside tmpDir, so a test sees what is left.
class ConversionRunTest : public ::testing::Test {
 protected:
  test::TempFolder folder;
  test::TempFolder tmpDir;
  test::TmpDirOverride tmpDirOverride{tmpDir.path()};
  RecordingSurface surface;

  std::string Put(const std::string& name, const Bytes& bytes) {
    test::WriteBytes(folder / name, bytes);
    return (folder / name).string();
  }
  std::vector<std::string> Report() const { return surface.VisibleTexts(); }
};

// A database of exactly totalSize bytes named MyApp: a filler "code"
// resource and a "Tbmp" resource whose data block is zeroBytes zeros.
Bytes SizedDatabase(std::size_t totalSize, std::size_t zeroBytes) {
  const std::size_t filler = totalSize - 100 - 16 - zeroBytes;
  return test::MakeDatabase("MyApp", {{test::Type("code"), {0x00, 0x01}, Bytes(filler, 0x4E)},
                                      {test::Type("Tbmp"), {0x00, 0x02}, test::ZeroBitmapV2(zeroBytes)}});
}

const std::string kNameLine = "アプリ名：MyApp";

TEST_F(ConversionRunTest, WorkedExampleOfTheRebuild) {
  Bytes input = {
      'M', 'y', 'A', 'p', 'p', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // name
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,            // name, NUL fill
      0x00, 0x01,                                                // attributes: resource database
      0x00, 0x01,                                                // version
      0x11, 0x22, 0x33, 0x44,                                    // creation date
      0x11, 0x22, 0x33, 0x45,                                    // modification date
      0x00, 0x00, 0x00, 0x00,                                    // last backup date
      0x00, 0x00, 0x00, 0x07,                                    // modification number
      0x00, 0x00, 0x00, 0x00,                                    // application-info offset
      0x00, 0x00, 0x00, 0x00,                                    // sort-info offset
      'a', 'p', 'p', 'l',                                        // database type
      'M', 'y', 'A', 'p',                                        // creator
      0x00, 0x00, 0x00, 0x00,                                    // unique-id seed
      0x00, 0x00, 0x00, 0x00,                                    // next record list id
      0x00, 0x02,                                                // numRecords
      'c', 'o', 'd', 'e', 0x00, 0x01, 0x00, 0x00, 0x00, 0x64,    // entry 0: offset 100
      'T', 'b', 'm', 'p', 0x03, 0xE8, 0x00, 0x00, 0x00, 0x78,    // entry 1: offset 120
      0x00, 0x00,                                                // gap
  };
  Bytes piece0(20);
  for (std::size_t i = 0; i < piece0.size(); ++i) piece0[i] = static_cast<std::uint8_t>(0xC0 + i);
  input.insert(input.end(), piece0.begin(), piece0.end());
  const Bytes bitmapHeader = {0x00, 0x08, 0x00, 0x08, 0x00, 0x08, 0x00, 0x00,
                              0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  input.insert(input.end(), bitmapHeader.begin(), bitmapHeader.end());
  input.resize(input.size() + 32, 0x00);  // data block: 32 bytes of 00
  input.resize(input.size() + 32, 0xFF);  // then 32 bytes of FF
  ASSERT_EQ(input.size(), 200u);
  const std::string path = Put("game.prc", input);

  RunResult result = ConvertDatabase(path, surface);

  ASSERT_EQ(result.outcome, RunOutcome::Converted) << result.detail;
  EXPECT_EQ(result.outputPath, folder / "game_comp.prc");
  Bytes expected(input.begin(), input.begin() + 120);  // header, entries 100 and 120, gap, piece 0
  const Bytes piece1 = {
      0x00, 0x08, 0x00, 0x08, 0x00, 0x08, 0x80, 0x00, 0x08, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,  // header out
      0x00, 0x18,                                                                                      // size word 24
      0x20, 0x00, 0x20, 0xFF,                                                                          // two runs
      0x00, 0x00,                                                                                      // fill
  };
  expected.insert(expected.end(), piece1.begin(), piece1.end());
  EXPECT_EQ(test::ReadBytes(folder / "game_comp.prc"), expected);
  EXPECT_EQ(test::ReadBytes(path), input);

  EXPECT_EQ(result.report.appName, std::string("MyApp") + std::string(11, '\0'));
  EXPECT_EQ(result.report.inputSize, 200);
  EXPECT_EQ(result.report.resultSize, 144);
  EXPECT_DOUBLE_EQ(result.report.ratio, 72.0);
  EXPECT_EQ(surface.drawn.front(), (Line{"処理中です…", 2600, 400}));
  EXPECT_EQ(surface.visible, (std::vector<Line>{{kNameLine, 2600, 400},
                                                {"オリジナル：200 byte", 2600, 580},
                                                {"圧縮処理後：144 byte", 2600, 760},
                                                {"圧縮率：72.0 %", 2600, 940}}));
  EXPECT_EQ(surface.clears, 2);
  EXPECT_EQ(surface.printX, 0);
  EXPECT_EQ(surface.printY, 1120);
  EXPECT_EQ(test::Contents(folder.path()), (std::vector<std::string>{"game.prc", "game_comp.prc"}));
  EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
}

TEST_F(ConversionRunTest, WorkedExamplesOfTheReport) {
  struct Example {
    std::size_t inputSize;
    std::size_t zeroBytes;  // chosen so that the output has the size below
    std::int32_t resultSize;
    bool kept;
    std::vector<std::string> lines3and4;
  };
  const std::vector<Example> examples = {
      {20000, 4644, 15432, true, {"圧縮処理後：15432 byte", "圧縮率：77.2 %"}},
      {12345, 4417, 8000, true, {"圧縮処理後：8000 byte", "圧縮率：64.8 %"}},
      {20000, 208, 19800, true, {"圧縮処理後：19800 byte", "圧縮率：99.0 %"}},
      {20000, 206, 19802, false, {"圧縮効果はありません", "ファイル作成しませんでした"}},
      {20000, 0, 20000, false, {"圧縮効果はありません", "ファイル作成しませんでした"}},
  };
  for (const Example& e : examples) {
    SCOPED_TRACE(e.resultSize);
    const std::string path = Put("app.prc", SizedDatabase(e.inputSize, e.zeroBytes));
    // A longer older output is replaced completely, or left exactly as it was.
    const Bytes older(30000, 0xEE);
    test::WriteBytes(folder / "app_comp.prc", older);

    RunResult result = ConvertDatabase(path, surface);

    EXPECT_EQ(result.outcome, e.kept ? RunOutcome::Converted : RunOutcome::NoEffect);
    EXPECT_EQ(result.report.resultSize, e.resultSize);
    std::vector<std::string> lines = {kNameLine, "オリジナル：" + std::to_string(e.inputSize) + " byte"};
    lines.insert(lines.end(), e.lines3and4.begin(), e.lines3and4.end());
    EXPECT_EQ(Report(), lines);
    EXPECT_EQ(surface.visible.back().y, 940);
    if (e.kept) {
      EXPECT_EQ(test::ReadBytes(folder / "app_comp.prc").size(), static_cast<std::size_t>(e.resultSize));
      EXPECT_EQ(test::Contents(folder.path()), (std::vector<std::string>{"app.prc", "app_comp.prc"}));
    } else {
      EXPECT_EQ(test::ReadBytes(folder / "app_comp.prc"), older);
      EXPECT_EQ(test::Contents(folder.path()), (std::vector<std::string>{"app.prc", "app_comp.prc"}));
    }
    EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
  }
}

TEST_F(ConversionRunTest, PathTestAcceptsAnyCaseOfPrcOnly) {
  const Bytes input = SizedDatabase(1000, 400);
  for (const auto& [name, output] : std::vector<std::pair<std::string, std::string>>{
           {"GAME.PRC", "GAME_comp.prc"}, {"Game.Prc", "Game_comp.prc"}, {"a.b.prc", "a.b_comp.prc"}}) {
    SCOPED_TRACE(name);
    RunResult result = ConvertDatabase(Put(name, input), surface);
    EXPECT_EQ(result.outcome, RunOutcome::Converted) << result.detail;
    EXPECT_TRUE(std::filesystem::exists(folder / output));
  }
  for (const std::string name : {"game.prc.bak", "game.pdb", "prc"}) {
    SCOPED_TRACE(name);
    const std::string path = Put(name, input);
    RunResult result = ConvertDatabase(name == "prc" ? std::string("prc") : path, surface);
    EXPECT_EQ(result.outcome, RunOutcome::Refused);
    EXPECT_EQ(result.report.inputSize, 0);
    EXPECT_EQ(result.report.appName, std::string(16, '\0'));
    EXPECT_EQ(Report(), (std::vector<std::string>{"アプリ名：", "オリジナル：0 byte", "PRCファイルではありません",
                                                  "ファイル作成しませんでした"}));
  }
}

TEST_F(ConversionRunTest, RefusalsAndFailuresNameTheirCause) {
  Bytes recordDatabase = SizedDatabase(1000, 400);
  recordDatabase[33] = 0x00;  // attributes: not a resource database
  Bytes noGap = SizedDatabase(1000, 400);
  noGap[78 + 9] = 98;  // entry 0 offset: the data start where the gap should be
  Bytes tooLarge = SizedDatabase(16777216, 400);
  struct Case {
    std::string name;
    Bytes bytes;
    RunOutcome outcome;
    std::string line3;
    std::string detail;
  };
  const std::vector<Case> cases = {
      {"empty.prc", {}, RunOutcome::Refused, "PRCファイルではありません",
       "the file is 0 bytes long, too short for a database header (80 bytes)"},
      {"record.prc", recordDatabase, RunOutcome::Refused, "PRCファイルではありません",
       "the resource-database attribute (0x0001) is not set"},
      {"nogap.prc", noGap, RunOutcome::Refused, "データベースが壊れています",
       "resource 0 starts at offset 98, not right after the resource list at 100"},
      {"large.prc", tooLarge, RunOutcome::Refused, "ファイルが大きすぎます",
       "the file is 16777216 bytes long; a database must be shorter than 16777216 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Put(c.name, c.bytes);
    RunResult result = ConvertDatabase(path, surface);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.detail, path + ": " + c.detail);
    const std::vector<std::string> report = Report();
    ASSERT_EQ(report.size(), 4u);
    EXPECT_EQ(report[1], "オリジナル：" + std::to_string(c.bytes.size()) + " byte");
    EXPECT_EQ(report[2], c.line3);
    EXPECT_EQ(report[3], "ファイル作成しませんでした");
    EXPECT_FALSE(std::filesystem::exists(OutputPathFor(path)));
  }
  EXPECT_EQ(Report()[0], kNameLine);  // the header was read, so its name is shown

  const std::string missing = (folder / "missing.prc").string();
  RunResult result = ConvertDatabase(missing, surface);
  EXPECT_EQ(result.outcome, RunOutcome::Failed);
  EXPECT_EQ(result.detail, missing + ": cannot open " + missing + ": No such file or directory");
  EXPECT_EQ(Report(), (std::vector<std::string>{"アプリ名：", "オリジナル：0 byte", "ファイル処理に失敗しました",
                                                "ファイル作成しませんでした"}));
  EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
}

TEST_F(ConversionRunTest, ReportAndReasonInTheLanguageOfTheOptions) {
  ConversionOptions options;
  options.language = Language::FromTag("de");
  RunResult result = ConvertDatabase(Put("app.prc", SizedDatabase(20000, 208)), surface, {}, options);
  ASSERT_EQ(result.outcome, RunOutcome::Converted) << result.detail;
  EXPECT_EQ(surface.drawn.front().text, "Wird verarbeitet …");
  EXPECT_EQ(Report(), (std::vector<std::string>{"Programm: MyApp", "Original: 20000 Byte", "Komprimiert: 19800 Byte",
                                                "Verhältnis: 99,0 %"}));

  const std::string missing = (folder / "missing.prc").string();
  result = ConvertDatabase(missing, surface, {}, options);
  EXPECT_EQ(result.outcome, RunOutcome::Failed);
  EXPECT_EQ(result.detail, missing + ": cannot open " + missing + ": No such file or directory");
  EXPECT_EQ(result.detailText.In(options.language),
            missing + ": " + missing + " kann nicht geöffnet werden: Datei oder Verzeichnis nicht gefunden");
  EXPECT_EQ(Report()[2], "Verarbeitung fehlgeschlagen");
}

TEST_F(ConversionRunTest, RefusedDatabaseLeavesAnOldOutputAlone) {
  Bytes corrupt = SizedDatabase(1000, 400);
  corrupt[88 + 8] = 0xFF;  // entry 1 offset 0xFF48: past the end
  const std::string path = Put("old.prc", corrupt);
  test::WriteBytes(folder / "old_comp.prc", {1, 2, 3});
  EXPECT_EQ(ConvertDatabase(path, surface).outcome, RunOutcome::Refused);
  EXPECT_EQ(test::ReadBytes(folder / "old_comp.prc"), (Bytes{1, 2, 3}));
}

TEST_F(ConversionRunTest, CurrentDirectoryIsNeverTouched) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  std::filesystem::create_directory("tmp");
  test::WriteBytes("tmp/mine.txt", {'m', 'i', 'n', 'e'});
  test::WriteBytes("~bmp", {'s', 'c', 'r', 'a', 't', 'c', 'h'});
  test::WriteBytes("game.prc", SizedDatabase(2000, 1000));
  ::chmod("game.prc", 0444);

  RunResult result = ConvertDatabase("game.prc", surface);
  std::filesystem::current_path(previous);

  EXPECT_EQ(result.outcome, RunOutcome::Converted) << result.detail;
  EXPECT_EQ(test::Contents(folder.path()),
            (std::vector<std::string>{"game.prc", "game_comp.prc", "tmp", "tmp/mine.txt", "~bmp"}));
  EXPECT_EQ(test::ReadBytes(folder / "tmp/mine.txt"), (Bytes{'m', 'i', 'n', 'e'}));
  EXPECT_EQ(test::ReadBytes(folder / "~bmp"), (Bytes{'s', 'c', 'r', 'a', 't', 'c', 'h'}));
  EXPECT_EQ(test::ReadBytes(folder / "game.prc"), SizedDatabase(2000, 1000));
}

TEST_F(ConversionRunTest, PrivateFolderIsOwnAndRemovedAfterwards) {
  const std::string path = Put("game.prc", SizedDatabase(2000, 1000));
  std::vector<std::string> seen;
  mode_t mode = 0;
  ConvertDatabase(path, surface, [&] {
    if (seen.empty()) {
      seen = test::Contents(tmpDir.path());
      struct stat st;
      if (!seen.empty() && ::stat((tmpDir / seen[0]).c_str(), &st) == 0) mode = st.st_mode & 0777;
    }
    return true;
  });
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[1], seen[0] + "/tmp");
  EXPECT_EQ(mode, 0700u);
  EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
}

TEST_F(ConversionRunTest, OutputFolderGoneMidwayLeavesNothing) {
  const std::filesystem::path out = folder / "out";
  std::filesystem::create_directory(out);
  test::WriteBytes(out / "game.prc", SizedDatabase(2000, 1000));
  for (bool replaceByFile : {false, true}) {
    SCOPED_TRACE(replaceByFile);
    const std::string path = (out / "game.prc").string();
    RunResult result = ConvertDatabase(path, surface, [&] {
      if (std::filesystem::exists(out / "game.prc")) {
        std::filesystem::remove_all(out);
        if (replaceByFile) test::WriteBytes(out, {'f'});
      }
      return true;
    });
    EXPECT_EQ(result.outcome, RunOutcome::Failed);
    EXPECT_EQ(Report()[2], "ファイル処理に失敗しました");
    EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
    if (replaceByFile) {
      EXPECT_EQ(test::Contents(folder.path()), std::vector<std::string>{"out"});
      EXPECT_EQ(test::ReadBytes(out), Bytes{'f'});
    } else {
      EXPECT_TRUE(test::Contents(folder.path()).empty());
      std::filesystem::create_directory(out);
      test::WriteBytes(out / "game.prc", SizedDatabase(2000, 1000));
    }
  }
}

Bytes SeveralBitmaps() {
  Bytes family = test::ZeroBitmapV2(200);
  family[11] = (16 + 200) / 4;  // next depth offset: a second bitmap follows
  Bytes second = test::ZeroBitmapV2(100);
  family.insert(family.end(), second.begin(), second.end());
  return test::MakeDatabase("MyApp", {{test::Type("code"), {0x00, 0x01}, Bytes(50, 1)},
                                      {test::Type("Tbmp"), {0x00, 0x02}, family},
                                      {test::Type("Tbmp"), {0x00, 0x03}, test::ZeroBitmapV2(300)}});
}

TEST_F(ConversionRunTest, StopAtAnyEventPassLeavesNothing) {
  const std::string path = Put("game.prc", SeveralBitmaps());
  int total = 0;
  ASSERT_EQ(ConvertDatabase(path, surface, [&] { return ++total > 0; }).outcome, RunOutcome::Converted);
  std::filesystem::remove(folder / "game_comp.prc");
  // 3 resources: split 3, offsets 3, head 3, data 3; bitmaps: 3 scanned, 3 rewritten.
  EXPECT_EQ(total, 18);

  for (int stopAt = 1; stopAt <= total; ++stopAt) {
    SCOPED_TRACE(stopAt);
    int passes = 0;
    RunResult result = ConvertDatabase(path, surface, [&] { return ++passes < stopAt; });
    EXPECT_EQ(result.outcome, RunOutcome::Stopped);
    EXPECT_EQ(passes, stopAt);
    EXPECT_EQ(Report(), std::vector<std::string>{"処理中です…"});
    EXPECT_EQ(test::Contents(folder.path()), std::vector<std::string>{"game.prc"});
    EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
  }
}

TEST_F(ConversionRunTest, SecondRunDuringARunIsRefusedSilently) {
  const std::string path = Put("game.prc", SeveralBitmaps());
  const std::string other = Put("other.prc", SizedDatabase(2000, 1000));
  RecordingSurface innerSurface;
  std::vector<RunOutcome> inner;
  RunResult result = ConvertDatabase(path, surface, [&] {
    inner.push_back(ConvertDatabase(other, innerSurface).outcome);
    return true;
  });
  EXPECT_EQ(result.outcome, RunOutcome::Converted);
  EXPECT_EQ(inner, std::vector<RunOutcome>(18, RunOutcome::Busy));
  EXPECT_TRUE(innerSurface.drawn.empty());
  EXPECT_EQ(innerSurface.clears, 0);
  EXPECT_FALSE(std::filesystem::exists(folder / "other_comp.prc"));
  // Once the run is over, the next one starts.
  EXPECT_EQ(ConvertDatabase(other, innerSurface).outcome, RunOutcome::Converted);
}

TEST_F(ConversionRunTest, ChosenOutputPathGetsItsFoldersOnlyWhenKept) {
  const std::string kept = Put("kept.prc", SizedDatabase(2000, 1000));
  const std::string without = Put("without.prc", SizedDatabase(2000, 0));
  const std::filesystem::path out = folder / "out";
  std::filesystem::create_directory(out);
  ConversionOptions options;
  options.outputPath = out / "a" / "b" / "kept_comp.prc";
  std::vector<std::string> whileRunning;
  RunResult result = ConvertDatabase(kept, surface, [&] {
    whileRunning = test::Contents(folder.path());
    return true;
  }, options);
  ASSERT_EQ(result.outcome, RunOutcome::Converted) << result.detail;
  EXPECT_EQ(result.outputPath, options.outputPath);
  // The unfinished output lay in the nearest folder that existed, never beside the input.
  ASSERT_EQ(whileRunning.size(), 4u);
  EXPECT_EQ(whileRunning[1], "out");
  EXPECT_EQ(whileRunning[2].rfind("out/.kept_comp.prc.", 0), 0u) << whileRunning[2];
  EXPECT_EQ(test::Contents(folder.path()), (std::vector<std::string>{"kept.prc", "out", "out/a", "out/a/b",
                                                                     "out/a/b/kept_comp.prc", "without.prc"}));

  // Without effect: no folder is made, and an older file of that name stays.
  options.outputPath = out / "c" / "without_comp.prc";
  EXPECT_EQ(ConvertDatabase(without, surface, {}, options).outcome, RunOutcome::NoEffect);
  EXPECT_FALSE(std::filesystem::exists(out / "c"));
  options.outputPath = out / "a" / "b" / "kept_comp.prc";
  const Bytes before = test::ReadBytes(options.outputPath);
  test::WriteBytes(folder / "kept.prc", SizedDatabase(2000, 0));
  EXPECT_EQ(ConvertDatabase(kept, surface, {}, options).outcome, RunOutcome::NoEffect);
  EXPECT_EQ(test::ReadBytes(options.outputPath), before);
  EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
}

// An older output belongs to the user: a run without effect leaves it as it
// was, contents, times and permissions, in both modes, beside the input and
// at a chosen path; a run with effect replaces it.
TEST_F(ConversionRunTest, OlderOutputSurvivesARunWithoutEffect) {
  for (BitmapMode mode : {BitmapMode::Classic, BitmapMode::Thorough}) {
    for (bool chosen : {false, true}) {
      SCOPED_TRACE(std::string(mode == BitmapMode::Classic ? "classic" : "thorough") + (chosen ? ", -o" : ", beside"));
      ConversionOptions options;
      options.bitmapMode = mode;
      const std::filesystem::path output = chosen ? folder / "out" / "app_comp.prc" : folder / "app_comp.prc";
      if (chosen) options.outputPath = output;
      std::filesystem::create_directories(output.parent_path());
      const Bytes older = {'o', 'l', 'd'};
      test::WriteBytes(output, older);
      ASSERT_EQ(::chmod(output.c_str(), 0604), 0);
      const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, output.c_str(), times, 0), 0);

      const std::string path = Put("app.prc", SizedDatabase(2000, 0));
      EXPECT_EQ(ConvertDatabase(path, surface, {}, options).outcome, RunOutcome::NoEffect);
      EXPECT_EQ(Report()[2], "圧縮効果はありません");
      EXPECT_EQ(test::ReadBytes(output), older);
      struct stat st;
      ASSERT_EQ(::stat(output.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0604u);
      EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);

      Put("app.prc", SizedDatabase(2000, 1000));
      const RunResult kept = ConvertDatabase(path, surface, {}, options);
      ASSERT_EQ(kept.outcome, RunOutcome::Converted) << kept.detail;
      EXPECT_EQ(test::ReadBytes(output).size(), static_cast<std::size_t>(kept.report.resultSize));
      std::filesystem::remove_all(folder / "out");
      std::filesystem::remove(folder / "app_comp.prc");
    }
  }
  EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
}

TEST_F(ConversionRunTest, RunsOnTwoThreadsGoOnAtOnce) {
  const std::string first = Put("first.prc", SeveralBitmaps());
  const std::string second = Put("second.prc", SizedDatabase(2000, 1000));
  RecordingSurface otherSurface;
  RunResult a, b;
  std::thread other([&] { b = ConvertDatabase(second, otherSurface); });
  a = ConvertDatabase(first, surface);
  other.join();
  EXPECT_EQ(a.outcome, RunOutcome::Converted) << a.detail;
  EXPECT_EQ(b.outcome, RunOutcome::Converted) << b.detail;
  EXPECT_EQ(Report()[0], kNameLine);
  EXPECT_EQ(otherSurface.VisibleTexts()[0], kNameLine);
  EXPECT_EQ(test::Contents(folder.path()),
            (std::vector<std::string>{"first.prc", "first_comp.prc", "second.prc", "second_comp.prc"}));
  EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
}

TEST_F(ConversionRunTest, OutputHasThePermissionsOfAnyNewFile) {
  const std::string path = Put("game.prc", SizedDatabase(2000, 1000));
  for (mode_t mask : {022, 077}) {
    const mode_t previous = ::umask(mask);
    RunResult result = ConvertDatabase(path, surface);
    ::umask(previous);
    ASSERT_EQ(result.outcome, RunOutcome::Converted) << result.detail;
    struct stat st;
    ASSERT_EQ(::stat(result.outputPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
  }
}

}  // namespace
}  // namespace pressling
