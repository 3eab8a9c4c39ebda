#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/hardening/child_process.h"

// One folder in which pressling-cli is run under the preloaded fault shim:
// in/ holds the input, tmp/ is the child's TMPDIR, capture/ its output and
// the shim's report and log.

namespace pressling::hardening {

struct ShimReport {
  long calls = -1;      // operations counted; -1 when the child did not exit normally
  std::string hit;      // the failed operation, empty when none failed
  std::vector<std::string> log;  // "OP PATH" lines
};

class CliScene {
 public:
  explicit CliScene(const std::string& name);

  const std::filesystem::path& root() const { return folder_.path(); }
  std::filesystem::path in() const { return root() / "in"; }
  std::filesystem::path tmp() const { return root() / "tmp"; }
  std::filesystem::path capture() const { return root() / "capture"; }

  // Runs pressling-cli with args in cwd; operation failAt (0: none) under
  // watched fails, or raises signal when that is not 0.
  ChildRun Run(const std::vector<std::string>& args, const std::filesystem::path& cwd, long failAt = 0,
               const std::vector<std::filesystem::path>& watched = {}, int signal = 0);
  const ShimReport& report() const { return report_; }
  // The writes of the last run that lie neither inside TMPDIR nor at output,
  // nor at a temporary file beside output that is gone again; one per line.
  std::string StrayWrites(const std::filesystem::path& input, const std::filesystem::path& output) const;

 private:
  TestFolder folder_;
  ShimReport report_;
};

// The contents of a file; empty when it cannot be read.
std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path);
void PutFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::string> FolderNames(const std::filesystem::path& dir);

}  // namespace pressling::hardening
