// Every file and folder operation of a run can fail: the run with the n-th
// operation failing, for every n up to the number a run makes, must either
// come out exactly as an undisturbed run or report the failure and leave no
// output, no partial output and no private directory.
#include <gtest/gtest.h>
#include <csignal>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "tests/common/corpus.h"
#include "tests/hardening/cli_scene.h"
#include "tests/hardening/small_disk.h"
#include "tests/hardening/conversion_check.h"
#include "tests/hardening/family_model.h"
#include "tests/hardening/prc_model.h"
#include "tests/hardening/worked_examples.h"

namespace fs = std::filesystem;

namespace pressling::hardening {
namespace {

constexpr const char* kFailureLine = "ファイル処理に失敗しました";

// The smallest corpus database of at least 4 KiB that converts; the mixed
// example database without a corpus.
std::vector<std::uint8_t> DatabaseUnderTest(std::string* name) {
  std::vector<std::uint8_t> best;
  for (const fs::path& path : test::CorpusDatabases()) {
    auto bytes = FileBytes(path);
    if (bytes.size() < 4096 || (!best.empty() && bytes.size() >= best.size())) continue;
    if (Classify(bytes) != Verdict::Accept || ExpectedOutputLength(bytes) * 100 > bytes.size() * 99) continue;
    best = bytes;
    *name = path.filename().string();
  }
  if (best.empty()) {
    *name = "the generated mixed database";
    best = MixedDatabase();
  }
  return best;
}

// Runs pressling-cli on database once undisturbed, then once for every
// operation n of that run with operation n failing.
void FailEveryOperation(const std::vector<std::uint8_t>& database, const std::string& name) {
  CliScene scene("faults");
  const fs::path input = scene.in() / "app.prc";
  const fs::path output = scene.in() / "app_comp.prc";
  PutFile(input, database);
  const std::vector<fs::path> watched{scene.in(), scene.tmp()};

  const ChildRun baseline = scene.Run({input.string()}, scene.root(), 0, watched);
  ASSERT_EQ(baseline.exitCode, 0) << baseline.out << baseline.err;
  const long calls = scene.report().calls;
  ASSERT_GT(calls, 0) << "the shim counted nothing";
  const bool converted = fs::exists(output);
  const auto expectedOutput = FileBytes(output);
  if (converted) {
    ASSERT_EQ(CheckConvertedOutput(database, expectedOutput), "");
  }
  std::error_code ec;
  fs::remove(output, ec);

  // An older output from an earlier run is the user's: it is replaced whole
  // by a kept output, or stays exactly as it was.
  const std::vector<std::uint8_t> older = {'o', 'l', 'd', 'e', 'r'};
  long failed = 0, absorbed = 0;
  for (long n = 1; n <= calls && !::testing::Test::HasFailure(); ++n) {
    const bool withOlder = n % 2 == 0;
    if (withOlder) PutFile(output, older);
    const ChildRun run = scene.Run({input.string()}, scene.root(), n, watched);
    const std::string where = "operation " + std::to_string(n) + " of " + std::to_string(calls) + " (" +
                              scene.report().hit + "):\n" + run.out + run.err;
    EXPECT_EQ(FileBytes(input), database) << where;
    EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{}) << "private directory left; " << where;
    EXPECT_EQ(scene.StrayWrites(input, output), "") << where;
    if (withOlder) {
      const auto now = FileBytes(output);
      EXPECT_TRUE(now == older || (converted && now == expectedOutput)) << "older output lost; " << where;
    }
    if (run.exitCode == 0) {
      // Only a failure the run could retry or do without may end in success.
      EXPECT_EQ(run.out, baseline.out) << where;
      EXPECT_EQ(fs::exists(output), converted || withOlder) << where;
      if (converted) {
        EXPECT_EQ(FileBytes(output), expectedOutput) << where;
      }
      ++absorbed;
    } else {
      EXPECT_EQ(run.exitCode, 1) << where;
      EXPECT_FALSE(scene.report().hit.empty()) << "failed without an injected fault; " << where;
      EXPECT_NE(run.out.find(kFailureLine), std::string::npos) << where;
      EXPECT_FALSE(run.err.empty()) << where;
      ++failed;
    }
    fs::remove(output, ec);
    EXPECT_EQ(FolderNames(scene.in()), std::vector<std::string>{"app.prc"}) << where;
    for (const auto& entry : fs::directory_iterator(scene.in())) {
      if (entry.path() != input) fs::remove_all(entry.path(), ec);
    }
  }
  std::printf("fault injection on %s: %ld operations, %ld runs reported the failure, %ld absorbed it\n", name.c_str(),
              calls, failed, absorbed);
}

TEST(FaultInjection, EveryOperationOfAConvertingRunFailsOnce) {
  std::string name;
  const auto database = DatabaseUnderTest(&name);
  FailEveryOperation(database, name);
}

TEST(FaultInjection, EveryOperationOfARunWithoutEffectFailsOnce) {
  // Nothing in it shrinks: the finished output is deleted again.
  std::vector<std::uint8_t> noise(4000);
  std::uint32_t seed = 5;
  for (auto& b : noise) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  FailEveryOperation(BuildPrc("Noise", {{"code", 1, noise}, {"Tbmp", 1, BuildFamily({{2, 0x00, noise}})}}),
                     "a database without effect");
}

TEST(FaultInjection, InterruptedAtEveryOperation) {
  std::string name;
  const auto database = DatabaseUnderTest(&name);
  CliScene scene("interrupt");
  const fs::path input = scene.in() / "app.prc";
  const fs::path output = scene.in() / "app_comp.prc";
  PutFile(input, database);
  const std::vector<fs::path> watched{scene.in(), scene.tmp()};
  ASSERT_EQ(scene.Run({input.string()}, scene.root(), 0, watched).exitCode, 0);
  const long calls = scene.report().calls;
  const auto expectedOutput = FileBytes(output);
  std::error_code ec;
  fs::remove(output, ec);

  long finished = 0;
  for (long n = 1; n <= calls && !HasFailure(); ++n) {
    const ChildRun run = scene.Run({input.string()}, scene.root(), n, watched, SIGINT);
    const std::string where = "interrupted at operation " + std::to_string(n) + " (" + scene.report().hit + ")";
    // The run stops at its next event pass, or finishes when none is left.
    EXPECT_EQ(run.signal, SIGINT) << where << "\n" << run.out << run.err;
    EXPECT_EQ(FileBytes(input), database) << where;
    EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{}) << where;
    if (fs::exists(output)) {
      EXPECT_EQ(FileBytes(output), expectedOutput) << where;
      ++finished;
    }
    fs::remove(output, ec);
    EXPECT_EQ(FolderNames(scene.in()), std::vector<std::string>{"app.prc"}) << where;
  }
  std::printf("interrupted %s at each of %ld operations; %ld runs had finished\n", name.c_str(), calls, finished);
}

