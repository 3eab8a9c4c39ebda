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

// The database the run read or wrote, as it is on disk now: the file at path,
// or with entry, the database at that place of the archive at path.
DiskDatabase ReadAsLeft(const fs::path& path, const std::optional<FileStamp>& stamp,
                        std::optional<std::uint64_t> entry, RunSide side, const Language& language) {
  const bool input = side == RunSide::Input;
  DiskDatabase database;
  const std::optional<FileStamp> now = StampOf(path);
  if (!now) {
    database.fault = input ? language.Tr("The input file is missing.") : language.Tr("The output file is missing.");
    return database;
  }
  if (stamp && *now != *stamp) {
    database.fault = input ? language.Tr("The input file has changed since the run.")
                           : language.Tr("The output file has changed since the run.");
    return database;
  }
  auto bytes = entry ? ReadArchiveEntry(path, *entry, kInflateLimit) : ReadWholeFile(path);
  if (!bytes) {
    database.fault = input ? language.Trf("The input file cannot be read: %s", {bytes.error().message})
                           : language.Trf("The output file cannot be read: %s", {bytes.error().message});
  } else {
    database.bytes = std::move(*bytes);
  }
  return database;
}

// Why a run left no output to show, or nothing when it kept one. A run that
// failed or was stopped after the rebuild has records too, but no output
// either, and not for lack of effect.
std::string NoOutputFault(bool noEffect, bool written, const Language& language) {
  if (noEffect) return language.Tr("The compression had no effect, so no output file was made.");
  if (!written) return language.Tr("The run did not finish, so no output file was made.");
  return {};
}

std::string TypeName(const std::array<std::uint8_t, 4>& type) {
  std::string name;
  for (std::uint8_t c : type) name += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
  return name;
}

DetailsPicture Render(const DiskDatabase& database, const BitmapRecord& record, RunSide side,
                      const Language& language) {
  DetailsPicture shown;
  if (!database.fault.empty()) return shown;  // the dialog's message says why
  // Such as the empty bitmap that marks the start of the high-density ones.
  if (record.width == 0 || record.height == 0) {
    shown.note = language.Tr("No picture");
    return shown;
  }
  auto bitmap = LocateBitmap(database.bytes, record, side);
  if (!bitmap) {
    shown.note = language.Trf("Cannot be drawn: %s", {bitmap.error().message});
    return shown;
  }
  auto picture = RenderBitmapPicture(*bitmap);
  if (!picture) shown.note = language.Trf("Cannot be drawn: %s", {picture.error().message});
  else shown.picture = std::move(*picture);
  return shown;
}

// written: the run kept its output, so what a record's after names is in a
// file; otherwise it is only what the bitmap would have become.
DetailsRow DescribeRow(const BitmapRecord& record, bool written, const Language& language) {
  DetailsRow row;
  row.title = TypeName(record.resourceType) + " " + std::to_string(record.resourceId) + " #" +
              std::to_string(record.familyIndex);
  row.shape = language.TrNf("Size %1$s×%2$s, %3$s bit per pixel, density %4$s",
                            "Size %1$s×%2$s, %3$s bits per pixel, density %4$s", record.pixelSize,
                            {std::to_string(record.width), std::to_string(record.height),
                             std::to_string(record.pixelSize), std::to_string(record.density)});
  const std::string bytesBefore = std::to_string(record.before.bytes);
  const std::string codecBefore = CompressionText(record.before.compression, language);
  if (record.dropped) {
    row.bytes = language.Trf("Bytes: %s", {bytesBefore});
    // TRANSLATORS: in the details: a bitmap left out of an output made for a device, and why.
    row.codec = language.Trf("Dropped for the device (compression: %1$s): %2$s",
                             {codecBefore, LeftAloneText(record, language)});
  } else if (!record.after) {
    row.bytes = language.Trf("Bytes: %s", {bytesBefore});
    row.codec = language.Trf("Left alone (compression: %1$s): %2$s", {codecBefore, LeftAloneText(record, language)});
  } else {
    const std::string bytesAfter = std::to_string(record.after->bytes);
    const std::string codecAfter = CompressionText(record.after->compression, language);
    if (written) {
      row.bytes = language.Trf("Bytes: %1$s → %2$s", {bytesBefore, bytesAfter});
      row.codec = language.Trf("Compression: %1$s → %2$s", {codecBefore, codecAfter});
    } else {
      row.bytes = language.Trf("Bytes: %1$s, would have become %2$s", {bytesBefore, bytesAfter});
      row.codec = language.Trf("Compression: %1$s, would have become %2$s", {codecBefore, codecAfter});
    }
  }
  row.scale = record.density < 144 ? 2 : 1;
  return row;
}

