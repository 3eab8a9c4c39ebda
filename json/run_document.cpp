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
  if (file.archive) return OutcomeName(file.archive->outcome);
  return file.refusedBeforeRun ? "refused" : "failed";
}

const char* EntryStatus(EntryOutcome outcome) {
  if (outcome == EntryOutcome::Converted) return "written";
  if (outcome == EntryOutcome::NoEffect) return "no_effect";
  return IsRefusal(outcome) ? "refused" : "left_alone";
}

// A database inside an archive: a file object of its own, under its label.
json EntryJson(const ArchiveEntryResult& entry, const Language& language) {
  json bitmaps = json::array();
  if (entry.run)
    for (const BitmapRecord& record : entry.run->bitmaps) bitmaps.push_back(RecordJson(record, language));
  const bool rebuilt = entry.run && entry.run->outcome != RunOutcome::Refused;
  return {
      {"path", entry.label},
      {"status", EntryStatus(entry.figures.outcome)},
      {"input_bytes", entry.figures.before},
      {"output_bytes", rebuilt ? json(entry.run->report.resultSize) : json(nullptr)},
      {"output", nullptr},
      {"report", entry.report},
      {"error", entry.detail.empty() ? json(nullptr) : json(entry.detailText.In(language))},
      {"bitmaps", std::move(bitmaps)},
  };
}

json ArchiveJson(const FileOutcome& file, const Language& language) {
  const ArchiveResult& archive = *file.archive;
  const bool converted = archive.outcome == RunOutcome::Converted;
  json entries = json::array();
  for (const ArchiveEntryResult& entry : archive.entries) entries.push_back(EntryJson(entry, language));
  return {
      {"path", file.path},
      {"status", StatusName(file)},
      {"input_bytes", archive.totals.archiveBefore},
      {"output_bytes", converted ? json(archive.totals.archiveAfter) : json(nullptr)},
      {"output", converted ? json(archive.outputPath.string()) : json(nullptr)},
      {"report", archive.report},
      {"error", archive.detail.empty() ? json(nullptr) : json(archive.detailText.In(language))},
      {"bitmaps", json::array()},
      {"unpacked_input_bytes", archive.totals.unpackedBefore},
      {"unpacked_output_bytes", archive.totals.unpackedAfter},
      {"entries", std::move(entries)},
  };
}

json FileJson(const FileOutcome& file, const Language& language) {
  if (file.archive) return ArchiveJson(file, language);
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

std::string RunDocument(const char* version, BitmapMode mode, const std::optional<DeviceTarget>& device, bool dryRun,
                        const Language& language, std::span<const FileOutcome> files, const RunTotals& summary) {
  json list = json::array();
  for (const FileOutcome& file : files) list.push_back(FileJson(file, language));
  const json document = {
      {"version", version},
      {"mode", mode == BitmapMode::Thorough ? "thorough" : "classic"},
      {"device", device ? json(DeviceTargetName(*device)) : json(nullptr)},
      {"dry_run", dryRun},
      {"language", language.tag()},
      {"files", std::move(list)},
      {"summary",
       {{"files", summary.files}, {"written", summary.written}, {"no_effect", summary.noEffect},
        {"refused", summary.refused}, {"failed", summary.failed}, {"bytes_saved", summary.bytesSaved},
        {"archives", summary.archives},
        {"databases",
         {{"total", summary.databases.databases}, {"converted", summary.databases.converted},
          {"no_effect", summary.databases.noEffect}, {"refused", summary.databases.refused},
          {"left_alone", summary.databases.leftAlone}}}}},
  };
  return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace pressling
