#include "database/report_lines.h"

#include <cmath>

#include "database/report_text.h"

namespace pressling {

namespace {

// The first line when the run got no output.
std::string RefusalLine(ErrorKind kind, const Language& language) {
  switch (kind) {
    case ErrorKind::NotDatabase:
      return language.Tr("Not a PRC file");
    case ErrorKind::Corrupt:
      return language.Tr("The database is damaged");
    case ErrorKind::TooLarge:
      return language.Tr("The file is too large");
    case ErrorKind::FileOperation:
    case ErrorKind::Stopped:
      break;
  }
  return language.Tr("Processing the file failed");
}

}  // namespace

std::string ProgressLine(const Language& language) { return language.Tr("Processing…"); }

std::string RatioText(double ratio, const Language& language) {
  if (language.tag() == "ja") return FormatRatio(ratio);
  return language.Decimal(std::llround(ratio * 10));
}

std::vector<std::string> ReportLines(const RunResult& result, const Language& language,
                                     const std::optional<DeviceTarget>& device) {
  if (result.outcome == RunOutcome::Stopped || result.outcome == RunOutcome::Busy) return {};
  const ConversionReport& report = result.report;
  std::vector<std::string> lines;
  lines.push_back(language.Trf("Name: %s", {WithoutNuls(report.appName)}));
  // TRANSLATORS: the size of the file given, in bytes.
  lines.push_back(language.TrNf("Original: %s byte", "Original: %s bytes", report.inputLength,
                                {std::to_string(report.inputLength)}));
  switch (result.outcome) {
    case RunOutcome::Converted:
      // TRANSLATORS: the size of the file written, in bytes.
      lines.push_back(language.TrNf("Compressed: %s byte", "Compressed: %s bytes",
                                    static_cast<std::uint64_t>(report.resultSize), {std::to_string(report.resultSize)}));
      // TRANSLATORS: the output's size as a percentage of the input's; %% is the percent sign.
      lines.push_back(language.Trf("Ratio: %s %%", {RatioText(report.ratio, language)}));
      break;
    case RunOutcome::NoEffect:
      lines.push_back(language.Tr("Compression has no effect"));
      lines.push_back(language.Tr("No file was written"));
      break;
    default:
      lines.push_back(RefusalLine(result.failureKind, language));
      lines.push_back(language.Tr("No file was written"));
      break;
  }
  if (device) lines.push_back(DeviceReportLine(*device, language));
  return lines;
}

}  // namespace pressling
