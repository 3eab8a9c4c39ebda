// pressling-cli over zip archives built here from corpus databases: what the
// new archive holds, that nothing lands outside the output, and bad archives
// failing one by one while the next input converts.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "language/language.h"
#include "tests/archive/archive_support.h"
#include "tests/common/corpus.h"
#include "tests/database/cli_support.h"

namespace pressling {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using test::CliRun;
using test::Hex;
using test::ListArchive;
using test::Quoted;
using test::RunCommand;

constexpr const char* kConverts = "harbaum__palmos__IR-Pong2.prc";
constexpr const char* kConvertsToo = "epatel__palmos_portal__StarWarsAscii.prc";
constexpr const char* kConvertsMuch = "nsbasic-archive__NS-Basic-for-Palm-OS__NEWtest.prc";
constexpr const char* kNoEffect = "harbaum__palmos__mulg.prc";
constexpr const char* kNoEffectToo = "jedahan__palmos__hello.prc";

fs::path Corpus(const char* name) { return *test::CorpusDir() / name; }

// One entry of a test archive: its name and where its bytes come from.
struct EntryPlan {
  std::string name;
  fs::path source;  // empty: text
  std::string text;
  std::string comment;
  std::vector<int> dateTime;  // year, month, day, hour, minute, second; empty: 2001-02-03 04:05:06
  bool stored = false;
};

EntryPlan FileEntry(std::string name, fs::path source, std::string comment = {}, std::vector<int> dateTime = {}) {
  EntryPlan entry;
  entry.name = std::move(name);
  entry.source = std::move(source);
  entry.comment = std::move(comment);
  entry.dateTime = std::move(dateTime);
  return entry;
}

// A stored text entry.
EntryPlan TextEntry(std::string name, std::string text, std::vector<int> dateTime = {}) {
  EntryPlan entry;
  entry.name = std::move(name);
  entry.text = std::move(text);
  entry.dateTime = std::move(dateTime);
  entry.stored = true;
  return entry;
}

// in/ holds the archives, alone/ each database converted on its own, tmp/ is TMPDIR.
class ArchiveCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(in);
    fs::create_directories(alone);
    fs::create_directories(tmp);
  }

  void MakeArchive(const fs::path& path, const std::vector<EntryPlan>& entries, const std::string& comment = "") {
    json layout = {{"comment", comment}, {"entries", json::array()}};
    for (const EntryPlan& e : entries) {
      json entry = {{"name_hex", Hex(e.name)}, {"comment", e.comment}, {"method", e.stored ? "store" : "deflate"}};
      if (e.source.empty())
        entry["text"] = e.text;
      else
        entry["source"] = e.source.string();
      if (!e.dateTime.empty()) entry["date_time"] = e.dateTime;
      layout["entries"].push_back(entry);
    }
    const fs::path layoutPath = folder / "layout.json";
    std::ofstream(layoutPath) << layout.dump();
    ASSERT_TRUE(RunCommand("python3 " + Quoted(test::kZipTool) + " make " + Quoted(layoutPath) + " " + Quoted(path)).ok);
    fs::remove(layoutPath);
  }

  void MakeBad(const std::string& kind, const fs::path& path) {
    // The bombs need no database.
    const fs::path database = test::CorpusDir() ? Corpus(kConverts) : fs::path("/dev/null");
    ASSERT_TRUE(
        RunCommand("python3 " + Quoted(test::kZipTool) + " bad " + kind + " " + Quoted(database) + " " + Quoted(path))
            .ok);
  }

  CliRun Run(const std::string& arguments) { return test::RunCli(folder, arguments, "TMPDIR=" + Quoted(tmp)); }

  // What pressling-cli makes of the database alone, with options: its output,
  // or the database where it had no effect.
  test::Bytes ConvertedAlone(const fs::path& database, const std::string& options = "") {
    const fs::path copy = alone / database.filename();
    fs::copy_file(database, copy, fs::copy_options::overwrite_existing);
    fs::remove(alone / (copy.stem().string() + "_comp.prc"));
    const CliRun run = test::RunCli(folder, options + " -q " + Quoted(copy), "TMPDIR=" + Quoted(tmp));
    EXPECT_EQ(run.status, 0) << run.err;
    const fs::path output = alone / (copy.stem().string() + "_comp.prc");
    return fs::exists(output) ? test::ReadBytes(output) : test::ReadBytes(database);
  }

  static std::string Sha256(const test::Bytes& bytes, const fs::path& scratch) {
    test::WriteBytes(scratch, bytes);
    const std::string digest = RunCommand("sha256sum " + Quoted(scratch)).out.substr(0, 64);
    fs::remove(scratch);
    return digest;
  }

  test::TempFolder folder;
  fs::path in = folder / "in";
  fs::path alone = folder / "alone";
  fs::path tmp = folder / "tmp";
};

