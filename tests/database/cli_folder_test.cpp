// pressling-cli over folders: where the outputs go, what is never touched,
// the order of the report with runs at the same time, and bad arguments.
#include <gtest/gtest.h>

#include "tests/database/cli_support.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::CliRun;
using test::RunCli;

Bytes Compressible(const std::string& name, std::size_t zeros) {
  return test::MakeDatabase(name, {{test::Type("Tbmp"), {0x00, 0x01}, test::ZeroBitmapV2(zeros)}});
}

Bytes WithoutEffect(const std::string& name) {
  return test::MakeDatabase(name, {{test::Type("code"), {0x00, 0x01}, {1, 2, 3}}});
}

// in/ holds a small archive; tmp/ is TMPDIR, so that left-over run folders show.
class CliFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder / "in" / "sub");
    fs::create_directories(folder / "in" / "quiet");
    fs::create_directory(tmp);
    test::WriteBytes(folder / "in" / "a.prc", Compressible("A", 1000));
    test::WriteBytes(folder / "in" / "a_comp.prc", Compressible("Old", 1000));
    test::WriteBytes(folder / "in" / "sub" / "B.PRC", Compressible("B", 3000));
    test::WriteBytes(folder / "in" / "sub" / "same.prc", WithoutEffect("Same"));
    test::WriteBytes(folder / "in" / "quiet" / "same.prc", WithoutEffect("Quiet"));
  }
  CliRun Run(const std::string& arguments) { return RunCli(folder, arguments, "TMPDIR='" + tmp.string() + "'"); }

  test::TempFolder folder;
  fs::path tmp = folder / "tmp";
};

TEST_F(CliFolderTest, OutputFolderGetsTheTreeOfTheKeptOutputsOnly) {
  const auto before = test::Contents(folder / "in");
  const CliRun run = Run("-j 2 -o out/new in");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::Contents(folder / "in"), before);
  // No folder for quiet/, whose only database had no effect.
  EXPECT_EQ(test::Contents(folder / "out"),
            (std::vector<std::string>{"new", "new/a_comp.prc", "new/sub", "new/sub/B_comp.prc"}));
  EXPECT_EQ(test::ReadBytes(folder / "out/new/a_comp.prc").size(), 126u);
  EXPECT_TRUE(test::Contents(tmp).empty());
  EXPECT_EQ(run.out,
            "処理中です…\nアプリ名：A\nオリジナル：1106 byte\n圧縮処理後：126 byte\n圧縮率：11.4 %\n"
            "処理中です…\nアプリ名：Quiet\nオリジナル：93 byte\n圧縮効果はありません\nファイル作成しませんでした\n"
            "処理中です…\nアプリ名：B\nオリジナル：3106 byte\n圧縮処理後：158 byte\n圧縮率：5.1 %\n"
            "処理中です…\nアプリ名：Same\nオリジナル：93 byte\n圧縮効果はありません\nファイル作成しませんでした\n");
  EXPECT_EQ(run.err,
            "pressling-cli: 4 files: 2 written, 2 no effect, 0 refused, 0 failed\n"
            "pressling-cli: 3928 bytes saved on the written files\n");

  // One run at a time gives the same report, byte for byte.
  const CliRun one = Run("-j 1 -o out/one in");
  EXPECT_EQ(one.out, run.out);
  EXPECT_EQ(one.err, run.err);
}

TEST_F(CliFolderTest, RunWithoutEffectLeavesAnOlderFileInTheOutputFolder) {
  fs::create_directories(folder / "out" / "sub");
  test::WriteBytes(folder / "out" / "sub" / "same_comp.prc", {'o', 'l', 'd'});
  const CliRun run = Run("-o out in/sub");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadBytes(folder / "out" / "sub" / "same_comp.prc"), (Bytes{'o', 'l', 'd'}));
  EXPECT_TRUE(fs::exists(folder / "out" / "B_comp.prc"));
  EXPECT_FALSE(fs::exists(folder / "out" / "same_comp.prc"));
}