TEST(FaultInjection, AnInterruptStopsEveryParallelRun) {
  std::string name;
  const auto database = DatabaseUnderTest(&name);
  CliScene scene("interrupt-parallel");
  const std::vector<std::string> args{"-j", "2", scene.in().string()};
  for (const char* file : {"a.prc", "b.prc", "c.prc"}) PutFile(scene.in() / file, database);
  const std::vector<fs::path> watched{scene.in(), scene.tmp()};
  ASSERT_EQ(scene.Run(args, scene.root(), 0, watched).exitCode, 0);
  const long calls = scene.report().calls;
  const auto expectedOutput = FileBytes(scene.in() / "a_comp.prc");
  for (const auto& entry : fs::directory_iterator(scene.in()))
    if (entry.path().filename().string().find("_comp") != std::string::npos) fs::remove(entry.path());

  // About a dozen points spread over the whole run keep the test short under the sanitizers.
  for (long n = 1; n <= calls && !HasFailure(); n += std::max(1L, calls / 12)) {
    const ChildRun run = scene.Run(args, scene.root(), n, watched, SIGINT);
    const std::string where = "interrupted at operation " + std::to_string(n) + " (" + scene.report().hit + ")";
    EXPECT_EQ(run.signal, SIGINT) << where << "\n" << run.out << run.err;
    EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{}) << where;
    // Whatever had finished is whole; nothing else is left beside the inputs.
    for (const auto& entry : fs::directory_iterator(scene.in())) {
      const std::string file = entry.path().filename().string();
      if (file.size() == 5) {
        EXPECT_EQ(FileBytes(entry.path()), database) << where;
        continue;
      }
      EXPECT_EQ(file.substr(1), "_comp.prc") << where;
      EXPECT_EQ(FileBytes(entry.path()), expectedOutput) << where;
      fs::remove(entry.path());
    }
  }
}