// The fields every entry keeps, whatever became of its data.
void ExpectSameEntry(const json& before, const json& after) {
  for (const char* key : {"name_hex", "comment_hex", "date_time", "external_attr"})
    EXPECT_EQ(after[key], before[key]) << key << " of " << before["name_hex"];
}

// Copied as it was: the same stored bytes, method and checksum.
void ExpectCopied(const json& before, const json& after) {
  ExpectSameEntry(before, after);
  for (const char* key : {"compress_type", "crc", "file_size", "compress_size", "sha256"})
    EXPECT_EQ(after[key], before[key]) << key << " of " << before["name_hex"];
}

TEST_F(ArchiveCliTest, ConvertsEachDatabaseUnderItsNameAndCopiesEverythingElse) {
  PRESSLING_REQUIRE_CORPUS();
  const std::vector<EntryPlan> entries = {
      FileEntry("IR-Pong2.prc", Corpus(kConverts), "the first one", {1999, 12, 31, 23, 59, 58}),
      FileEntry("games/STARWARS.PRC", Corpus(kConvertsToo), "", {2003, 7, 1, 12, 0, 0}),
      FileEntry("mulg.prc", Corpus(kNoEffect), "no effect"),
      FileEntry("data/NEWtest.pdb", Corpus(kConvertsMuch), "not a .prc: copied"),
      TextEntry("README.txt", "Install both programs.\n", {2004, 1, 2, 3, 4, 6}),
      FileEntry("IR-Pong2.prc", Corpus(kNoEffectToo), "the same name again"),
      FileEntry("../escape.prc", Corpus(kConvertsMuch)),
  };
  MakeArchive(in / "apps.zip", entries, "archive comment");
  const auto before = test::Contents(folder.path());

  const CliRun run = Run("in/apps.zip");
  ASSERT_EQ(run.status, 0) << run.err;

  // Only the output is new: not in the run folder, not beside, not above.
  auto after = before;
  after.push_back("in/apps_comp.zip");
  std::sort(after.begin(), after.end());
  EXPECT_EQ(test::Contents(folder.path()), after);
  EXPECT_TRUE(test::Contents(tmp).empty());

  EXPECT_TRUE(RunCommand("unzip -tq " + Quoted(in / "apps_comp.zip") + " >/dev/null 2>&1").ok);
  const json original = ListArchive(in / "apps.zip");
  const json converted = ListArchive(in / "apps_comp.zip");
  ASSERT_TRUE(converted.is_object());
  EXPECT_EQ(converted["testzip"], nullptr);
  EXPECT_EQ(converted["comment_hex"], Hex("archive comment"));
  ASSERT_EQ(converted["entries"].size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const json& was = original["entries"][i];
    const json& is = converted["entries"][i];
    if (fs::path(entries[i].name).extension() == ".pdb" || entries[i].name == "README.txt") {
      ExpectCopied(was, is);
      continue;
    }
    ExpectSameEntry(was, is);
    EXPECT_EQ(is["sha256"], Sha256(ConvertedAlone(entries[i].source), folder / "digest")) << entries[i].name;
  }
  // Entries without effect keep their stored bytes too.
  ExpectCopied(original["entries"][2], converted["entries"][2]);
  ExpectCopied(original["entries"][5], converted["entries"][5]);

  // Each database is reported under the archive's name and its own.
  for (const char* label :
       {"apps.zip:IR-Pong2.prc\n", "apps.zip:games/STARWARS.PRC\n", "apps.zip:mulg.prc\n", "apps.zip:../escape.prc\n"})
    EXPECT_NE(run.out.find(label), std::string::npos) << label;
  EXPECT_EQ(run.out.find("NEWtest.pdb"), std::string::npos);
}

