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

std::string RunSummary::Text(bool dryRun) const {
  return "pressling-cli: " + std::to_string(files) + " files: " + std::to_string(written) +
         (dryRun ? " would be written, " : " written, ") + std::to_string(noEffect) + " no effect, " +
         std::to_string(refused) + " refused, " + std::to_string(failed) + " failed\npressling-cli: " +
         std::to_string(bytesSaved) +
         (dryRun ? " bytes would be saved on the files that would be written\n" : " bytes saved on the written files\n");
}

}  // namespace pressling::cli
