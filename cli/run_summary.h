#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/archive_run.h"
#include "database/conversion_run.h"
#include "json/run_document.h"
#include "language/language.h"

namespace pressling::cli {

// What became of the files of one command line.
struct RunSummary : RunTotals {

  void Count(const RunResult& result);
  void Count(const ArchiveResult& result);
  void CountRefusedBeforeRun() { ++files, ++refused; }
  void CountNotRun() { ++files, ++failed; }  // never started: the run was interrupted
  bool AllWent() const { return refused == 0 && failed == 0 && databases.refused == 0; }
  // Two lines in language, each ending in a line end; a dry run's say what
  // would be written and saved.
  std::string Text(const Language& language, bool dryRun = false) const;
  // One line on the archives and the databases inside them; empty without archives.
  std::string ArchiveText(const Language& language) const;
};

}  // namespace pressling::cli