// Made for a device, each database inside is what --device makes of it
// alone, and the archive's report names the target after its four lines.
TEST_F(ArchiveCliTest, DeviceTargetMakesEachDatabaseForThatDevice) {
  PRESSLING_REQUIRE_CORPUS();
  constexpr const char* kHighDensity = "captaintouch__pBill__pBill_hires.prc";
  MakeArchive(in / "apps.zip",
              {FileEntry("pBill.prc", Corpus(kHighDensity)), FileEntry("IR-Pong2.prc", Corpus(kConverts))});
  const CliRun run = Run("--device os4:2 in/apps.zip");
  ASSERT_EQ(run.status, 0) << run.err;
  const json converted = ListArchive(in / "apps_comp.zip");
  ASSERT_EQ(converted["entries"].size(), 2u);
  EXPECT_EQ(converted["entries"][0]["sha256"],
            Sha256(ConvertedAlone(Corpus(kHighDensity), "--device os4:2"), folder / "digest"));
  EXPECT_EQ(converted["entries"][1]["sha256"],
            Sha256(ConvertedAlone(Corpus(kConverts), "--device os4:2"), folder / "digest"));
  EXPECT_NE(converted["entries"][0]["sha256"],
            Sha256(ConvertedAlone(Corpus(kHighDensity), "--thorough"), folder / "digest"));
  // The archive's five lines: its name, the unit, sizes unpacked and ratio; then the target, then the archive file's sizes.
  const Language japanese = Language::FromTag("ja");
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = run.out.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(run.out.substr(at, end - at));
  const auto name = std::find(lines.begin(), lines.end(), japanese.Trf("Archive: %s", {"apps.zip"}));
  ASSERT_EQ(std::distance(name, lines.end()), 7) << run.out;
  EXPECT_EQ(name[5], "対象機種：Palm OS 4 以前、4 階調グレー");
}

// Info-ZIP's zip writes data descriptors when it streams to a pipe, and ZIP64
// records when told to.
TEST_F(ArchiveCliTest, DataDescriptorsAndZip64AreHandledAsAnyOther) {
  PRESSLING_REQUIRE_CORPUS();
  const fs::path source = folder / "source";
  fs::create_directories(source);
  fs::copy_file(Corpus(kConverts), source / "app.prc");
  test::WriteBytes(source / "readme.txt", {'h', 'i', '\n'});
  const std::string cd = "cd " + Quoted(source) + " && ";
  ASSERT_TRUE(RunCommand(cd + "zip -q - app.prc readme.txt | cat > " + Quoted(in / "streamed.zip")).ok);
  ASSERT_TRUE(RunCommand(cd + "zip -q -fz " + Quoted(in / "zip64.zip") + " app.prc readme.txt").ok);
  const CliRun run = Run("in/streamed.zip in/zip64.zip");
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string converted = Sha256(ConvertedAlone(Corpus(kConverts)), folder / "digest");
  for (const char* name : {"streamed", "zip64"}) {
    const fs::path output = in / (std::string(name) + "_comp.zip");
    EXPECT_TRUE(RunCommand("unzip -tq " + Quoted(output) + " >/dev/null 2>&1").ok) << name;
    const json was = ListArchive(in / (std::string(name) + ".zip"));
    const json is = ListArchive(output);
    ASSERT_TRUE(is.is_object()) << name;
    EXPECT_EQ(is["testzip"], nullptr);
    ExpectSameEntry(was["entries"][0], is["entries"][0]);
    EXPECT_EQ(is["entries"][0]["sha256"], converted) << name;
    ExpectCopied(was["entries"][1], is["entries"][1]);
  }
}

// 02:30 on 25 March 2001 never happened in Berlin: the clocks went from 02:00 to 03:00.
TEST_F(ArchiveCliTest, TimesOfASkippedLocalHourSurvive) {
  PRESSLING_REQUIRE_CORPUS();
  if (!fs::exists("/usr/share/zoneinfo/Europe/Berlin")) GTEST_SKIP() << "no time zone data for Europe/Berlin";
  const std::vector<int> skipped = {2001, 3, 25, 2, 30, 0};
  MakeArchive(in / "gap.zip",
              {FileEntry("app.prc", Corpus(kConverts), "", skipped), TextEntry("readme.txt", "text", skipped)});
  const CliRun run = test::RunCli(folder, "-q in/gap.zip", "TZ=Europe/Berlin TMPDIR=" + Quoted(tmp));
  EXPECT_EQ(run.status, 0) << run.err;
  const json is = ListArchive(in / "gap_comp.zip");
  ASSERT_TRUE(is.is_object());
  for (const json& entry : is["entries"]) EXPECT_EQ(entry["date_time"], skipped);
}

