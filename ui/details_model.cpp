#include "ui/details_model.h"

#include <initializer_list>
#include <string_view>
#include <system_error>

#include "archive/zip_reader.h"
#include "database/database_view.h"
#include "workfolder/file_io.h"

namespace pressling::ui {
namespace {

namespace fs = std::filesystem;

std::optional<FileStamp> StampOf(const fs::path& path) {
  std::error_code ec;
  FileStamp stamp;
  stamp.size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  stamp.written = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return stamp;
}

// One database of the run as it is on disk now, or why it cannot be used.
struct DiskDatabase {
  std::vector<std::uint8_t> bytes;
  std::string fault;  // empty when bytes hold the file as the run left it
};

DiskDatabase ReadAsLeft(const fs::path& path, const std::optional<FileStamp>& stamp, const char* which) {
  DiskDatabase database;
  const std::optional<FileStamp> now = StampOf(path);
  if (!now) {
    database.fault = std::string(which) + "がありません";
    return database;
  }
  if (stamp && *now != *stamp) {
    database.fault = std::string(which) + "は変換の後に変わっています";
    return database;
  }
  auto bytes = ReadWholeFile(path);
  if (!bytes) database.fault = std::string(which) + "を読めません: " + bytes.error().message;
  else database.bytes = std::move(*bytes);
  return database;
}

// A database inside an archive on disk, when the archive is as the run left it.
DiskDatabase ReadEntryAsLeft(const fs::path& path, const std::optional<FileStamp>& stamp, std::uint64_t index,
                             const char* which) {
  DiskDatabase database;
  const std::optional<FileStamp> now = StampOf(path);
  if (!now) database.fault = std::string(which) + "がありません";
  else if (stamp && *now != *stamp) database.fault = std::string(which) + "は変換の後に変わっています";
  if (!database.fault.empty()) return database;
  auto bytes = ReadArchiveEntry(path, index, kInflateLimit);
  if (!bytes) database.fault = std::string(which) + "を読めません: " + bytes.error().message;
  else database.bytes = std::move(*bytes);
  return database;
}

std::string TypeName(const std::array<std::uint8_t, 4>& type) {
  std::string name;
  for (std::uint8_t c : type) name += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
  return name;
}

DetailsPicture Render(const DiskDatabase& database, const BitmapRecord& record, RunSide side) {
  DetailsPicture shown;
  if (!database.fault.empty()) return shown;  // the dialog's message says why
  // Such as the empty bitmap that marks the start of the high-density ones.
  if (record.width == 0 || record.height == 0) {
    shown.note = "絵なし";
    return shown;
  }
  auto bitmap = LocateBitmap(database.bytes, record, side);
  if (!bitmap) {
    shown.note = "描画できません: " + bitmap.error().message;
    return shown;
  }
  auto picture = RenderBitmapPicture(*bitmap);
  if (!picture) shown.note = "描画できません: " + picture.error().message;
  else shown.picture = std::move(*picture);
  return shown;
}

DetailsRow DescribeRow(const BitmapRecord& record) {
  DetailsRow row;
  row.title = TypeName(record.resourceType) + " " + std::to_string(record.resourceId) + " #" +
              std::to_string(record.familyIndex);
  row.shape = "サイズ " + std::to_string(record.width) + "×" + std::to_string(record.height) + "　深さ " +
              std::to_string(record.pixelSize) + " ビット　密度 " + std::to_string(record.density);
  row.bytes = "バイト " + std::to_string(record.before.bytes);
  row.codec = std::string("圧縮 ") + CompressionName(record.before.compression);
  if (record.after) {
    row.bytes += " → " + std::to_string(record.after->bytes);
    row.codec += std::string(" → ") + CompressionName(record.after->compression);
  } else {
    row.codec = "そのまま（" + row.codec + "）: " + record.leftAlone;
  }
  row.scale = record.density < 144 ? 2 : 1;
  return row;
}

// One row per record, both sides rendered from the databases as read.
void AddRows(Details& details, const std::vector<BitmapRecord>& bitmaps, const DiskDatabase& input,
             const DiskDatabase& output, const std::string& group) {
  for (const BitmapRecord& record : bitmaps) {
    DetailsRow row = DescribeRow(record);
    row.group = group;
    // A family refused for a fault is not read as bitmaps at all; its reason says why.
    if (!std::string_view(record.leftAlone).starts_with(kFamilyLeftAsItWas)) {
      row.before = Render(input, record, RunSide::Input);
      row.after = Render(output, record, RunSide::Output);
    }
    details.rows.push_back(std::move(row));
  }
}

void AddMessage(Details& details, const std::string& message) {
  if (message.empty()) return;
  if (!details.message.empty()) details.message += "\n";
  details.message += message;
}

Details BuildArchiveDetails(const FinishedRun& run) {
  Details details;
  const ArchiveResult& archive = *run.archive;
  const bool written = archive.outcome == RunOutcome::Converted;
  details.heading = "変換前: " + run.input.filename().string();
  if (written) details.heading += "　変換後: " + archive.outputPath.filename().string();
  for (const ArchiveEntryResult& entry : archive.entries) {
    if (!entry.run || entry.run->bitmaps.empty()) continue;
    const DiskDatabase input = ReadEntryAsLeft(run.input, run.inputStamp, entry.index, "変換前のファイル");
    DiskDatabase output;
    if (entry.figures.outcome != EntryOutcome::Converted) output.fault = "圧縮効果がなく、変換後のファイルはありません";
    else if (!written || !run.outputStamp) output.fault = "変換後のファイルがありません";
    else output = ReadEntryAsLeft(archive.outputPath, run.outputStamp, entry.index, "変換後のファイル");
    for (const DiskDatabase* database : std::initializer_list<const DiskDatabase*>{&input, &output})
      if (!database->fault.empty()) AddMessage(details, entry.label + ": " + database->fault);
    AddRows(details, entry.run->bitmaps, input, output, entry.label);
  }
  if (details.rows.empty())
    details.message = archive.detail.empty() ? "ビットマップはありません" : "ビットマップの記録はありません: " + archive.detail;
  return details;
}

}  // namespace

FinishedRun CaptureArchiveRun(std::filesystem::path input, ArchiveResult archive) {
  RunResult result;
  result.outcome = archive.outcome;
  result.detail = archive.detail;
  result.outputPath = archive.outputPath;
  FinishedRun run = CaptureRun(std::move(input), std::move(result));
  run.archive = std::move(archive);
  return run;
}

FinishedRun CaptureRun(std::filesystem::path input, RunResult result) {
  FinishedRun run;
  run.input = std::move(input);
  run.inputStamp = StampOf(run.input);
  if (result.outcome == RunOutcome::Converted) run.outputStamp = StampOf(result.outputPath);
  run.result = std::move(result);
  return run;
}

Details BuildDetails(const FinishedRun& run) {
  if (run.archive) return BuildArchiveDetails(run);
  Details details;
  const RunResult& result = run.result;
  const bool converted = result.outcome == RunOutcome::Converted;
  details.heading = "変換前: " + run.input.filename().string();
  if (converted) details.heading += "　変換後: " + result.outputPath.filename().string();

  if (result.bitmaps.empty()) {
    details.message = result.detail.empty() ? "ビットマップはありません" : "ビットマップの記録はありません: " + result.detail;
    return details;
  }

  const DiskDatabase input = ReadAsLeft(run.input, run.inputStamp, "変換前のファイル");
  DiskDatabase output;
  if (!converted) output.fault = "圧縮効果がなく、変換後のファイルはありません";
  else if (!run.outputStamp) output.fault = "変換後のファイルがありません";
  else output = ReadAsLeft(result.outputPath, run.outputStamp, "変換後のファイル");
  for (const DiskDatabase* database : std::initializer_list<const DiskDatabase*>{&input, &output}) {
    if (database->fault.empty()) continue;
    if (!details.message.empty()) details.message += "\n";
    details.message += database->fault;
  }

  details.rows.reserve(result.bitmaps.size());
  AddRows(details, result.bitmaps, input, output, {});
  return details;
}

}  // namespace pressling::ui
