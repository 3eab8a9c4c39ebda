// pressling-cli's ways of telling what a run did: -v, --json, -n and -q.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/common/corpus.h"
#include "tests/database/cli_support.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::Bytes;
using test::CliRun;

// in/ holds a database that shrinks, one without effect, a corrupt one and a
// text file; with a corpus, its folder is given too. tmp/ is TMPDIR.
class CliReportModesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder / "in");
    fs::create_directories(tmp);
    test::WriteBytes(folder / "in" / "shrinks.prc",
                     test::MakeDatabase("Shrinks", {{test::Type("Tbmp"), {0x00, 0x01}, test::ZeroBitmapV2(1000)}}));
    test::WriteBytes(folder / "in" / "same.prc",
                     test::MakeDatabase("Same", {{test::Type("code"), {0x00, 0x01}, Bytes(500, 0x4E)}}));
    Bytes corrupt = test::MakeDatabase("Bad", {{test::Type("Tbmp"), {0x00, 0x01}, test::ZeroBitmapV2(100)}});
    corrupt[78 + 9] = 0x50;  // entry 0 offset 80: not after the list
    test::WriteBytes(folder / "in" / "bad.prc", corrupt);
    test::WriteBytes(folder / "notes.txt", {'h', 'i'});
    arguments = "in notes.txt";
    if (auto corpus = test::CorpusDir()) arguments += " '" + corpus->string() + "'";
  }

  CliRun Run(const std::string& options) {
    return test::RunCli(folder, options + " " + arguments, "TMPDIR='" + tmp.string() + "'");
  }

  // Checks document against docs/run.schema.json with python3's jsonschema.
  void Validate(const std::string& document) {
    const fs::path file = folder.path().string() + ".json";
    test::WriteBytes(file, Bytes(document.begin(), document.end()));
    const std::string command = "/usr/bin/python3 -c 'import json, sys, jsonschema; "
                                "jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))' '" +
                                file.string() + "' '" PRESSLING_SOURCE_DIR "/docs/run.schema.json'";
    EXPECT_EQ(std::system(command.c_str()), 0) << "the document does not follow the schema";
    fs::remove(file);
  }

  test::TempFolder folder;
  fs::path tmp = folder / "tmp";
  std::string arguments;
};

TEST_F(CliReportModesTest, JsonFollowsTheSchemaAndADryRunGivesTheFiguresOfTheRealRun) {
  for (const char* mode : {"", "--thorough ", "--device os4:2 "}) {
    SCOPED_TRACE(mode);
    const auto before = test::Contents(folder.path());
    const CliRun dry = Run(std::string(mode) + "-n --json -o out");
    EXPECT_EQ(dry.status, 1);  // the corrupt database and the text file
    EXPECT_EQ(test::Contents(folder.path()), before) << "a dry run changed the folder";
    Validate(dry.out);

    const CliRun real = Run(std::string(mode) + "--json -o out");
    Validate(real.out);
    json a = json::parse(dry.out), b = json::parse(real.out);
    EXPECT_TRUE(a["dry_run"].get<bool>());
    EXPECT_FALSE(b["dry_run"].get<bool>());
    EXPECT_EQ(a["summary"], b["summary"]);
    EXPECT_EQ(a["files"], b["files"]);  // the same outputs, records and report lines
    EXPECT_GE(b["summary"]["written"].get<int>(), 1);
    for (const json& file : b["files"]) {
      if (file["status"] == "written") {
        EXPECT_EQ(fs::file_size(folder / file["output"].get<std::string>()), file["output_bytes"].get<std::size_t>());
      }
    }
    const json& shrinks = b["files"][2];
    EXPECT_EQ(shrinks["path"], "in/shrinks.prc");
    EXPECT_EQ(shrinks["report"][0], "処理中です…");
    ASSERT_EQ(shrinks["bitmaps"].size(), 1u);
    EXPECT_EQ(shrinks["bitmaps"][0]["after"]["compression"], *mode ? "ScanLine" : "RLE");
    EXPECT_EQ(b["device"], std::string(mode).starts_with("--device") ? json("os4:2") : json(nullptr));
    EXPECT_EQ(b["files"][3]["error"], "notes.txt: the name does not end in .prc");
    fs::remove_all(folder / "out");
    EXPECT_TRUE(test::Contents(tmp).empty());
  }
}

