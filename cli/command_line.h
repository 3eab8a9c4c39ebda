#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "database/conversion_options.h"
#include "language/message.h"

namespace pressling::cli {

// What the user asked for on the command line.
struct CommandLine {
  enum class Action { Run, Help, Version, UsageError };
  Action action = Action::Run;
  std::string error;                   // with UsageError: what is wrong, in English
  Message errorText;                   // the same, to show in the user's language
  std::vector<std::string> arguments;  // files and folders, in the order given
  std::filesystem::path outputDir;     // -o: empty to write beside each input
  unsigned jobs = 0;                   // -j: 0 for one per core
  BitmapMode bitmapMode = BitmapMode::Classic;
  std::optional<DeviceTarget> device;  // --device: the output is made for that device, in thorough mode
  bool dryRun = false;   // -n: everything but keeping the outputs
  bool verbose = false;  // -v: a line per bitmap after each file's report
  bool json = false;     // --json: one JSON document instead of the report lines
  bool quiet = false;    // -q: no report lines, progress or summary
};

// Reads argv[1..argc-1]. Options may come before, between and after the
// files until "--"; an option's value follows it as the next argument, or
// joined ("-j2", "--jobs=2"); the short options without a value may be
// grouped ("-nv").
CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace pressling::cli
