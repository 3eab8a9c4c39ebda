#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "database/conversion_run.h"
#include "json/run_document.h"

namespace pressling::cli {

// What became of the files of one command line.
struct RunSummary : RunTotals {

  void Count(const RunResult& result);
  void CountRefusedBeforeRun() { ++files, ++refused; }
  void CountNotRun() { ++files, ++failed; }  // never started: the run was interrupted
  bool AllWent() const { return refused == 0 && failed == 0; }
  // Two lines in language, each ending in a line end; a dry run's say what
  // would be written and saved.
  std::string Text(const Language& language, bool dryRun = false) const;
};

}  // namespace pressling::cli
