#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap/picture/bitmap_record.h"
#include "bitmap/event_pass.h"
#include "database/conversion_options.h"
#include "database/report_surface.h"
#include "workfolder/result.h"

namespace pressling {

// The values the report shows.
struct ConversionReport {
  std::string appName;  // UTF-8: first 16 characters of the database name, NULs included
  std::int32_t inputSize = 0;   // input length in bytes; 0 when no input was opened
  std::uint64_t inputLength = 0;  // the same, not cut to 32 bits, as the report shows it
  std::int32_t resultSize = 0;  // output length in bytes; 0 when nothing was rebuilt
  double ratio = 0;             // resultSize / inputSize * 100
};

enum class RunOutcome {
  Converted,  // the output was written and kept (in a dry run: would be)
  NoEffect,   // the output was not at least 1 % smaller and was deleted
  Refused,    // the path or the database was not accepted; nothing written
  Failed,     // a file or folder operation failed; nothing left behind
  Stopped,    // the event pass asked the run to stop; nothing left behind
  Busy,       // another run was active in this process; nothing printed
};

struct RunResult {
  RunOutcome outcome = RunOutcome::Failed;
  std::string detail;                 // precise reason when refused, failed or stopped, in English: "path: fault"
  Message detailText;                 // the same, for a front end to show in its language
  Message faultText;                  // the fault alone, without the path
  ErrorKind failureKind = ErrorKind::FileOperation;  // what kept a refused or failed run from its output
  std::filesystem::path outputPath;   // the kept output, when converted; in a dry run where it would be
  ConversionReport report;
  std::vector<BitmapRecord> bitmaps;  // what the run did with each bitmap, when it got to the rebuild
};

// The whole job for one dropped path: progress line, conversion, report, the
// lines in options.language.
RunResult ConvertDatabase(const std::string& path, ReportSurface& surface, const EventPass& eventPass = {},
                          const ConversionOptions& options = {});

}  // namespace pressling
