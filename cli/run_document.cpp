#include "cli/run_document.h"

#include <nlohmann/json.hpp>

#include "cli/bitmap_lines.h"

namespace pressling::cli {

namespace {

// Keys come out in the order the manual page lists them.
using json = nlohmann::ordered_json;

const char* StatusName(const FileOutcome& file) {
  if (!file.result) return "refused";
  switch (file.result->outcome) {
    case RunOutcome::Converted:
      return "written";
    case RunOutcome::NoEffect:
      return "no_effect";
    case RunOutcome::Refused:
      return "refused";
    case RunOutcome::Failed:
    case RunOutcome::Stopped:
    case RunOutcome::Busy:
      break;
  }
  return "failed";
}

json FormJson(const BitmapForm& form) {
  return {{"compression", CompressionName(form.compression)}, {"bytes", form.bytes}};
}

json BitmapJson(const BitmapRecord& record) {
  return {
      {"resource", {{"type", ResourceTypeText(record.resourceType)}, {"id", record.resourceId},
                    {"index", record.resourceIndex}}},
      {"family_index", record.familyIndex},
      {"offset", record.offset},
      {"output_offset", record.outputOffset},
      {"version", record.version},
      {"width", record.width},
      {"height", record.height},
      {"row_bytes", record.rowBytes},
      {"pixel_size", record.pixelSize},
      {"density", record.density},
      {"color_table", record.colorTable},
      {"direct_color", record.directColor},
      {"transparent", record.transparent ? json(*record.transparent) : json(nullptr)},
      {"before", FormJson(record.before)},
      {"after", record.after ? FormJson(*record.after) : json(nullptr)},
      {"left_alone", record.after ? json(nullptr) : json(record.leftAlone)},
  };
}

json FileJson(const FileOutcome& file) {
  const RunResult* run = file.result ? &*file.result : nullptr;
  const bool rebuilt = run && (run->outcome == RunOutcome::Converted || run->outcome == RunOutcome::NoEffect);
  json bitmaps = json::array();
  if (run)
    for (const BitmapRecord& record : run->bitmaps) bitmaps.push_back(BitmapJson(record));
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

std::string RunDocument(const char* version, BitmapMode mode, bool dryRun, std::span<const FileOutcome> files,
                        const RunSummary& summary) {
  json list = json::array();
  for (const FileOutcome& file : files) list.push_back(FileJson(file));
  const json document = {
      {"version", version},
      {"mode", mode == BitmapMode::Thorough ? "thorough" : "classic"},
      {"dry_run", dryRun},
      {"files", std::move(list)},
      {"summary",
       {{"files", summary.files}, {"written", summary.written}, {"no_effect", summary.noEffect},
        {"refused", summary.refused}, {"failed", summary.failed}, {"bytes_saved", summary.bytesSaved}}},
  };
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace pressling::cli
