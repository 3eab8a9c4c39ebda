#include "archive/archive_run.h"

#include <system_error>
#include <utility>

#include "archive/zip_reader.h"
#include "archive/zip_rewrite.h"
#include "database/database_rebuild.h"
#include "workfolder/file_io.h"
#include "workfolder/run_directory.h"

namespace pressling {

namespace fs = std::filesystem;

namespace {

// Where the window's report panel starts, as for a single database.
constexpr float kLineX = 2600;
constexpr float kFirstLineY = 400;

// Passes every line on to the surface of the run and keeps a copy.
class Recorder : public ReportSurface {
 public:
  Recorder(ReportSurface& outer, std::vector<std::string>& lines) : outer_(outer), lines_(lines) {
    printX = outer.printX;
    printY = outer.printY;
  }
  float LineHeight() const override { return outer_.LineHeight(); }

 protected:
  void EraseText() override { outer_.ClearReport(); }
  void DrawText(const std::string& text, float x, float y) override {
    lines_.push_back(text);
    outer_.SetPrintPosition(x, y);
    outer_.PrintLine(text);
  }

 private:
  ReportSurface& outer_;
  std::vector<std::string>& lines_;
};

void PrintAt(ReportSurface& surface, const std::string& line) {
  surface.SetPrintPosition(kLineX, surface.printY);
  surface.PrintLine(line);
}

Error StoppedIn(const std::string& path) { return Error{ErrorKind::Stopped, Msg("stopped while converting %s", {path})}; }

// Inflates one database entry into the run folder and converts it there.
// Returns the converted file when the entry was made smaller; an error only
// for a file operation or a stop, which end the whole archive.
Result<std::optional<fs::path>> ConvertEntry(const ZipReader& reader, const ZipEntry& entry, const fs::path& runFolder,
                                             ReportSurface& surface, const EventPass& eventPass,
                                             const ConversionOptions& options, ArchiveEntryResult& item) {
  item.figures.before = entry.size;
  const auto leave = [&](EntryOutcome outcome) -> std::optional<fs::path> {
    item.figures.outcome = outcome;
    if (outcome == EntryOutcome::OverLimit) item.figures.before = std::max(entry.size, kInflateLimit + 1);
    const std::string text = EntryOutcomeText(outcome, options.language);
    PrintAt(surface, text);
    if (IsRefusal(outcome)) {
      item.detailText = Msg("%s: %s", {item.label, EntryOutcomeMessage(outcome)});
      item.detail = item.detailText.English();
    }
    return std::nullopt;
  };
  if (entry.encrypted) return leave(EntryOutcome::Encrypted);
  if (!reader.CanInflate(entry)) return leave(EntryOutcome::UnknownMethod);
  if (entry.size > kInflateLimit) return leave(EntryOutcome::OverLimit);

  // Named by its index: no entry name reaches the file system.
  const std::string stem = "entry-" + std::to_string(entry.index);
  const fs::path copy = runFolder / (stem + ".prc");
  {
    auto output = OutputFile::Create(copy);
    if (!output) return output.error();
    auto end = reader.Inflate(entry, kInflateLimit, eventPass, [&](auto chunk) { return output->Append(chunk); });
    if (!end) return end.error();
    switch (*end) {
      case InflateEnd::Complete:
        break;
      case InflateEnd::ChecksumMismatch:
        return leave(EntryOutcome::ChecksumMismatch);
      case InflateEnd::OverLimit:
        return leave(EntryOutcome::OverLimit);
      case InflateEnd::Unreadable:
        return leave(EntryOutcome::Unreadable);
    }
    item.figures.before = output->length();
    if (auto r = output->Commit(); !r) return r.error();
  }

  ConversionOptions entryOptions = options;
  entryOptions.outputPath = runFolder / (stem + "_comp.prc");
  entryOptions.dryRun = false;  // the converted entry is needed for the new archive, which a dry run makes too
  RunResult run = ConvertDatabase(copy.string(), surface, eventPass, entryOptions);
  if (auto r = RemoveFile(copy); !r) return r.error();
  // The run's messages name the copy; the entry's label is what the user knows.
  if (run.detail.starts_with(copy.string())) {
    run.detailText = Msg("%s: %s", {item.label, run.faultText});
    run.detail = run.detailText.English();
  }
  std::optional<fs::path> converted;
  switch (run.outcome) {
    case RunOutcome::Converted:
      item.figures.outcome = EntryOutcome::Converted;
      item.figures.after = static_cast<std::uint64_t>(run.report.resultSize);
      converted = run.outputPath;
      run.outputPath.clear();
      break;
    case RunOutcome::NoEffect:
      item.figures.outcome = EntryOutcome::NoEffect;
      break;
    case RunOutcome::Refused:
      item.figures.outcome = EntryOutcome::Refused;
      item.detail = run.detail;
      item.detailText = run.detailText;
      break;
    case RunOutcome::Stopped:
      return Error{ErrorKind::Stopped, run.detailText};
    case RunOutcome::Failed:
    case RunOutcome::Busy:
      return Error{ErrorKind::FileOperation, run.detailText};
  }
  item.run = std::move(run);
  return converted;
}

// Every step of one archive; result gets the entries and totals.
// The new archive, complete and read back, is left at pending for the caller
// to name once the run folder is gone.
Result<void> RunArchive(const std::string& path, const fs::path& runFolder, ReportSurface& surface,
                        const EventPass& eventPass, const ConversionOptions& options, const EntryObserver& observer,
                        ArchiveResult& result, fs::path& pending) {
  if (!EndsInZip(path)) return Error{ErrorKind::NotDatabase, Msg("the name does not end in .zip")};
  const fs::path outputPath = options.outputPath.empty() ? fs::path(ArchiveOutputPathFor(path)) : options.outputPath;
  std::error_code ec;
  if (fs::equivalent(path, outputPath, ec))
    return Error{ErrorKind::FileOperation, Msg("the output %s is the input itself", {outputPath.string()})};
  const std::uintmax_t archiveBefore = fs::file_size(path, ec);
  if (ec) return FileFailure("read", path, ec.value());
  result.totals.archiveBefore = archiveBefore;
  auto reader = ZipReader::Open(path);
  if (!reader) return reader.error();
  if (auto r = reader->CheckStoredData(eventPass); !r) return r;

  const std::string archiveName = fs::path(path).filename().string();
  std::vector<ZipReplacement> replacements;
  std::vector<EntryFigures> figures;
  for (const ZipEntry& entry : reader->entries()) {
    if (!PassEvents(eventPass)) return StoppedIn(path);
    if (!IsDatabaseEntry(entry.name)) continue;
    ArchiveEntryResult item;
    item.index = entry.index;
    item.name = entry.name;
    item.label = EntryLabel(archiveName, entry.name);
    Recorder recorder(surface, item.report);
    PrintAt(recorder, item.label);
    auto converted = ConvertEntry(*reader, entry, runFolder, recorder, eventPass, options, item);
    if (!converted) return converted.error();
    if (*converted) replacements.push_back({entry.index, **converted});
    figures.push_back(item.figures);
    if (observer) observer(item);
    result.entries.push_back(std::move(item));
  }
  result.totals = SumEntries(figures, archiveBefore);
  if (!HasEffect(result.totals)) {
    result.outcome = RunOutcome::NoEffect;
    return {};
  }

  // A dry run makes the new archive too, for its size, in its private folder.
  // Beside the input the folder is known to exist; a chosen path may still lack its folders.
  fs::path folder = options.outputPath.empty() ? outputPath.parent_path() : AtChosenPath(outputPath).unfinishedFolder;
  if (folder.empty()) folder = ".";
  if (options.dryRun) folder = runFolder;
  auto temporary = OutputFile::CreateUnique(folder, "." + outputPath.filename().string().substr(0, 200) + ".");
  if (!temporary) return temporary.error();
  // Without a leading "./": the page's file system cannot rename onto such a
  // path, as libzip does when it finishes the archive.
  const fs::path temporaryPath = temporary->path().lexically_normal();
  if (auto r = temporary->Commit(); !r) return r;
  auto written = WriteRewrittenArchive(*reader, path, temporaryPath, replacements, eventPass);
  if (!written || options.dryRun) {
    // A clean-up that fails is tried once more; the first fault is what the user hears of.
    if (!RemoveFile(temporaryPath)) (void)RemoveFile(temporaryPath);
    if (!written) return written.error();
  } else {
    pending = temporaryPath;
  }
  result.totals.archiveAfter = *written;
  result.outcome = RunOutcome::Converted;
  result.outputPath = outputPath;
  return {};
}

// Gives the new archive its name, the run's last step; a chosen path gets its missing folders first.
Result<void> KeepArchive(const fs::path& pending, const fs::path& outputPath, const ConversionOptions& options,
                         const EventPass& eventPass) {
  if (!PassEvents(eventPass)) return StoppedIn(outputPath.string());
  if (!options.outputPath.empty()) {
    if (auto r = CreateFolders(outputPath.parent_path()); !r) return r;
  }
  return RenameFile(pending, outputPath);
}

void SetDetail(ArchiveResult& result, const std::string& path, const Error& failure) {
  const Error detail = Within(path, failure);
  result.detail = detail.message;
  result.detailText = detail.text;
}

}  // namespace

bool ArchiveResult::AnyRefused() const {
  for (const ArchiveEntryResult& entry : entries)
    if (IsRefusal(entry.figures.outcome)) return true;
  return false;
}

ArchiveResult ConvertArchive(const std::string& path, ReportSurface& surface, const EventPass& eventPass,
                             const ConversionOptions& options, const EntryObserver& observer) {
  ArchiveResult result;
  const Language& language = options.language;
  surface.ClearReport();
  surface.SetPrintPosition(kLineX, kFirstLineY);
  surface.PrintLine(language.Tr("Working on the archive…"));

  std::optional<Error> failure;
  std::error_code ec;
  const std::uintmax_t length = fs::file_size(path, ec);
  auto runFolder = RunDirectory::Create(ec ? 0 : length);
  if (!runFolder) {
    failure = runFolder.error();
  } else {
    fs::path pending;
    if (auto r = RunArchive(path, runFolder->path(), surface, eventPass, options, observer, result, pending); !r)
      failure = r.error();
    // The run folder goes before the new archive takes its name, so that a
    // failure there never replaces an older archive.
    if (auto r = runFolder->Remove(); !r && !failure) failure = r.error();
    if (!pending.empty()) {
      if (!failure) {
        if (auto r = KeepArchive(pending, result.outputPath, options, eventPass); !r) failure = r.error();
      }
      if (failure && !RemoveFile(pending)) (void)RemoveFile(pending);
    }
  }

  if (failure) {
    result.outputPath.clear();
    result.totals.archiveAfter = 0;
    const bool refused = failure->kind != ErrorKind::FileOperation && failure->kind != ErrorKind::Stopped;
    result.outcome = failure->kind == ErrorKind::Stopped ? RunOutcome::Stopped
                     : refused                           ? RunOutcome::Refused
                                                         : RunOutcome::Failed;
    SetDetail(result, path, *failure);
    if (result.outcome == RunOutcome::Stopped) return result;
  }
  Recorder recorder(surface, result.report);
  recorder.ClearReport();
  recorder.SetPrintPosition(kLineX, kFirstLineY);
  for (const std::string& line : ArchiveLines(result, fs::path(path).filename().string(), options.device, language))
    PrintAt(recorder, line);
  return result;
}

std::vector<std::string> ArchiveLines(const ArchiveResult& result, std::string_view archiveName,
                                      const std::optional<DeviceTarget>& device, const Language& language) {
  std::vector<std::string> lines;
  switch (result.outcome) {
    case RunOutcome::Converted:
      lines = ArchiveReportLines(archiveName, ArchiveEnd::Written, result.totals, "", language);
      break;
    case RunOutcome::NoEffect:
      lines = ArchiveReportLines(archiveName, ArchiveEnd::NoEffect, result.totals, "", language);
      break;
    case RunOutcome::Refused:
      lines = ArchiveReportLines(archiveName, ArchiveEnd::Refused, result.totals, NotArchiveText(language), language);
      break;
    case RunOutcome::Failed:
    case RunOutcome::Stopped:
    case RunOutcome::Busy:
      lines = ArchiveReportLines(archiveName, ArchiveEnd::Failed, result.totals, ArchiveFailureText(language), language);
      break;
  }
  if (device) lines.push_back(DeviceReportLine(*device, language));
  return lines;
}

}  // namespace pressling