TEST_F(ArchiveCliTest, WithoutEffectNoArchiveIsMadeAndAnOlderOneStays) {
  PRESSLING_REQUIRE_CORPUS();
  MakeArchive(in / "same.zip", {FileEntry("mulg.prc", Corpus(kNoEffect)), TextEntry("read.me", "text")});
  test::WriteBytes(in / "same_comp.zip", {'o', 'l', 'd'});
  const CliRun run = Run("in/same.zip");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadBytes(in / "same_comp.zip"), (test::Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(test::Contents(in), (std::vector<std::string>{"same.zip", "same_comp.zip"}));
  EXPECT_NE(run.out.find("ファイル作成しませんでした"), std::string::npos) << run.out;
}

TEST_F(ArchiveCliTest, FolderWalkTakesArchivesAndSkipsEarlierOutputs) {
  PRESSLING_REQUIRE_CORPUS();
  fs::create_directories(in / "sub");
  MakeArchive(in / "sub" / "Games.ZIP", {FileEntry("a.prc", Corpus(kConverts))});
  MakeArchive(in / "sub" / "old_comp.zip", {FileEntry("a.prc", Corpus(kConverts))});
  const CliRun run = Run("-o out in");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::Contents(folder / "out"), (std::vector<std::string>{"sub", "sub/Games_comp.zip"}));
  EXPECT_NE(run.err.find("1 archive, 1 database inside: 1 converted, "), std::string::npos) << run.err;
}

TEST_F(ArchiveCliTest, DryRunAndJsonCoverArchives) {
  PRESSLING_REQUIRE_CORPUS();
  MakeArchive(in / "apps.zip", {FileEntry("IR-Pong2.prc", Corpus(kConverts)), FileEntry("mulg.prc", Corpus(kNoEffect)),
                                TextEntry("read.me", "text")});
  const CliRun run = Run("-n --json in/apps.zip");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::Contents(in), (std::vector<std::string>{"apps.zip"}));
  EXPECT_TRUE(test::Contents(tmp).empty());
  const fs::path saved = folder / "run.json";
  std::ofstream(saved) << run.out;
  EXPECT_TRUE(RunCommand("/usr/bin/python3 -c 'import json, sys, jsonschema; "
                         "jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))' " +
                         Quoted(saved) + " '" PRESSLING_SOURCE_DIR "/docs/run.schema.json'")
                  .ok)
      << "the document does not follow the schema";
  fs::remove(saved);
  const json document = json::parse(run.out);
  const json& archive = document["files"][0];
  EXPECT_EQ(archive["status"], "written");
  EXPECT_EQ(archive["output"], "in/apps_comp.zip");
  EXPECT_EQ(archive["input_bytes"], fs::file_size(in / "apps.zip"));
  EXPECT_EQ(archive["unpacked_input_bytes"], 38292 + 41515);
  EXPECT_EQ(archive["unpacked_output_bytes"], 37588 + 41515);
  ASSERT_EQ(archive["entries"].size(), 2u);
  EXPECT_EQ(archive["entries"][0]["path"], "apps.zip:IR-Pong2.prc");
  EXPECT_EQ(archive["entries"][0]["status"], "written");
  EXPECT_EQ(archive["entries"][0]["output_bytes"], 37588);
  EXPECT_FALSE(archive["entries"][0]["bitmaps"].empty());
  EXPECT_EQ(archive["entries"][1]["status"], "no_effect");
  EXPECT_EQ(document["summary"]["archives"], 1);
  EXPECT_EQ(document["summary"]["databases"]["total"], 2);
  EXPECT_EQ(document["summary"]["databases"]["converted"], 1);
  EXPECT_EQ(document["summary"]["bytes_saved"], 38292 - 37588);
}