TEST_F(CliReportModesTest, VerboseAddsALinePerBitmapAndQuietKeepsOnlyTheErrors) {
  arguments = "in/shrinks.prc in/same.prc in/bad.prc";
  const CliRun plain = Run("-n");
  const CliRun verbose = Run("-nv");
  EXPECT_EQ(verbose.err, plain.err);
  // The bitmap line follows its file's report lines.
  const std::string line = "  Tbmp     1 #0     8×8     8 bit v2  none        1016 → RLE           36\n";
  const std::size_t at = plain.out.find("圧縮率：");
  ASSERT_NE(at, std::string::npos);
  const std::size_t end = plain.out.find('\n', at) + 1;
  EXPECT_EQ(verbose.out, plain.out.substr(0, end) + line + plain.out.substr(end));
  EXPECT_NE(plain.err.find("1 would be written"), std::string::npos);

  const CliRun quiet = Run("-q");
  EXPECT_EQ(quiet.status, 1);
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(quiet.err, "pressling-cli: in/bad.prc: resource 0 starts at offset 80, not right after the resource list "
                       "at 90\n");
  EXPECT_TRUE(fs::exists(folder / "in" / "shrinks_comp.prc"));
}

TEST_F(CliReportModesTest, DeviceTargetDropsWhatItNeverDrawsAndSaysSo) {
  Bytes first = test::ZeroBitmapV2(1000);  // 8 bits, 1016 bytes
  first[11] = 1016 / 4;                    // nextDepthOffset: the marker follows
  const Bytes marker = {0, 0, 0, 0, 0, 0, 0, 0,  // width, height, rowBytes, flags
                        0xFF,                    // pixel size 0xFF
                        0x01,                    // version 1
                        0x00, 0x00,              // nextDepthOffset 0
                        0, 0, 0, 0};             // reserved
  Bytes family = first;
  family.insert(family.end(), marker.begin(), marker.end());
  const Bytes behind = test::ZeroBitmapV2(400);  // stands for the high-density bitmap
  family.insert(family.end(), behind.begin(), behind.end());
  test::WriteBytes(folder / "in" / "os5.prc", test::MakeDatabase("OS5", {{test::Type("Tbmp"), {0x00, 0x01}, family}}));
  arguments = "in/os5.prc";

  const CliRun run = Run("--device os4 -n --json");
  EXPECT_EQ(run.status, 0) << run.err;
  Validate(run.out);
  const json document = json::parse(run.out);
  EXPECT_EQ(document["device"], "os4");
  EXPECT_EQ(document["mode"], "thorough");
  const json& bitmaps = document["files"][0]["bitmaps"];
  ASSERT_EQ(bitmaps.size(), 3u);
  EXPECT_FALSE(bitmaps[0]["after"].is_null());
  for (int k : {1, 2}) {
    EXPECT_TRUE(bitmaps[k]["after"].is_null());
    EXPECT_TRUE(bitmaps[k]["output_offset"].is_null());
    EXPECT_EQ(bitmaps[k]["reason"], "behind-density-marker");
  }
  EXPECT_EQ(bitmaps[2]["offset"], 1016 + 16);
  // The four report lines, then the target's.
  const json& report = document["files"][0]["report"];
  ASSERT_EQ(report.size(), 6u);
  EXPECT_EQ(report[5], "対象機種：Palm OS 4 以前、すべての画面");

  const CliRun verbose = Run("--device=os4 -nv");
  EXPECT_NE(verbose.out.find("dropped: behind the high-density marker: Palm OS 4 never reads it\n"),
            std::string::npos)
      << verbose.out;
  EXPECT_EQ(Run("--device os4 -q").out, "");
  EXPECT_TRUE(fs::exists(folder / "in" / "os5_comp.prc"));

  const CliRun wrong = Run("--device os5");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("--device takes one of os4, os4:8, os4:4, os4:2, os4:1, not 'os5'"), std::string::npos)
      << wrong.err;
  EXPECT_EQ(Run("--device").status, 2);
}

}  // namespace
}  // namespace pressling
