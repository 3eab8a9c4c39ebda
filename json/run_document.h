#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>
#include <cstdint>
#include <cstddef>

#include "archive/archive_run.h"
#include "database/conversion_run.h"
#include "language/language.h"

namespace pressling {

// What became of one file of the command line.
struct FileOutcome {
  std::string path;                   // as found or given
  std::vector<std::string> report;    // the report lines its run printed, in the run's language
  std::optional<RunResult> result;    // empty when refused before any run
  std::optional<ArchiveResult> archive;  // instead of result, for an archive
  std::string error;                  // why it was refused or failed, in the language of messages; empty when none
  bool refusedBeforeRun = false;      // refused by its name or place, before any run
};

// What became of the files of a run, counted.
struct RunTotals {
  std::size_t files = 0;
  std::size_t written = 0;
  std::size_t noEffect = 0;
  std::size_t refused = 0;
  std::size_t failed = 0;       // stopped runs included
  std::int64_t bytesSaved = 0;  // input minus output length, over the written files
  // Archives count as files too; their databases are counted here, and the
  // bytes they save unpacked, on a device, go to bytesSaved.
  std::size_t archives = 0;
  ArchiveTotals databases;  // added up over the archives that ran
};

// The whole run as one JSON document (the keys are listed in the manual page
// and in docs/run.schema.json), ending in a line end. Bytes of names that are
// no valid UTF-8 become U+FFFD. language is that of the reasons (the errors
// and report lines come written); its tag is the document's "language".
// device is the target the outputs were made for, "device" null without one.
std::string RunDocument(const char* version, BitmapMode mode, const std::optional<DeviceTarget>& device, bool dryRun,
                        const Language& language, std::span<const FileOutcome> files, const RunTotals& totals);

}  // namespace pressling
