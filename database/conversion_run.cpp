#include "database/conversion_run.h"

#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "database/database_rebuild.h"
#include "database/prc_format.h"
#include "database/report_lines.h"
#include "database/report_text.h"
#include "database/resource_split.h"
#include "workfolder/file_io.h"
#include "workfolder/run_directory.h"
#include "workfolder/work_folder.h"

namespace pressling {

namespace fs = std::filesystem;

namespace {

constexpr float kLineX = 2600;
constexpr float kFirstLineY = 400;
constexpr double kRatioThreshold = 99.0;

// One run at a time on each thread: an event pass runs on the thread of its
// run, and a run started from it (a window's next drop) would nest inside.
thread_local bool runActive = false;

class ActiveRun {
 public:
  ActiveRun() : acquired_(!std::exchange(runActive, true)) {}
  ~ActiveRun() {
    if (acquired_) runActive = false;
  }
  bool acquired() const { return acquired_; }

 private:
  bool acquired_;
};

// What a run has learnt when it ends, for the report.
struct RunState {
  PrcHeader header;              // all zero until the header was read
  std::uint64_t inputLength = 0;  // 0 until the input was opened
  std::vector<BitmapRecord> records;
};

// A clean-up step that failed once is tried again.
Result<void> RemoveWithRetry(const fs::path& path) {
  Result<void> removed;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() == fs::file_type::not_found) return {};
    removed = RemoveFile(path);
    if (removed) return {};
  }
  return removed;
}

Result<void> RemoveWorkFolder(const fs::path& workFolder) {
  if (DeleteWorkFolder(workFolder)) return {};
  return DeleteWorkFolder(workFolder);
}

// A dry run writes its output in its private folder, where it goes with the folder.
OutputPlace PlaceFor(const std::string& path, const fs::path& runFolder, const ConversionOptions& options) {
  OutputPlace place = options.outputPath.empty() ? BesideInput(path) : AtChosenPath(options.outputPath);
  if (options.dryRun) place.unfinishedFolder = runFolder;
  return place;
}

// Flushes the output to the disk and gives it its name; a chosen output path
// gets its missing folders first.
Result<void> KeepOutput(RebuiltDatabase& rebuilt, const ConversionOptions& options) {
  if (auto r = rebuilt.file->CommitDurably(); !r) return r;
  if (!options.outputPath.empty()) {
    if (auto r = CreateFolders(rebuilt.outputPath.parent_path()); !r) return r;
  }
  return RenameFile(rebuilt.temporaryPath, rebuilt.outputPath);
}

// Removes what this run wrote. An older output of that name, beside the input
// or at a chosen path, belongs to the user and stays as it is.
Result<void> DropOutput(RebuiltDatabase& rebuilt) {
  (void)rebuilt.file->Commit();  // a file that could not be closed is removed all the same
  return RemoveWithRetry(rebuilt.temporaryPath);
}

// Steps up to the rebuild: work folder, path test, head, split, rebuild.
Result<RebuiltDatabase> Convert(const std::string& path, const fs::path& runFolder, RunState& state,
                                const EventPass& eventPass, const ConversionOptions& options) {
  const fs::path workFolder = runFolder / "tmp";
  if (WorkFolderExists(workFolder)) {
    if (auto r = DeleteWorkFolder(workFolder); !r) return r.error();
  }
  if (auto r = CreateWorkFolder(workFolder); !r) return r.error();

  if (!EndsInPrc(path)) return Error{ErrorKind::NotDatabase, Msg("the name does not end in .prc")};

  auto opened = InputFile::Open(path);
  if (!opened) return opened.error();
  std::optional<InputFile> input(std::move(*opened));
  state.inputLength = input->length();
  // When the output's name leads to the input (a link), writing or deleting
  // the output would replace or delete the input.
  const fs::path outputPath = options.outputPath.empty() ? OutputPathFor(path) : options.outputPath;
  std::error_code ec;
  if (fs::equivalent(path, outputPath, ec))
    return Error{ErrorKind::FileOperation, Msg("the output %s is the input itself", {outputPath.string()})};
  DatabaseHead head;
  const GapRule gapRule = EffectiveMode(options) == BitmapMode::Thorough ? GapRule::MayBeMissing : GapRule::Required;
  auto read = ReadDatabaseHead(*input, head, gapRule);
  state.header = head.header;
  if (!read) return read.error();
  auto store = OpenPieceStore(options.pieceStorage, workFolder, runFolder);
  if (!store) return store.error();
  auto pieceLengths = SplitResources(*input, head.entries, **store, eventPass, EffectiveMode(options),
                                    &state.records, options.device);
  if (!pieceLengths) return pieceLengths.error();
  input.reset();
  // The output always has the gap: its resource 0 starts two bytes later.
  if (!head.gapPresent) SetEntryOffset(head.entries[0], static_cast<std::int32_t>(HeadSize(ResourceCount(head.header))));

  return RebuildDatabase(path, head.header, head.entries, **store, *pieceLengths, PlaceFor(path, runFolder, options),
                         eventPass);
}

