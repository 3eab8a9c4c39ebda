#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bitmap/device/device_target.h"
#include "database/conversion_run.h"
#include "language/language.h"

namespace pressling {

// The line a run shows while it works, in language.
std::string ProgressLine(const Language& language);

// The four report lines of a run in language: name, input size, then either
// the output's size and ratio, or why there is no output and that no file was
// written; with device, a fifth line naming it. None for a run that was
// stopped or never started (Busy).
std::vector<std::string> ReportLines(const RunResult& result, const Language& language,
                                     const std::optional<DeviceTarget>& device = std::nullopt);

// The ratio with one digit after the decimal separator of language. Japanese
// writes no digit before the point when that is 0 (".5"); the others do ("0.5", "0,5").
std::string RatioText(double ratio, const Language& language);

}  // namespace pressling