TEST_F(CliFolderTest, RefusedAndFailedFilesAreCountedAndTheOthersGoOn) {
  Bytes corrupt = Compressible("Bad", 100);
  corrupt[78 + 9] = 0x50;  // entry 0 offset 80: no gap bytes
  test::WriteBytes(folder / "in" / "sub" / "bad.prc", corrupt);
  test::WriteBytes(folder / "in" / "sub" / "bad\xff.prc", Compressible("Name", 100));
  const CliRun run = Run("-o out in missing.prc");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("pressling-cli: in/sub/bad\\xFF.prc: the name is not valid UTF-8\n"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("pressling-cli: in/sub/bad.prc: resource 0 starts at offset 80"), std::string::npos);
  EXPECT_NE(run.err.find("pressling-cli: missing.prc: cannot open missing.prc: No such file or directory\n"
                         "pressling-cli: 7 files: 2 written, 2 no effect, 2 refused, 1 failed\n"),
            std::string::npos)
      << run.err;
  EXPECT_TRUE(fs::exists(folder / "out" / "sub" / "B_comp.prc"));
  EXPECT_FALSE(fs::exists(folder / "out" / "sub" / "bad_comp.prc"));
}

TEST_F(CliFolderTest, BadOutputFolderOrJobCountWritesNothing) {
  test::WriteBytes(folder / "file", {1});
  const auto before = test::Contents(folder.path());
  struct Case {
    std::string arguments;
    int status;
    std::string error;
  };
  for (const Case& c : std::vector<Case>{
           {"-o file in", 2, "pressling-cli: the output folder file is not a folder\n"},
           {"-j 0 in", 2, "pressling-cli: -j takes a whole number from 1 to 1024, not '0'\n"},
       }) {
    const CliRun run = Run(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    EXPECT_EQ(run.err.rfind(c.error, 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(test::Contents(folder.path()), before) << c.arguments;
  }
}

TEST_F(CliFolderTest, OutputFolderInsideTheFolderArgumentGivesTheSameOutputsTwice) {
  const auto inputs = test::Contents(folder / "in");
  const Bytes a = test::ReadBytes(folder / "in" / "a.prc");
  fs::create_symlink("out", folder / "outlink");
  struct Case {
    std::string arguments;
    fs::path out;  // where the outputs land, below the temporary folder
    bool madeFirst;
  };
  for (const Case& c : std::vector<Case>{{"-o out .", "out", false},
                                         {"-o ./out/ .", "out", false},
                                         {"-o outlink .", "out", true},
                                         {"-o in/sub/out in", "in/sub/out", false}}) {
    fs::remove_all(folder / "out");
    if (c.madeFirst) fs::create_directory(folder / c.out);
    const bool fromHere = c.arguments.back() == '.';
    const std::vector<std::string> expected =
        fromHere ? std::vector<std::string>{"in", "in/a_comp.prc", "in/sub", "in/sub/B_comp.prc"}
                 : std::vector<std::string>{"a_comp.prc", "sub", "sub/B_comp.prc"};
    const CliRun first = Run(c.arguments);
    EXPECT_EQ(first.status, 0) << c.arguments << ": " << first.err;
    ASSERT_EQ(test::Contents(folder / c.out), expected) << c.arguments;
    const Bytes output = test::ReadBytes(folder / c.out / expected.back());
    const CliRun second = Run(c.arguments);
    EXPECT_EQ(second.status, 0) << c.arguments << ": " << second.err;
    EXPECT_EQ(second.out, first.out) << c.arguments;
    EXPECT_EQ(second.err, first.err) << c.arguments;
    EXPECT_EQ(test::Contents(folder / c.out), expected) << c.arguments << ": nothing in an out/out";
    EXPECT_EQ(test::ReadBytes(folder / c.out / expected.back()), output);
    fs::remove_all(folder / "in" / "sub" / "out");
    EXPECT_EQ(test::Contents(folder / "in"), inputs) << c.arguments;
    EXPECT_EQ(test::ReadBytes(folder / "in" / "a.prc"), a);
  }
}

TEST_F(CliFolderTest, FileWhoseOutputWouldReplaceAnInputIsRefusedAndTheOthersGoOn) {
  const Bytes earlier = test::ReadBytes(folder / "in" / "a_comp.prc");
  const CliRun run = Run("in/a.prc ./in/a_comp.prc in/sub/B.PRC");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("pressling-cli: in/a.prc: its output in/a_comp.prc would replace ./in/a_comp.prc, an "
                         "input of this run\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("pressling-cli: 3 files: 2 written, 0 no effect, 1 refused, 0 failed\n"), std::string::npos)
      << run.err;
  EXPECT_EQ(test::ReadBytes(folder / "in" / "a_comp.prc"), earlier);
  EXPECT_TRUE(fs::exists(folder / "in" / "a_comp_comp.prc"));
  EXPECT_TRUE(fs::exists(folder / "in" / "sub" / "B_comp.prc"));
}

}  // namespace
}  // namespace pressling
