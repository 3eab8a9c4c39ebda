// The entry points the page's worker calls. Each database is written into
// the memory file system, converted there by the core exactly as
// pressling-cli converts a file given by name in its own folder, and its
// output read back; both files are gone before the call returns. Answers are
// JSON; byte blocks are named by their place in the module's memory and stay
// valid until the next call.

#include <emscripten/emscripten.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>
#include <vector>

#include "bitmap/device/device_target.h"
#include "bitmap/picture/bitmap_picture.h"
#include "bitmap/picture/bitmap_record.h"
#include "database/conversion_run.h"
#include "database/database_view.h"
#include "database/report_lines.h"
#include "language/language.h"
#include "json/records_text.h"
#include "web/report_lines.h"
#include "web/web_support.h"

namespace pressling::web {
namespace {

namespace fs = std::filesystem;

// Every text the page's scripts mark for translation, gathered from them at build time.
constexpr const char* kPageTexts[] = {
#include "page_texts.inc"
};

}  // namespace
}  // namespace pressling::web

using namespace pressling;
using namespace pressling::web;

extern "C" {

// The page's texts in the language of tag ("ja", "en", "de", "fr"), from the
// catalogs built into the core. Answers {id: translation} for every text the
// page's scripts mark.
EMSCRIPTEN_KEEPALIVE const char* pressling_catalog(const char* tag) {
  const Language language = Language::FromTag(tag);
  json texts = json::object();
  for (const char* id : kPageTexts) texts[id] = language.Tr(id);
  return Answer(texts);
}

// Converts the database of length bytes at bytes, named name (UTF-8), in
// thorough mode when thorough is not 0, for the device named device ("os4:2";
// empty for any device, which implies thorough mode), the run in the
// language of tag. Takes bytes over (allocated with malloc) and frees them
// once the file is stored: a large database is then held once less while it
// converts, and a fresh page has that much less memory to take from the system.
// Answers {status, lines, detail, output_name, output, changed, left_alone,
// dropped, records}: the report lines and the detail in every language ({tag: ...}),
// so that they follow the page's switch; output is a block, or null when no
// output was kept; changed and left_alone count the run's bitmap records,
// and records is a block of their JSON text, each left alone with its reason
// in every language too (reasons). The page reads the records only when a
// file's details are opened, so they stay text until then.
EMSCRIPTEN_KEEPALIVE const char* pressling_convert(std::uint8_t* bytes, std::size_t length, const char* name,
                                                   int thorough, const char* device, const char* tag) {
  std::unique_ptr<std::uint8_t, decltype(&std::free)> given(bytes, &std::free);
  ClearBlocks();
  const fs::path folder = RunFolder();
  const std::string plain = PlainName(name);
  const Language language = Language::FromTag(tag);
  const std::vector<std::string> tags = Language::Tags();
  std::error_code ec;
  const bool stored = !folder.empty() && WriteWhole(folder / plain, given.get(), length);
  given.reset();
  if (!stored || ::chdir(folder.c_str()) != 0) {
    if (!folder.empty()) fs::remove_all(folder, ec);
    json detail = json::object();
    for (const std::string& shown : tags)
      detail[shown] = Language::FromTag(shown).Trf("%s: cannot store the file in memory", {plain});
    return Answer({{"status", "failed"},
                   {"lines", json::array()},
                   {"detail", detail},
                   {"output_name", nullptr},
                   {"output", nullptr},
                   {"changed", 0},
                   {"left_alone", 0},
                   {"dropped", 0},
                   {"records", nullptr}});
  }

  web::ReportLines surface;  // the run draws its report; the page takes it in every language below
  ConversionOptions options;
  options.bitmapMode = thorough != 0 ? BitmapMode::Thorough : BitmapMode::Classic;
  options.device = ParseDeviceTarget(device);
  options.language = language;
  // The pieces stay in the run's memory rather than in thousands of files of the emulated file system.
  options.pieceStorage = PieceStorage::Memory;
  const RunResult result = ConvertDatabase(plain, surface, {}, options);
  (void)::chdir("/");

  json lines = json::object();
  json detail = json::object();
  for (const std::string& shown : tags) {
    const Language other = Language::FromTag(shown);
    lines[shown] = pressling::ReportLines(result, other, options.device);
    detail[shown] = result.detailText.empty() ? result.detail : result.detailText.In(other);
  }
  json reply = {{"status", StatusName(result.outcome)}, {"lines", lines}, {"detail", detail},
                {"output_name", nullptr}, {"output", nullptr}};
  std::size_t changed = 0;
  std::size_t dropped = 0;
  for (const BitmapRecord& record : result.bitmaps) {
    if (record.after) ++changed;
    if (record.dropped) ++dropped;
  }
  reply["changed"] = changed;
  reply["left_alone"] = result.bitmaps.size() - changed - dropped;
  reply["dropped"] = dropped;
  // Each reason in every language, so that it follows the page's switch.
  std::vector<Language> languages;
  for (const std::string& shown : tags) languages.push_back(Language::FromTag(shown));
  reply["records"] = Block(RecordsJsonText(result.bitmaps, options.language, languages));
  if (result.outcome == RunOutcome::Converted) {
    reply["output_name"] = result.outputPath.filename().string();
    reply["output"] = Block(ReadWhole(folder / result.outputPath));
  }
  fs::remove_all(folder, ec);
  return Answer(reply);
}

// The picture of one recorded bitmap in the database of length bytes at
// database: the run's input when side is 0, its output when 1. The record is
// given by the fields that find it: its resource's index, its offsets in the
// input and the output, and its bytes before and after (-1: left alone).
// Answers {width, height, rgba} with rgba a block, or {error}.
EMSCRIPTEN_KEEPALIVE const char* pressling_render(const std::uint8_t* database, std::size_t length, int side,
                                                  std::uint32_t resourceIndex, std::uint32_t offset,
                                                  std::uint32_t outputOffset, std::uint32_t beforeBytes,
                                                  std::int32_t afterBytes) {
  ClearBlocks();
  BitmapRecord record;
  record.resourceIndex = resourceIndex;
  record.offset = offset;
  record.outputOffset = outputOffset;
  record.before.bytes = beforeBytes;
  if (afterBytes >= 0) record.after = BitmapForm{BitmapCompression::Unknown, static_cast<std::uint32_t>(afterBytes)};
  auto bitmap = LocateBitmap({database, length}, record, side == 0 ? RunSide::Input : RunSide::Output);
  if (!bitmap) return Answer({{"error", bitmap.error().message}});
  auto picture = RenderBitmapPicture(*bitmap);
  if (!picture) return Answer({{"error", picture.error().message}});
  return Answer({{"width", picture->width}, {"height", picture->height}, {"rgba", Block(std::move(picture->rgba))}});
}

}  // extern "C"
