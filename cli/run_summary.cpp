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
  const auto n = [](auto count) { return std::to_string(count); };
  // TRANSLATORS: the summary's archive line: the archives, the databases inside them, then how many of those were
  // converted, had no effect, were refused and were left alone.
  return "pressling-cli: " +
         language.Trf("%1$s, %2$s inside: %3$s converted, %4$s no effect, %5$s refused, %6$s left alone",
                      {language.TrNf("%s archive", "%s archives", archives, {n(archives)}),
                       language.TrNf("%s database", "%s databases", databases.databases, {n(databases.databases)}),
                       n(databases.converted), n(databases.noEffect), n(databases.refused), n(databases.leftAlone)}) +
         "\n";
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
