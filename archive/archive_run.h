#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_rules.h"
#include "database/conversion_run.h"

namespace pressling {

// What became of one database entry of an archive.
struct ArchiveEntryResult {
  std::uint64_t index = 0;          // its place in the archive
  std::string name;                 // the stored name, as it is
  std::string label;                // "ARCHIVE.zip:path/in/archive.prc"
  EntryFigures figures;             // outcome and unpacked bytes
  std::optional<RunResult> run;     // the conversion's result, when it ran
  std::vector<std::string> report;  // the lines printed for it, the label first
  std::string detail;               // why it was not converted, for a refusal, in English; empty otherwise
  Message detailText;               // the same, for a front end to show in its language
};

struct ArchiveResult {
  RunOutcome outcome = RunOutcome::Failed;  // of the archive as a whole
  std::string detail;                       // precise reason when refused or failed, in English
  Message detailText;                       // the same, for a front end to show in its language
  std::filesystem::path outputPath;         // the kept archive (in a dry run: where it would be)
  ArchiveTotals totals;
  std::vector<ArchiveEntryResult> entries;  // the database entries, in archive order
  std::vector<std::string> report;          // the archive's own five lines
  bool AnyRefused() const;
};

// Called after each database entry, for a front end that shows more than the report lines.
using EntryObserver = std::function<void(const ArchiveEntryResult&)>;

// Converts every database entry of the archive at path and writes
// NAME_comp.zip (or options.outputPath) when at least one was made smaller.
// Each entry is inflated, at most kInflateLimit bytes, into the run's private
// folder under a name made from its index, never from its own name, and
// converted there by ConvertDatabase in the run's mode; its label and report
// lines go to surface. Then the archive's five lines: the surface is cleared
// first, so that a window shows only those.
ArchiveResult ConvertArchive(const std::string& path, ReportSurface& surface, const EventPass& eventPass = {},
                             const ConversionOptions& options = {}, const EntryObserver& observer = {});

// The archive's five lines for a result of ConvertArchive, and the device
// target's line when a target was chosen, in language, as it printed them;
// for a front end that shows them in another language too.
std::vector<std::string> ArchiveLines(const ArchiveResult& result, std::string_view archiveName,
                                      const std::optional<DeviceTarget>& device, const Language& language);

}  // namespace pressling