// Each bad archive gets one line on standard error and leaves nothing
// partial; the good archive after them is converted.
TEST_F(ArchiveCliTest, BadArchivesFailOneByOneAndTheNextIsConverted) {
  PRESSLING_REQUIRE_CORPUS();
  const std::vector<std::string> kinds = {"truncated", "brokencd",  "crc",   "crc-stored", "method",
                                          "encrypted", "encrypted-stored", "names", "bomb-lie"};
  std::string arguments;
  for (const std::string& kind : kinds) {
    MakeBad(kind, in / (kind + ".zip"));
    arguments += " in/" + kind + ".zip";
  }
  MakeArchive(in / "good.zip", {FileEntry("app.prc", Corpus(kConverts))});
  const CliRun run = Run("-j 1" + arguments + " in/good.zip");
  EXPECT_EQ(run.status, 1);

  // Refused as a whole: nothing written.
  EXPECT_NE(run.err.find("pressling-cli: in/truncated.zip: not a zip archive"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("pressling-cli: in/brokencd.zip: not a zip archive"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(in / "truncated_comp.zip"));
  EXPECT_FALSE(fs::exists(in / "brokencd_comp.zip"));

  // A faulty database is refused and copied as it was; the good one beside it converts.
  // Deflated or stored alike.
  for (const std::string kind : {"crc", "crc-stored", "bomb-lie"}) {
    const std::string entry = kind == "bomb-lie" ? "bomb.prc" : "app.prc";
    EXPECT_NE(run.err.find("pressling-cli: " + kind + ".zip:" + entry + ": "), std::string::npos) << run.err;
  }
  for (const std::string kind : {"crc", "crc-stored"}) {
    const json crcBefore = ListArchive(in / (kind + ".zip"));
    const json crcAfter = ListArchive(in / (kind + "_comp.zip"));
    ASSERT_TRUE(crcAfter.is_object()) << kind;
    EXPECT_EQ(crcAfter["testzip"], "app.prc");  // its checksum fails as it did before
    ExpectCopied(crcBefore["entries"][0], crcAfter["entries"][0]);
    ExpectCopied(crcBefore["entries"][2], crcAfter["entries"][2]);
    EXPECT_NE(crcAfter["entries"][1]["sha256"], crcBefore["entries"][1]["sha256"]);
  }
  EXPECT_NE(run.err.find("crc-stored.zip:app.prc: Its data do not match the stored checksum"), std::string::npos)
      << run.err;

  // Left alone, without an error line: an unknown method and an encrypted entry, deflated or stored.
  for (const std::string kind : {"method", "encrypted", "encrypted-stored"}) {
    const json was = ListArchive(in / (kind + ".zip"));
    const json is = ListArchive(in / (kind + "_comp.zip"));
    ASSERT_TRUE(is.is_object()) << kind;
    ExpectCopied(was["entries"][0], is["entries"][0]);
    EXPECT_EQ(run.err.find(kind + ".zip:app.prc"), std::string::npos) << run.err;
  }
  for (const std::string kind : {"encrypted", "encrypted-stored"})
    EXPECT_TRUE(RunCommand("unzip -tq -P secret " + Quoted(in / (kind + "_comp.zip")) + " >/dev/null 2>&1").ok);

  // Hostile names stay verbatim inside and reach no path outside.
  const json names = ListArchive(in / "names_comp.zip");
  ASSERT_TRUE(names.is_object());
  EXPECT_EQ(names["testzip"], nullptr);
  const std::vector<std::string> hostile = {"../../up.prc", "/abs/root.prc", "back\\slash.prc", "ctl\x01\x1b[2J.prc"};
  for (std::size_t i = 0; i < hostile.size(); ++i) EXPECT_EQ(names["entries"][i]["name_hex"], Hex(hostile[i]));
  EXPECT_NE(run.out.find("names.zip:ctl\\x01\\x1b[2J.prc\n"), std::string::npos);
  EXPECT_FALSE(fs::exists("/abs"));

  // The bomb's own archive has the good database converted; nothing else is new.
  EXPECT_TRUE(fs::exists(in / "good_comp.zip"));
  std::vector<std::string> expected;
  for (const std::string& kind : kinds) {
    expected.push_back(kind + ".zip");
    if (kind != "truncated" && kind != "brokencd" && kind != "bomb-lie") expected.push_back(kind + "_comp.zip");
  }
  expected.push_back("good.zip");
  expected.push_back("good_comp.zip");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(test::Contents(in), expected);
  EXPECT_TRUE(test::Contents(tmp).empty());
  EXPECT_EQ(test::Contents(folder.path()).size(), expected.size() + 3);  // in/, alone/, tmp/
}

// Inflating stops at 64 MiB whatever the headers say, in bounded memory.
TEST_F(ArchiveCliTest, ZipBombsStayBounded) {
  for (const std::string kind : {"bomb", "bomb-lie"}) {
    MakeBad(kind, in / (kind + ".zip"));
    const fs::path timing = folder / "time.txt";
    const std::string command = "cd " + Quoted(folder.path()) + " && TMPDIR=" + Quoted(tmp) + " /usr/bin/time -v -o " +
                                Quoted(timing) + " '" PRESSLING_CLI "' -q in/" + kind + ".zip 2>/dev/null";
    EXPECT_FALSE(RunCommand(command).ok);  // the entry is refused
    std::ifstream report(timing);
    long peakKiB = -1;
    for (std::string line; std::getline(report, line);)
      if (line.find("Maximum resident set size (kbytes): ") != std::string::npos)
        peakKiB = std::stol(line.substr(line.rfind(' ')));
    EXPECT_GT(peakKiB, 0) << kind;
    EXPECT_LT(peakKiB, 256 * 1024) << kind;
    EXPECT_FALSE(fs::exists(in / (kind + "_comp.zip")));
    EXPECT_TRUE(test::Contents(tmp).empty());
    fs::remove(timing);
  }
}

}  // namespace
}  // namespace pressling
