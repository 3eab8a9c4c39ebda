#pragma once

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/database/test_support.h"

namespace pressling::test {

inline const std::string kZipTool = std::string(PRESSLING_SOURCE_DIR) + "/tests/archive/zip_tool.py";

inline std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// Runs a shell command; its standard output, and whether it exited with 0.
struct CommandRun {
  bool ok = false;
  std::string out;
};

inline CommandRun RunCommand(const std::string& command) {
  CommandRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  run.ok = ::pclose(pipe) == 0;
  return run;
}

// What Python's zipfile reads from an archive (see zip_tool.py list).
inline nlohmann::json ListArchive(const std::filesystem::path& archive) {
  const CommandRun run = RunCommand("python3 " + Quoted(kZipTool) + " list " + Quoted(archive));
  if (!run.ok) return nullptr;
  return nlohmann::json::parse(run.out);
}

inline std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) hex += {kDigits[c >> 4], kDigits[c & 15]};
  return hex;
}

}  // namespace pressling::test
