#include <gtest/gtest.h>

#include "tests/database/cli_support.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

using test::Bytes;
using test::CliRun;
using test::RunCli;

Bytes Compressible() {
  return test::MakeDatabase("MyApp", {{test::Type("Tbmp"), {0x00, 0x01}, test::ZeroBitmapV2(1000)}});
}

TEST(CliTest, OptionsAndUsageErrors) {
  test::TempFolder folder;
  CliRun version = RunCli(folder, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "pressling-cli 0.91\n");

  CliRun help = RunCli(folder, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: pressling-cli [OPTION]... [--] FILE.prc|ARCHIVE.zip|FOLDER...\n", 0), 0u);
  EXPECT_EQ(help.err, "");

  for (const char* bad : {"", "-x.prc", "--loud a.prc", "-nx a.prc"}) {
    SCOPED_TRACE(bad);
    CliRun usage = RunCli(folder, bad);
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_NE(usage.err.find("Try 'pressling-cli --help'."), std::string::npos);
  }
}

TEST(CliTest, ConvertsEachFileAndReportsRefusals) {
  test::TempFolder folder;
  test::TempFolder tmpDir;
  test::WriteBytes(folder / "-a.prc", Compressible());
  Bytes corrupt = Compressible();
  corrupt[78 + 9] = 0x50;  // entry 0 offset 80: no gap bytes
  test::WriteBytes(folder / "bad.prc", corrupt);
  test::WriteBytes(folder / "same.prc", test::MakeDatabase("Same", {{test::Type("code"), {0, 1}, {1, 2}}}));

  CliRun both = RunCli(folder, "-- -a.prc same.prc", "TMPDIR='" + tmpDir.path().string() + "'");
  EXPECT_EQ(both.status, 0);
  EXPECT_EQ(both.out,
            "処理中です…\nアプリ名：MyApp\nオリジナル：1106 byte\n圧縮処理後：126 byte\n圧縮率：11.4 %\n"
            "処理中です…\nアプリ名：Same\nオリジナル：92 byte\n圧縮効果はありません\nファイル作成しませんでした\n");
  EXPECT_EQ(both.err,
            "pressling-cli: 2 files: 1 written, 1 no effect, 0 refused, 0 failed\n"
            "pressling-cli: 980 bytes saved on the written files\n");
  EXPECT_TRUE(std::filesystem::exists(folder / "-a_comp.prc"));

  CliRun mixed = RunCli(folder, "bad.prc ./-a.prc missing.prc", "TMPDIR='" + tmpDir.path().string() + "'");
  EXPECT_EQ(mixed.status, 1);
  EXPECT_EQ(mixed.err,
            "pressling-cli: bad.prc: resource 0 starts at offset 80, not right after the resource list at 90\n"
            "pressling-cli: missing.prc: cannot open missing.prc: No such file or directory\n"
            "pressling-cli: 3 files: 1 written, 0 no effect, 1 refused, 1 failed\n"
            "pressling-cli: 980 bytes saved on the written files\n");
  EXPECT_NE(mixed.out.find("データベースが壊れています\nファイル作成しませんでした\n処理中です…\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder / "bad_comp.prc"));
  EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
}

TEST(CliTest, ThoroughOptionReachesEveryFile) {
  test::TempFolder folder;
  test::TempFolder tmpDir;
  Bytes bitmapV1 = {0x00, 0x20, 0x00, 0x10, 0x00, 0x04, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  bitmapV1.resize(16 + 64, 0x00);  // 16 blank rows of 4 bytes
  for (const char* name : {"a.prc", "b.prc"})
    test::WriteBytes(folder / name, test::MakeDatabase("V1", {{test::Type("Tbmp"), {0x03, 0xE8}, bitmapV1}}));
  const std::string environment = "TMPDIR='" + tmpDir.path().string() + "'";

  CliRun classic = RunCli(folder, "a.prc", environment);
  EXPECT_EQ(classic.status, 0);
  EXPECT_NE(classic.out.find("圧縮効果はありません"), std::string::npos);
  CliRun thorough = RunCli(folder, "--thorough a.prc b.prc", environment);
  EXPECT_EQ(thorough.status, 0);
  EXPECT_EQ(thorough.err,
            "pressling-cli: 2 files: 2 written, 0 no effect, 0 refused, 0 failed\n"
            "pressling-cli: 80 bytes saved on the written files\n");
  EXPECT_EQ(test::ReadBytes(folder / "a_comp.prc").size(), 90u + 40);
  EXPECT_EQ(test::ReadBytes(folder / "b_comp.prc").size(), 90u + 40);
  EXPECT_NE(RunCli(folder, "--help").out.find("--thorough"), std::string::npos);
}

}  // namespace
}  // namespace pressling
