// pressling-cli on an archive under the fault shim: every file operation of
// the run fails once, or raises SIGINT there. Only a complete new archive may
// remain, an older one is never lost, and nothing is left in TMPDIR.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "tests/hardening/cli_scene.h"
#include "tests/hardening/small_disk.h"
#include "tests/hardening/worked_examples.h"

namespace fs = std::filesystem;

namespace pressling::hardening {
namespace {

// in/app.zip: the generated mixed database, which converts, and a readme;
// with noise, 60000 bytes that zip stores as they are.
fs::path MakeArchive(const CliScene& scene, bool withNoise = false) {
  const fs::path source = scene.root() / "source";
  fs::create_directories(source);
  PutFile(source / "app.prc", MixedDatabase());
  std::vector<std::uint8_t> readme = {'r', 'e', 'a', 'd', '\n'};
  if (withNoise) {
    readme.resize(60000);
    std::uint32_t seed = 7;
    for (auto& b : readme) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  }
  PutFile(source / "readme.txt", readme);
  const fs::path archive = scene.in() / "app.zip";
  const std::string command = "cd '" + source.string() + "' && zip -q -X '" + archive.string() + "' app.prc readme.txt";
  if (std::system(command.c_str()) != 0) return {};
  fs::remove_all(source);
  return archive;
}

// A disk beside the archive of about 62 KB that holds it and a copy but not
// libzip's new archive (160 KiB), or not even the copy (96 KiB).
TEST(ArchiveFaults, AFullDiskLeavesOnlyTheInput) {
  for (std::size_t diskBytes : {96 * 1024, 160 * 1024}) {
    CliScene scene("archive-diskfull-" + std::to_string(diskBytes));
    SmallDisk disk(scene.in(), diskBytes);
    if (!disk.mounted()) GTEST_SKIP() << "needs root and a working `mount -t tmpfs`; disk-full case skipped";
    const fs::path input = MakeArchive(scene, true);
    ASSERT_FALSE(input.empty()) << "zip could not make the archive";
    const auto archive = FileBytes(input);
    const ChildRun run = scene.Run({input.string()}, scene.root());
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("ファイル処理に失敗しました"), std::string::npos) << run.out;
    EXPECT_EQ(FileBytes(input), archive);
    EXPECT_EQ(FolderNames(scene.in()), std::vector<std::string>{"app.zip"}) << diskBytes;
    EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{});
  }
}

TEST(ArchiveFaults, EveryOperationFailsOnceOrIsInterrupted) {
  CliScene scene("archive-faults");
  const fs::path input = MakeArchive(scene);
  ASSERT_FALSE(input.empty()) << "zip could not make the archive";
  const fs::path output = scene.in() / "app_comp.zip";
  const auto archive = FileBytes(input);
  const std::vector<fs::path> watched{scene.in(), scene.tmp()};

  const ChildRun baseline = scene.Run({input.string()}, scene.root(), 0, watched);
  ASSERT_EQ(baseline.exitCode, 0) << baseline.out << baseline.err;
  const long calls = scene.report().calls;
  ASSERT_GT(calls, 0) << "the shim counted nothing";
  const auto expectedOutput = FileBytes(output);
  ASSERT_FALSE(expectedOutput.empty());
  std::error_code ec;
  fs::remove(output, ec);

  const std::vector<std::uint8_t> older = {'o', 'l', 'd', 'e', 'r'};
  long failed = 0, finished = 0;
  for (long n = 1; n <= calls && !::testing::Test::HasFailure(); ++n) {
    for (int signal : {0, SIGINT}) {
      const bool withOlder = n % 2 == 0;
      if (withOlder) PutFile(output, older);
      const ChildRun run = scene.Run({input.string()}, scene.root(), n, watched, signal);
      const std::string where = (signal ? "interrupted at operation " : "failing operation ") + std::to_string(n) +
                                " of " + std::to_string(calls) + " (" + scene.report().hit + "):\n" + run.out + run.err;
      EXPECT_EQ(FileBytes(input), archive) << where;
      EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{}) << "private directory left; " << where;
      EXPECT_EQ(scene.StrayWrites(input, output), "") << where;
      const auto now = FileBytes(output);
      if (now == expectedOutput) {
        ++finished;
      } else if (withOlder || fs::exists(output)) {
        EXPECT_TRUE(withOlder && now == older) << "incomplete or lost output; " << where;
      }
      if (signal) {
        EXPECT_EQ(run.signal, SIGINT) << where;
      } else if (run.exitCode != 0) {
        ++failed;
        EXPECT_FALSE(run.err.empty()) << where;
      }
      fs::remove(output, ec);
      EXPECT_EQ(FolderNames(scene.in()), std::vector<std::string>{"app.zip"}) << where;
    }
  }
  std::printf("archive faults: %ld operations, %ld failed runs, %ld complete outputs\n", calls, failed, finished);
}

}  // namespace
}  // namespace pressling::hardening
