// The page's archives go through the archive module of pressling-cli: the
// archive is written into the memory file system, converted there by
// ConvertArchive with libzip as pressling-cli converts a file given by name
// in its own folder, and the new archive read back; every file is gone before
// the call returns. Answers are JSON, as for a single database.

#include <emscripten/emscripten.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "archive/archive_run.h"
#include "database/report_lines.h"
#include "bitmap/device/device_target.h"
#include "language/language.h"
#include "web/report_lines.h"
#include "web/web_support.h"

namespace pressling::web {
namespace {

namespace fs = std::filesystem;

// The page's name for what became of a database entry.
std::string EntryStatus(const ArchiveEntryResult& entry) {
  if (entry.run) return StatusName(entry.run->outcome);
  return IsRefusal(entry.figures.outcome) ? "refused" : "left-alone";
}

// One database entry: its label, outcome, report lines and detail in every language.
json EntryAnswer(const ArchiveEntryResult& entry, const std::vector<std::string>& tags) {
  json lines = json::object();
  json detail = json::object();
  for (const std::string& tag : tags) {
    const Language language = Language::FromTag(tag);
    lines[tag] = entry.run ? pressling::ReportLines(*entry.run, language)
                           : std::vector<std::string>{EntryOutcomeText(entry.figures.outcome, language)};
    detail[tag] = entry.detailText.empty() ? entry.detail : entry.detailText.In(language);
  }
  return {{"label", entry.label}, {"status", EntryStatus(entry)}, {"lines", lines},
          {"detail", entry.detail.empty() ? json("") : detail}};
}

}  // namespace
}  // namespace pressling::web

using namespace pressling;
using namespace pressling::web;

extern "C" {

// Whether name is an archive the page converts: it ends in ".zip", in any
// letter case. 1 or 0.
EMSCRIPTEN_KEEPALIVE int pressling_is_archive(const char* name) { return EndsInZip(name) ? 1 : 0; }

// Converts the archive of length bytes at bytes, named name (UTF-8), in
// thorough mode when thorough is not 0, for the device named device ("os4:2";
// empty for any device). bytes (from malloc) is freed once
// the archive is in the file system, so that the page never holds it twice
// while it is converted. Answers {status, lines, detail,
// output_name, output, databases}: status is written, no-effect, refused or
// failed; lines are the archive's five lines, the device's line and its sizes, detail the
// reason of a refusal or failure, both in every language ({tag: ...});
// output is the new archive as a block, or null; databases has one
// {label, status, lines, detail} for each database entry, in archive order.
EMSCRIPTEN_KEEPALIVE const char* pressling_convert_archive(std::uint8_t* bytes, std::size_t length, const char* name,
                                                           int thorough, const char* device, const char* tag) {
  ClearBlocks();
  const fs::path folder = RunFolder();
  const std::string plain = PlainName(name);
  const std::vector<std::string> tags = Language::Tags();
  std::error_code ec;
  const bool stored = !folder.empty() && WriteWhole(folder / plain, bytes, length);
  std::free(bytes);
  if (!stored || ::chdir(folder.c_str()) != 0) {
    if (!folder.empty()) fs::remove_all(folder, ec);
    json detail = json::object();
    for (const std::string& shown : tags)
      detail[shown] = Language::FromTag(shown).Trf("%s: cannot store the file in memory", {plain});
    return Answer({{"status", "failed"}, {"lines", json::object()}, {"detail", detail}, {"output_name", nullptr},
                   {"output", nullptr}, {"databases", json::array()}});
  }

  web::ReportLines surface;  // the run draws its report; the page takes it in every language below
  ConversionOptions options;
  options.bitmapMode = thorough != 0 ? BitmapMode::Thorough : BitmapMode::Classic;
  options.language = Language::FromTag(tag);
  options.pieceStorage = PieceStorage::Memory;
  options.device = ParseDeviceTarget(device);
  const ArchiveResult result = ConvertArchive(plain, surface, {}, options);
  (void)::chdir("/");

  json lines = json::object();
  json detail = json::object();
  for (const std::string& shown : tags) {
    const Language language = Language::FromTag(shown);
    std::vector<std::string> all = ArchiveLines(result, plain, options.device, language);
    for (std::string& line : ArchiveSizeLines(result.totals, language)) all.push_back(std::move(line));
    lines[shown] = std::move(all);
    detail[shown] = result.detailText.empty() ? result.detail : result.detailText.In(language);
  }
  json databases = json::array();
  for (const ArchiveEntryResult& entry : result.entries) databases.push_back(EntryAnswer(entry, tags));
  json reply = {{"status", StatusName(result.outcome)}, {"lines", lines}, {"detail", detail},
                {"output_name", nullptr}, {"output", nullptr}, {"databases", databases}};
  if (result.outcome == RunOutcome::Converted) {
    std::vector<std::uint8_t> archive = ReadWhole(folder / result.outputPath);
    if (archive.empty()) {
      // An archive is never empty: the one written could not be read.
      reply["status"] = "failed";
      for (const std::string& shown : tags)
        reply["detail"][shown] = Language::FromTag(shown).Trf("%s: cannot read the new archive from memory", {plain});
    } else {
      reply["output_name"] = result.outputPath.filename().string();
      reply["output"] = Block(std::move(archive));
    }
  }
  fs::remove_all(folder, ec);
  return Answer(reply);
}

}  // extern "C"
