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

std::string RunSummary::Text(const Language& language, bool dryRun) const {
  const auto n = [](auto count) { return std::to_string(count); };
  const std::string written_ =
      dryRun ? language.TrNf("%s would be written", "%s would be written", written, {n(written)})
             : language.TrNf("%s written", "%s written", written, {n(written)});
  const auto saved = static_cast<std::uint64_t>(bytesSaved > 0 ? bytesSaved : 0);
  const std::string savedText =
      dryRun ? language.TrNf("%s byte would be saved on the files that would be written",
                             "%s bytes would be saved on the files that would be written", saved, {n(bytesSaved)})
             : language.TrNf("%s byte saved on the written files", "%s bytes saved on the written files", saved,
                             {n(bytesSaved)});
  // TRANSLATORS: the summary's first line: the number of files, then how many were written, had no effect, were
  // refused and failed, each as translated on its own.
  return "pressling-cli: " +
         language.Trf("%1$s: %2$s, %3$s, %4$s, %5$s",
                      {language.TrNf("%s file", "%s files", files, {n(files)}), written_,
                       language.TrNf("%s no effect", "%s no effect", noEffect, {n(noEffect)}),
                       language.TrNf("%s refused", "%s refused", refused, {n(refused)}),
                       language.TrNf("%s failed", "%s failed", failed, {n(failed)})}) +
         "\npressling-cli: " + savedText + "\n";
}

}  // namespace pressling::cli
