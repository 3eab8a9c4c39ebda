#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/archive_run.h"
#include "database/conversion_run.h"
#include "language/language.h"

namespace pressling::cli {

// What became of the files of one command line.
struct RunSummary {
  std::size_t files = 0;
  std::size_t written = 0;
  std::size_t noEffect = 0;
  std::size_t refused = 0;
  std::size_t failed = 0;     // stopped runs included
  std::int64_t bytesSaved = 0;  // input minus output length, over the written files
  // Archives count as files too; their databases are counted here, and the
  // bytes they save unpacked, on a device, go to bytesSaved.
  std::size_t archives = 0;
  ArchiveTotals databases;  // added up over the archives that ran

  void Count(const RunResult& result);
  void Count(const ArchiveResult& result);
  void CountRefusedBeforeRun() { ++files, ++refused; }
  void CountNotRun() { ++files, ++failed; }  // never started: the run was interrupted
  bool AllWent() const { return refused == 0 && failed == 0 && databases.refused == 0; }
  // Two lines, each ending in a line end; a dry run's say what would be written and saved.
  std::string Text(bool dryRun = false) const;
  // One line on the archives and the databases inside them; empty without archives.
  std::string ArchiveText(const Language& language) const;
};

}  // namespace pressling::cli
