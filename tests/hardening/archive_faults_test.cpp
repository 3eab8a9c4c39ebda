// pressling-cli on an archive under the fault shim: every file operation of
// the run fails once, or raises SIGINT there. Only a complete new archive may
// remain, an older one is never lost, and nothing is left in TMPDIR.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "tests/hardening/cli_scene.h"
#include "tests/hardening/worked_examples.h"

namespace fs = std::filesystem;

namespace pressling::hardening {
namespace {

// in/app.zip: the generated mixed database, which converts, and a readme.
fs::path MakeArchive(const CliScene& scene) {
  const fs::path source = scene.root() / "source";
  fs::create_directories(source);
  PutFile(source / "app.prc", MixedDatabase());
  PutFile(source / "readme.txt", {'r', 'e', 'a', 'd', '\n'});
  const fs::path archive = scene.in() / "app.zip";
  const std::string command = "cd '" + source.string() + "' && zip -q -X '" + archive.string() + "' app.prc readme.txt";
  if (std::system(command.c_str()) != 0) return {};
  fs::remove_all(source);
  return archive;
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
