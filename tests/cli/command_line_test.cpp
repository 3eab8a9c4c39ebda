#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace pressling::cli {
namespace {

CommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "pressling-cli");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLineTest, OptionsInEveryForm) {
  for (const auto& args : std::vector<std::vector<const char*>>{{"-o", "out", "-j", "3", "a.prc"},
                                                                {"-oout", "-j3", "a.prc"},
                                                                {"--output-dir", "out", "--jobs", "3", "a.prc"},
                                                                {"a.prc", "--output-dir=out", "--jobs=3"}}) {
    const CommandLine line = Parse(args);
    ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
    EXPECT_EQ(line.outputDir, "out");
    EXPECT_EQ(line.jobs, 3u);
    EXPECT_EQ(line.arguments, std::vector<std::string>{"a.prc"});
  }
  const CommandLine defaults = Parse({"--thorough", "--", "-o", "-j2"});
  EXPECT_EQ(defaults.action, CommandLine::Action::Run);
  EXPECT_EQ(defaults.bitmapMode, BitmapMode::Thorough);
  EXPECT_TRUE(defaults.outputDir.empty());
  EXPECT_EQ(defaults.jobs, 0u);
  EXPECT_EQ(defaults.arguments, (std::vector<std::string>{"-o", "-j2"}));
  EXPECT_EQ(Parse({"a.prc", "--help"}).action, CommandLine::Action::Help);
  EXPECT_EQ(Parse({"--version"}).action, CommandLine::Action::Version);
}

TEST(CommandLineTest, FlagsAloneAndGrouped) {
  const CommandLine none = Parse({"a.prc"});
  EXPECT_FALSE(none.dryRun || none.verbose || none.json || none.quiet);
  for (const auto& args : std::vector<std::vector<const char*>>{{"-n", "-v", "-q", "--json", "a.prc"},
                                                                {"-nvq", "--json", "a.prc"},
                                                                {"a.prc", "--dry-run", "--verbose", "--quiet", "--json"}}) {
    const CommandLine line = Parse(args);
    ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error;
    EXPECT_TRUE(line.dryRun && line.verbose && line.json && line.quiet);
    EXPECT_EQ(line.arguments, std::vector<std::string>{"a.prc"});
  }
}

TEST(CommandLineTest, UsageErrorsSayWhatIsWrong) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{}, "no file given"},
      {{"-j", "0", "a.prc"}, "-j takes a whole number from 1 to 1024, not '0'"},
      {{"--jobs=two", "a.prc"}, "-j takes a whole number from 1 to 1024, not 'two'"},
      {{"-j", "-1", "a.prc"}, "-j takes a whole number from 1 to 1024, not '-1'"},
      {{"-j2x", "a.prc"}, "-j takes a whole number from 1 to 1024, not '2x'"},
      {{"a.prc", "-j"}, "-j needs a number of runs"},
      {{"a.prc", "--output-dir"}, "--output-dir needs a folder"},
      {{"--output-dir=", "a.prc"}, "--output-dir= needs a folder"},
      {{"--loud", "a.prc"}, "unknown option --loud"},
      {{"-nx", "a.prc"}, "unknown option -nx"},
  };
  for (const auto& [args, error] : cases) {
    const CommandLine line = Parse(args);
    EXPECT_EQ(line.action, CommandLine::Action::UsageError) << error;
    EXPECT_EQ(line.error, error);
  }
}

}  // namespace
}  // namespace pressling::cli
