#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "archive/archive_run.h"
#include "cli/run_summary.h"
#include "database/conversion_run.h"

namespace pressling::cli {

// What became of one file of the command line.
struct FileOutcome {
  std::string path;                   // as found or given
  std::vector<std::string> report;    // the report lines its run printed
  std::optional<RunResult> result;    // empty when refused before any run
  std::optional<ArchiveResult> archive;  // instead of result, for an archive
  std::string error;                  // the message for standard error; empty when none
  bool refusedBeforeRun = false;      // refused by its name or place, before any run
};

// The whole run as one JSON document (the keys are listed in the manual page
// and in docs/run.schema.json), ending in a line end. Bytes of names that are
// no valid UTF-8 become U+FFFD.
std::string RunDocument(const char* version, BitmapMode mode, bool dryRun, std::span<const FileOutcome> files,
                        const RunSummary& summary);

}  // namespace pressling::cli
