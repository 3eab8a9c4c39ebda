#include "json/run_document.h"

#include <nlohmann/json.hpp>

#include "json/record_json.h"

namespace pressling {

namespace {

// Keys come out in the order the manual page lists them.
using json = nlohmann::ordered_json;

// A file without a run was refused before it, or never started after an interrupt.
const char* StatusName(const FileOutcome& file) {
  if (file.result) return OutcomeName(file.result->outcome);
  return file.refusedBeforeRun ? "refused" : "failed";
}

json FileJson(const FileOutcome& file, const Language& language) {
  const RunResult* run = file.result ? &*file.result : nullptr;
  const bool rebuilt = run && (run->outcome == RunOutcome::Converted || run->outcome == RunOutcome::NoEffect);
  json bitmaps = json::array();
  if (run)
    for (const BitmapRecord& record : run->bitmaps) bitmaps.push_back(RecordJson(record, language));
  return {
      {"path", file.path},
      {"status", StatusName(file)},
      {"input_bytes", run ? run->report.inputSize : 0},
      {"output_bytes", rebuilt ? json(run->report.resultSize) : json(nullptr)},
      {"output", run && run->outcome == RunOutcome::Converted ? json(run->outputPath.string()) : json(nullptr)},
      {"report", file.report},
      {"error", file.error.empty() ? json(nullptr) : json(file.error)},
      {"bitmaps", std::move(bitmaps)},
  };
}

}  // namespace

std::string RunDocument(const char* version, BitmapMode mode, bool dryRun, const Language& language,
                        std::span<const FileOutcome> files, const RunTotals& summary) {
  json list = json::array();
  for (const FileOutcome& file : files) list.push_back(FileJson(file, language));
  const json document = {
      {"version", version},
      {"mode", mode == BitmapMode::Thorough ? "thorough" : "classic"},
      {"dry_run", dryRun},
      {"language", language.tag()},
      {"files", std::move(list)},
      {"summary",
       {{"files", summary.files}, {"written", summary.written}, {"no_effect", summary.noEffect},
        {"refused", summary.refused}, {"failed", summary.failed}, {"bytes_saved", summary.bytesSaved}}},
  };
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace pressling