void PrintReport(ReportSurface& surface, const std::vector<std::string>& lines) {
  surface.ClearReport();
  surface.SetPrintPosition(kLineX, kFirstLineY);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) surface.SetPrintPosition(kLineX, surface.printY);
    surface.PrintLine(lines[i]);
  }
}

}  // namespace

RunResult ConvertDatabase(const std::string& path, ReportSurface& surface, const EventPass& eventPass,
                          const ConversionOptions& options) {
  RunResult result;
  ActiveRun active;
  if (!active.acquired()) {
    result.outcome = RunOutcome::Busy;
    result.detailText = Msg("%s: another conversion is running", {path});
    result.detail = result.detailText.English();
    return result;
  }

  surface.ClearReport();
  surface.SetPrintPosition(kLineX, kFirstLineY);
  surface.PrintLine(ProgressLine(options.language));

  RunState state;
  std::optional<Error> failure;
  RebuiltDatabase rebuilt;
  std::error_code ec;
  const std::uintmax_t probedLength = fs::file_size(path, ec);
  auto runFolder = RunDirectory::Create(ec ? 0 : probedLength);
  if (!runFolder) {
    failure = runFolder.error();
  } else {
    auto converted = Convert(path, runFolder->path(), state, eventPass, options);
    if (converted) rebuilt = std::move(*converted);
    else failure = converted.error();
    // The work folder and the private folder go before the report, after failures too.
    if (auto r = RemoveWorkFolder(runFolder->path() / "tmp"); !r && !failure) failure = r.error();
    if (auto r = runFolder->Remove(); !r && !failure) failure = r.error();
  }

  ConversionReport& report = result.report;
  report.appName = DecodeAppName(state.header.name);
  report.inputSize = static_cast<std::int32_t>(std::min<std::uint64_t>(state.inputLength, INT32_MAX));
  report.inputLength = state.inputLength;

  if (!failure) {
    report.resultSize = rebuilt.resultSize;
    report.ratio = static_cast<double>(report.resultSize) / report.inputSize * 100;
    if (report.ratio > kRatioThreshold) {
      if (auto r = DropOutput(rebuilt); !r) failure = r.error();
      else result.outcome = RunOutcome::NoEffect;
    } else if (options.dryRun) {
      if (auto r = DropOutput(rebuilt); !r) {
        failure = r.error();
      } else {
        result.outcome = RunOutcome::Converted;
        result.outputPath = rebuilt.outputPath;
      }
    } else if (auto r = KeepOutput(rebuilt, options); !r) {
      failure = r.error();
    } else {
      result.outcome = RunOutcome::Converted;
      result.outputPath = rebuilt.outputPath;
    }
  }

  // A run that fails after the rebuild (its clean-up or the rename, say) keeps no part of its output.
  if (failure && !rebuilt.temporaryPath.empty()) (void)RemoveWithRetry(rebuilt.temporaryPath);

  if (!failure) result.bitmaps = std::move(state.records);

  if (failure) {
    const Error detail = Within(path, *failure);
    result.detail = detail.message;
    result.detailText = detail.text;
    result.faultText = failure->text;
    result.failureKind = failure->kind;
    result.outcome = failure->kind == ErrorKind::Stopped        ? RunOutcome::Stopped
                     : failure->kind == ErrorKind::FileOperation ? RunOutcome::Failed
                                                                 : RunOutcome::Refused;
  }
  if (result.outcome != RunOutcome::Stopped)
    PrintReport(surface, ReportLines(result, options.language, options.device));
  return result;
}

}  // namespace pressling
