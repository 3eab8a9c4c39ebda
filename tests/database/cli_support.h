#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/database/test_support.h"

namespace pressling::test {

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

inline std::string Text(const std::filesystem::path& path) {
  Bytes bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Runs pressling-cli with arguments (already shell-quoted) inside folder,
// with no language chosen unless environment chooses one; its standard output
// and error pass through files beside folder.
inline CliRun RunCli(const TempFolder& folder, const std::string& arguments, const std::string& environment = "") {
  const std::filesystem::path out = folder.path().string() + ".stdout";
  const std::filesystem::path err = folder.path().string() + ".stderr";
  const std::string command = "cd '" + folder.path().string() + "' && env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG " + environment + " '" PRESSLING_CLI "' " +
                              arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Text(out), Text(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return run;
}

}  // namespace pressling::test