// One row per record, both sides rendered from the databases as read;
// written: the output holds what the records' after names.
void AddRows(Details& details, const std::vector<BitmapRecord>& bitmaps, const DiskDatabase& input,
             const DiskDatabase& output, const std::string& group, bool written, const Language& language) {
  for (const BitmapRecord& record : bitmaps) {
    DetailsRow row = DescribeRow(record, written, language);
    row.group = group;
    // A family refused for a fault is not read as bitmaps at all; its reason says why.
    if (!std::string_view(record.leftAlone).starts_with(kFamilyLeftAsItWas)) {
      row.before = Render(input, record, RunSide::Input, language);
      if (record.dropped) row.after.note = language.Tr("Not in the output");
      else row.after = Render(output, record, RunSide::Output, language);
    }
    details.rows.push_back(std::move(row));
  }
}

void AddMessage(Details& details, const std::string& message) {
  if (message.empty()) return;
  if (!details.message.empty()) details.message += "\n";
  details.message += message;
}

std::string Heading(const FinishedRun& run, bool written, const std::filesystem::path& output,
                    const Language& language) {
  const std::string inputName = run.input.filename().string();
  return written ? language.Trf("Before: %1$s  After: %2$s", {inputName, output.filename().string()})
                 : language.Trf("Before: %s", {inputName});
}

std::string NoRowsMessage(const std::string& detail, const Language& language) {
  return detail.empty() ? language.Tr("The run met no bitmaps.")
                        : language.Trf("No bitmaps were recorded: %s", {detail});
}

Details BuildArchiveDetails(const FinishedRun& run, const Language& language) {
  Details details;
  const ArchiveResult& archive = *run.archive;
  const bool written = archive.outcome == RunOutcome::Converted;
  details.heading = Heading(run, written, archive.outputPath, language);
  for (const ArchiveEntryResult& entry : archive.entries) {
    if (!entry.run || entry.run->bitmaps.empty()) continue;
    const bool converted = entry.figures.outcome == EntryOutcome::Converted;
    const DiskDatabase input = ReadAsLeft(run.input, run.inputStamp, entry.index, RunSide::Input, language);
    DiskDatabase output;
    output.fault = NoOutputFault(entry.figures.outcome == EntryOutcome::NoEffect, converted && written, language);
    if (output.fault.empty()) {
      if (!run.outputStamp) output.fault = language.Tr("The output file is missing.");
      else output = ReadAsLeft(archive.outputPath, run.outputStamp, entry.index, RunSide::Output, language);
    }
    for (const DiskDatabase* database : std::initializer_list<const DiskDatabase*>{&input, &output})
      if (!database->fault.empty()) AddMessage(details, entry.label + ": " + database->fault);
    AddRows(details, entry.run->bitmaps, input, output, entry.label, converted && written, language);
  }
  if (details.rows.empty()) details.message = NoRowsMessage(archive.detail, language);
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

Details BuildDetails(const FinishedRun& run, const Language& language) {
  if (run.archive) return BuildArchiveDetails(run, language);
  Details details;
  const RunResult& result = run.result;
  const bool converted = result.outcome == RunOutcome::Converted;
  details.heading = Heading(run, converted, result.outputPath, language);
  if (result.bitmaps.empty()) {
    details.message = NoRowsMessage(result.detail, language);
    return details;
  }

  const DiskDatabase input = ReadAsLeft(run.input, run.inputStamp, std::nullopt, RunSide::Input, language);
  DiskDatabase output;
  output.fault = NoOutputFault(result.outcome == RunOutcome::NoEffect, converted, language);
  if (output.fault.empty()) {
    if (!run.outputStamp) output.fault = language.Tr("The output file is missing.");
    else output = ReadAsLeft(result.outputPath, run.outputStamp, std::nullopt, RunSide::Output, language);
  }
  for (const DiskDatabase* database : std::initializer_list<const DiskDatabase*>{&input, &output})
    AddMessage(details, database->fault);

  details.rows.reserve(result.bitmaps.size());
  AddRows(details, result.bitmaps, input, output, {}, converted, language);
  return details;
}

}  // namespace pressling::ui
