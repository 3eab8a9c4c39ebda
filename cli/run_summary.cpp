#include "cli/run_summary.h"

namespace pressling::cli {

void RunSummary::Count(const RunResult& result) {
  ++files;
  switch (result.outcome) {
    case RunOutcome::Converted:
      ++written;
      bytesSaved += result.report.inputSize - result.report.resultSize;
      break;
    case RunOutcome::NoEffect:
      ++noEffect;
      break;
    case RunOutcome::Refused:
      ++refused;
      break;
    case RunOutcome::Failed:
    case RunOutcome::Stopped:
    case RunOutcome::Busy:
      ++failed;
      break;
  }
}

void RunSummary::Count(const ArchiveResult& result) {
  RunResult outcome;
  outcome.outcome = result.outcome;
  Count(outcome);
  ++archives;
  databases.databases += result.totals.databases;
  databases.converted += result.totals.converted;
  databases.noEffect += result.totals.noEffect;
  databases.refused += result.totals.refused;
  databases.leftAlone += result.totals.leftAlone;
  if (result.outcome == RunOutcome::Converted)
    bytesSaved += static_cast<std::int64_t>(result.totals.unpackedBefore - result.totals.unpackedAfter);
}

std::string RunSummary::ArchiveText(const Language& language) const {
  if (archives == 0) return {};
  return "pressling-cli: " +
         language.Trf("%1$s archives, %2$s databases inside: %3$s converted, %4$s no effect, %5$s refused, "
                      "%6$s left alone",
                      {std::to_string(archives), std::to_string(databases.databases),
                       std::to_string(databases.converted), std::to_string(databases.noEffect),
                       std::to_string(databases.refused), std::to_string(databases.leftAlone)}) +
         "\n";
}

std::string RunSummary::Text(bool dryRun) const {
  return "pressling-cli: " + std::to_string(files) + " files: " + std::to_string(written) +
         (dryRun ? " would be written, " : " written, ") + std::to_string(noEffect) + " no effect, " +
         std::to_string(refused) + " refused, " + std::to_string(failed) + " failed\npressling-cli: " +
         std::to_string(bytesSaved) +
         (dryRun ? " bytes would be saved on the files that would be written\n" : " bytes saved on the written files\n");
}

}  // namespace pressling::cli
