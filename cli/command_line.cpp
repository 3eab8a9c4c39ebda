#include "cli/command_line.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace pressling::cli {

namespace {

constexpr unsigned kMaxJobs = 1024;

CommandLine UsageError(const Message& message) {
  CommandLine line;
  line.action = CommandLine::Action::UsageError;
  line.error = message.English();
  line.errorText = message;
  return line;
}

// The value of an option that takes one, joined to it ("-j2", "--jobs=2") or
// as the next argument; nothing when arg is not that option. missing is set
// when the option ends the command line.
std::optional<std::string> OptionValue(std::string_view arg, std::string_view shortName, std::string_view longName,
                                       int& i, int argc, const char* const* argv, bool& missing) {
  if (arg == shortName || arg == longName) {
    missing = i + 1 >= argc;
    return missing ? std::string() : std::string(argv[++i]);
  }
  if (arg.starts_with(shortName)) return std::string(arg.substr(shortName.size()));
  if (arg.starts_with(longName) && arg.size() > longName.size() && arg[longName.size()] == '=')
    return std::string(arg.substr(longName.size() + 1));
  return std::nullopt;
}

std::optional<unsigned> JobCount(std::string_view text) {
  unsigned value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxJobs) return std::nullopt;
  return value;
}

// Sets the flag of each letter of a group such as "-nv"; false when one of
// them is no such option.
bool SetShortFlags(std::string_view arg, CommandLine& line) {
  if (arg.size() < 2 || arg[0] != '-' || arg[1] == '-') return false;
  for (char c : arg.substr(1))
    if (c != 'n' && c != 'v' && c != 'q') return false;
  for (char c : arg.substr(1)) {
    if (c == 'n') line.dryRun = true;
    if (c == 'v') line.verbose = true;
    if (c == 'q') line.quiet = true;
  }
  return true;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-') {
      line.arguments.push_back(arg);
      continue;
    }
    bool missing = false;
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help") {
      line.action = CommandLine::Action::Help;
      return line;
    } else if (arg == "--version") {
      line.action = CommandLine::Action::Version;
      return line;
    } else if (arg == "--thorough") {
      line.bitmapMode = BitmapMode::Thorough;
    } else if (arg == "--dry-run") {
      line.dryRun = true;
    } else if (arg == "--verbose") {
      line.verbose = true;
    } else if (arg == "--quiet") {
      line.quiet = true;
    } else if (arg == "--json") {
      line.json = true;
    } else if (arg == "--device" || arg.starts_with("--device=")) {
      const bool joined = arg != "--device";
      if (!joined && i + 1 >= argc)
        return UsageError(Msg("--device needs a target: %s", {DeviceTargetNames()}));
      const std::string value = joined ? arg.substr(std::string_view("--device=").size()) : argv[++i];
      line.device = ParseDeviceTarget(value);
      if (!line.device)
        return UsageError(Msg("--device takes one of %s, not '%s'", {DeviceTargetNames(), value}));
    } else if (SetShortFlags(arg, line)) {
    } else if (auto dir = OptionValue(arg, "-o", "--output-dir", i, argc, argv, missing)) {
      if (missing || dir->empty()) return UsageError(Msg("%s needs a folder", {arg}));
      line.outputDir = *dir;
    } else if (auto jobs = OptionValue(arg, "-j", "--jobs", i, argc, argv, missing)) {
      if (missing) return UsageError(Msg("%s needs a number of runs", {arg}));
      auto count = JobCount(*jobs);
      if (!count)
        return UsageError(Msg("-j takes a whole number from 1 to %s, not '%s'", {std::to_string(kMaxJobs), *jobs}));
      line.jobs = *count;
    } else {
      return UsageError(Msg("unknown option %s", {arg}));
    }
  }
  if (line.arguments.empty()) return UsageError(Msg("no file given"));
  return line;
}

}  // namespace pressling::cli
