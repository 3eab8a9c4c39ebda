#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "database/conversion_run.h"

namespace pressling::cli {

// What became of the files of one command line.
struct RunSummary {
  std::size_t files = 0;
  std::size_t written = 0;
  std::size_t noEffect = 0;
  std::size_t refused = 0;
  std::size_t failed = 0;     // stopped runs included
  std::int64_t bytesSaved = 0;  // input minus output length, over the written files

  void Count(const RunResult& result);
  void CountRefusedBeforeRun() { ++files, ++refused; }
  void CountNotRun() { ++files, ++failed; }  // never started: the run was interrupted
  bool AllWent() const { return refused == 0 && failed == 0; }
  // Two lines in language, each ending in a line end; a dry run's say what
  // would be written and saved.
  std::string Text(const Language& language, bool dryRun = false) const;
};

}  // namespace pressling::cli
