#include "ui/details_model.h"

#include <initializer_list>
#include <string_view>
#include <system_error>

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

DiskDatabase ReadAsLeft(const fs::path& path, const std::optional<FileStamp>& stamp, RunSide side,
                        const Language& language) {
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
  auto bytes = ReadWholeFile(path);
  if (!bytes) {
    database.fault = input ? language.Trf("The input file cannot be read: %s", {bytes.error().message})
                           : language.Trf("The output file cannot be read: %s", {bytes.error().message});
  } else {
    database.bytes = std::move(*bytes);
  }
  return database;
}

std::string TypeName(const std::array<std::uint8_t, 4>& type) {
  std::string name;
  for (std::uint8_t c : type) name += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
  return name;
}

// The codec's name; "none" and "unknown" are words and are translated.
std::string CodecText(BitmapCompression compression, const Language& language) {
  switch (compression) {
    case BitmapCompression::None:
      return language.TrC("bitmap compression", "none");
    case BitmapCompression::Unknown:
      return language.TrC("bitmap compression", "unknown");
    default:
      return CompressionName(compression);
  }
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
  const std::string codecBefore = CodecText(record.before.compression, language);
  if (!record.after) {
    row.bytes = language.Trf("Bytes: %s", {bytesBefore});
    row.codec = language.Trf("Left alone (compression: %1$s): %2$s", {codecBefore, LeftAloneText(record, language)});
  } else {
    const std::string bytesAfter = std::to_string(record.after->bytes);
    const std::string codecAfter = CodecText(record.after->compression, language);
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

}  // namespace

FinishedRun CaptureRun(std::filesystem::path input, RunResult result) {
  FinishedRun run;
  run.input = std::move(input);
  run.inputStamp = StampOf(run.input);
  if (result.outcome == RunOutcome::Converted) run.outputStamp = StampOf(result.outputPath);
  run.result = std::move(result);
  return run;
}

Details BuildDetails(const FinishedRun& run, const Language& language) {
  Details details;
  const RunResult& result = run.result;
  const bool converted = result.outcome == RunOutcome::Converted;
  const std::string inputName = run.input.filename().string();
  details.heading = converted ? language.Trf("Before: %1$s  After: %2$s", {inputName, result.outputPath.filename().string()})
                              : language.Trf("Before: %s", {inputName});

  if (result.bitmaps.empty()) {
    details.message = result.detail.empty() ? language.Tr("The run met no bitmaps.")
                                            : language.Trf("No bitmaps were recorded: %s", {result.detail});
    return details;
  }

  const DiskDatabase input = ReadAsLeft(run.input, run.inputStamp, RunSide::Input, language);
  DiskDatabase output;
  // A run that failed or was stopped after the rebuild has records too, but
  // no output either, and not for lack of effect.
  if (result.outcome == RunOutcome::NoEffect)
    output.fault = language.Tr("The compression had no effect, so no output file was made.");
  else if (!converted)
    output.fault = language.Tr("The run did not finish, so no output file was made.");
  else if (!run.outputStamp)
    output.fault = language.Tr("The output file is missing.");
  else
    output = ReadAsLeft(result.outputPath, run.outputStamp, RunSide::Output, language);
  for (const DiskDatabase* database : std::initializer_list<const DiskDatabase*>{&input, &output}) {
    if (database->fault.empty()) continue;
    if (!details.message.empty()) details.message += "\n";
    details.message += database->fault;
  }

  details.rows.reserve(result.bitmaps.size());
  for (const BitmapRecord& record : result.bitmaps) {
    DetailsRow row = DescribeRow(record, converted, language);
    // A family refused for a fault is not read as bitmaps at all; its reason says why.
    if (!std::string_view(record.leftAlone).starts_with(kFamilyLeftAsItWas)) {
      row.before = Render(input, record, RunSide::Input, language);
      row.after = Render(output, record, RunSide::Output, language);
    }
    details.rows.push_back(std::move(row));
  }
  return details;
}

}  // namespace pressling::ui