TEST(FaultInjection, AFolderThatCannotBeReadIsReportedAndTheOthersGoOn) {
  CliScene scene("unreadable-folder");
  fs::create_directory(scene.in() / "locked");
  PutFile(scene.in() / "locked" / "x.prc", MixedDatabase());
  PutFile(scene.in() / "free.prc", MixedDatabase());
  // Operations 1 to 4 under locked/: finding out it is a folder, then reading it.
  for (long n = 1; n <= 4; ++n) {
    const ChildRun run = scene.Run({(scene.in() / "locked").string(), (scene.in() / "free.prc").string()},
                                   scene.root(), n, {scene.in() / "locked"});
    EXPECT_EQ(run.exitCode, 1) << n << "\n" << run.err;
    EXPECT_EQ(run.err.rfind("pressling-cli: cannot read ", 0), 0u) << n << "\n" << run.err;
    EXPECT_NE(run.err.find((scene.in() / "locked").string() + ": Input/output error\n"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(scene.in() / "free_comp.prc")) << n;
    EXPECT_EQ(FolderNames(scene.in() / "locked"), std::vector<std::string>{"x.prc"});
    EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{});
    fs::remove(scene.in() / "free_comp.prc");
  }
}

TEST(FaultInjection, AReportThatCannotBeWrittenIsAFailure) {
  CliScene scene("full-stdout");
  const fs::path input = scene.in() / "app.prc";
  PutFile(input, MixedDatabase());
  const ChildRun run = RunChild({"/bin/sh", "-c", "exec \"$0\" \"$1\" >/dev/full", PRESSLING_CLI_PATH, input.string()},
                                {{"TMPDIR", scene.tmp().string()}}, scene.root(), scene.capture());
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find("standard output"), std::string::npos) << run.err;
  EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{});
}

// A database of about 64 KiB that does not fit twice on a disk of 96 KiB.
std::vector<std::uint8_t> LargeDatabase() {
  std::vector<std::uint8_t> noise(60000);
  std::uint32_t seed = 99;
  for (auto& b : noise) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  return BuildPrc("Large", {{"code", 1, noise}, {"Tbmp", 1, WorkedExampleBitmap()}});
}

// Runs the command line on LargeDatabase with a disk of diskBytes mounted on
// the input folder (output side) or on TMPDIR (split side).
void ExpectCleanDiskFullFailure(const char* sceneName, bool onOutputSide, std::size_t diskBytes) {
  CliScene scene(sceneName);
  SmallDisk disk(onOutputSide ? scene.in() : scene.tmp(), diskBytes);
  if (!disk.mounted()) GTEST_SKIP() << "needs root and a working `mount -t tmpfs`; disk-full case skipped";
  const fs::path input = scene.in() / "big.prc";
  const auto database = LargeDatabase();
  PutFile(input, database);
  const ChildRun run = scene.Run({input.string()}, scene.root());
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  EXPECT_NE(run.out.find(kFailureLine), std::string::npos) << run.out;
  EXPECT_EQ(FileBytes(input), database);
  EXPECT_EQ(FolderNames(scene.in()), std::vector<std::string>{"big.prc"});
  EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{});
}

TEST(FaultInjection, DiskFullWhileWritingTheOutput) {
  ExpectCleanDiskFullFailure("diskfull-output", true, 96 * 1024);
}

TEST(FaultInjection, DiskFullWhileSplitting) {
  ExpectCleanDiskFullFailure("diskfull-split", false, 32 * 1024);
}

}  // namespace
}  // namespace pressling::hardening
