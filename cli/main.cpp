// pressling-cli: converts the databases named on the command line, or found in
// the folders named there, and prints the report lines to standard output.

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "archive/archive_run.h"
#include "cli/bitmap_lines.h"
#include "cli/collection.h"
#include "cli/command_line.h"
#include "cli/ordered_report.h"
#include "cli/parallel_runs.h"
#include "cli/run_summary.h"
#include "cli/status_line.h"
#include "cli/utf8_text.h"
#include "json/run_document.h"
#include "database/conversion_run.h"
#include "database/report_surface.h"
#include "workfolder/result.h"

namespace {

using namespace pressling;

constexpr const char* kVersion = "0.91";

// The help in language, a paragraph at a time; the option names stay as they are.
std::string Usage(const Language& language) {
  return language.Tr("Usage: pressling-cli [OPTION]... [--] FILE.prc|ARCHIVE.zip|FOLDER...\n") +
         language.Trf(
             "Makes each Palm resource database smaller by run-length compressing its\n"
             "bitmaps and writes the result beside it as NAME_comp.prc. The input is\n"
             "never changed. When the result is not at least 1 %% smaller, no file is made\n"
             "and an older NAME_comp.prc stays as it was.\n"
             "An ARCHIVE.zip gives NAME_comp.zip: the same entries in the same order, each\n"
             ".prc entry converted under its own name, every other entry copied as it is.\n"
             "A FOLDER stands for every .prc and .zip file below it, in any letter case, in\n"
             "name order; links to folders are not followed and NAME_comp.prc and\n"
             "NAME_comp.zip files are skipped.\n",
             {}) +
         "\n" +
         // TRANSLATORS: keep the option names and the column where the descriptions begin.
         language.Tr(
             "  -o, --output-dir DIR  write each result into DIR instead, at the input's\n"
             "                        path below its FOLDER (a FILE straight into DIR);\n"
             "                        missing folders are made\n"
             "  -j, --jobs N          convert up to N files at once (default: one per core);\n"
             "                        the report comes out in the same order as with -j 1\n"
             "      --thorough        compress every bitmap and application icon with the\n"
             "                        codecs Palm OS itself writes (ScanLine, per-row RLE,\n"
             "                        PackBits), in the form every reader of Palm bitmaps\n"
             "                        decodes\n") +
         // TRANSLATORS: keep the option name, its value's name and the column where the description begins.
         language.Tr(
             "      --device TARGET   make the output for Palm OS 4 and older, in thorough\n"
             "                        mode, leaving out the bitmaps such a device never\n"
             "                        draws: os4 for any screen, os4:N for a deepest screen\n"
             "                        of N bits (1, 2, 4 or 8). On Palm OS 5 such an output\n"
             "                        still runs but shows low-density pictures, scaled\n") +
         // TRANSLATORS: keep the option names and the column where the descriptions begin.
         language.Tr(
             "  -n, --dry-run         do everything but write: the same report and summary,\n"
             "                        no output and no folder made\n"
             "  -v, --verbose         after each file's report, a line per bitmap: resource,\n"
             "                        size, depth, compression and bytes before -> after,\n"
             "                        or why it was kept\n"
             "      --json            print one JSON document for the whole run instead of\n"
             "                        the report lines (keys in pressling-cli(1))\n"
             "  -q, --quiet           no report lines, progress or summary; errors and the\n"
             "                        exit status stay\n"
             "      --help            show this help and exit\n"
             "      --version         show the version and exit\n"
             "      --                end of options; later arguments are files or folders\n") +
         "\n" +
         language.Tr(
             "With more than one file, standard error ends with a summary, and shows a\n"
             "progress line while it is a terminal.\n") +
         "\n" +
         language.Tr(
             "Exit status: 0 when every file was converted or had no effect, 1 when any\n"
             "file or folder was refused or failed, 2 for a usage error.\n") +
         "\n" +
         language.Tr(
             "Examples: pressling-cli app.prc              (app_comp.prc beside it)\n"
             "          pressling-cli -o out .             (every .prc below here into out/)\n"
             "          pressling-cli --thorough palm-apps (thorough mode over a folder)\n"
             "          pressling-cli games.zip            (games_comp.zip beside it)\n");
}

std::atomic<int> interruptedBy{0};

void OnInterrupt(int signal) { interruptedBy.store(signal); }

bool Interrupted() { return interruptedBy.load() != 0; }

// An interrupted run stops at its next event pass and cleans up like any
// stopped run; the signal is raised again, with its default action, once all
// runs have ended.
void CatchInterrupts() {
  static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int UsageError(const Message& message, const Language& language) {
  std::fprintf(stderr, "pressling-cli: %s\n%s\n", message.In(language).c_str(),
               language.Tr("Try 'pressling-cli --help'.").c_str());
  return 2;
}

// One file's report surface: each line goes to the ordered report, or is
// kept for the JSON document, or is dropped when the run is quiet.
class FileSurface : public ReportSurface {
 public:
  FileSurface(cli::OrderedReport& report, std::size_t file, std::vector<std::string>* kept, bool quiet)
      : report_(report), file_(file), kept_(kept), quiet_(quiet) {}

 protected:
  void EraseText() override {}
  void DrawText(const std::string& text, float, float) override {
    if (kept_) kept_->push_back(text);
    else if (!quiet_) report_.PrintLine(file_, text);
  }

 private:
  cli::OrderedReport& report_;
  std::size_t file_;
  std::vector<std::string>* kept_;
  bool quiet_;
};

// Converts one archive: its entries' lines and their bitmap lines, then the
// archive's lines and its size before and after. The message for standard
// error names each refused database inside, or the archive's own fault.
void ConvertOneArchive(const cli::Input& input, std::size_t i, ReportSurface& surface, const ConversionOptions& options,
                       const cli::CommandLine& line, const Language& language, cli::OrderedReport& report,
                       FileOutcome& file) {
  const bool text = !line.json && !line.quiet;
  EntryObserver observer = [&](const ArchiveEntryResult& entry) {
    if (line.verbose && text && entry.run)
      for (const BitmapRecord& record : entry.run->bitmaps) report.PrintLine(i, cli::BitmapLine(record, language));
  };
  ArchiveResult& archive =
      file.archive.emplace(ConvertArchive(input.path, surface, [] { return !Interrupted(); }, options, observer));
  for (const std::string& sizeLine : ArchiveSizeLines(archive.totals, options.language)) {
    archive.report.push_back(sizeLine);
    if (text) report.PrintLine(i, sizeLine);
  }
  if (archive.outcome != RunOutcome::Converted && archive.outcome != RunOutcome::NoEffect) {
    file.error = archive.detailText.In(language);
    return;
  }
  for (const ArchiveEntryResult& entry : archive.entries) {
    if (entry.detail.empty()) continue;
    if (!file.error.empty()) file.error += "\npressling-cli: ";
    file.error += entry.detailText.In(language);
  }
}

// Converts every input, several at once; the summary counts what became of
// them, and files gets one outcome per input.
cli::RunSummary ConvertAll(const std::vector<cli::Input>& inputs, const cli::CommandLine& line,
                           const Language& language, const Language& reportLanguage,
                           std::vector<FileOutcome>& files) {
  cli::StatusLine status(inputs.size() > 1 && !line.quiet, inputs.size());
  cli::OrderedReport report(inputs.size(), status);
  // One slot per file, each written by the thread that converts it; no
  // result for a file refused before its run or never started after an interrupt.
  files.assign(inputs.size(), {});
  for (std::size_t i = 0; i < inputs.size(); ++i) files[i].path = inputs[i].path;
  ConversionOptions base;
  base.bitmapMode = line.bitmapMode;
  base.device = line.device;
  base.dryRun = line.dryRun;
  base.language = reportLanguage;
  const unsigned jobs = line.jobs != 0 ? line.jobs : cli::UsableCores();

  cli::RunInParallel(inputs.size(), jobs, [&](std::size_t i) {
    const cli::Input& input = inputs[i];
    FileOutcome& file = files[i];
    if (input.refusal.empty()) {
      status.Started(input.path);
      FileSurface surface(report, i, line.json ? &file.report : nullptr, line.quiet);
      ConversionOptions options = base;
      options.outputPath = input.outputPath;
      if (EndsInZip(input.path)) {
        ConvertOneArchive(input, i, surface, options, line, language, report, file);
        report.Finish(i, file.error.empty() ? std::string() : "pressling-cli: " + file.error);
        status.Finished();
        return;
      }
      const RunResult& result =
          file.result.emplace(ConvertDatabase(input.path, surface, [] { return !Interrupted(); }, options));
      if (line.verbose && !line.json && !line.quiet)
        for (const BitmapRecord& record : result.bitmaps) report.PrintLine(i, cli::BitmapLine(record, language));
      const bool wentWell = result.outcome == RunOutcome::Converted || result.outcome == RunOutcome::NoEffect;
      if (!wentWell) file.error = result.detailText.In(language);
    } else {
      file.error = Msg("%s: %s", {cli::EscapeInvalidUtf8(input.path), input.refusalText}).In(language);
      file.refusedBeforeRun = true;
    }
    report.Finish(i, file.error.empty() ? std::string() : "pressling-cli: " + file.error);
    status.Finished();
  }, Interrupted);
  status.Close();

  cli::RunSummary summary;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (!inputs[i].refusal.empty()) {
      summary.CountRefusedBeforeRun();
    } else if (files[i].result) {
      summary.Count(*files[i].result);
    } else if (files[i].archive) {
      summary.Count(*files[i].archive);
    } else {
      files[i].error = Msg("%s: interrupted before its run", {cli::EscapeInvalidUtf8(inputs[i].path)}).In(language);
      summary.CountNotRun();
    }
  }
  return summary;
}

}  // namespace

int main(int argc, char** argv) {
  // The report is Japanese under the C locale, the other texts English there.
  const Language language = Language::ForMessagesFromEnvironment();
  const Language reportLanguage = Language::FromEnvironment();
  const cli::CommandLine line = cli::ParseCommandLine(argc, argv);
  switch (line.action) {
    case cli::CommandLine::Action::Help:
      std::fputs(Usage(language).c_str(), stdout);
      return 0;
    case cli::CommandLine::Action::Version:
      std::printf("pressling-cli %s\n", kVersion);
      return 0;
    case cli::CommandLine::Action::UsageError:
      return UsageError(line.errorText, language);
    case cli::CommandLine::Action::Run:
      break;
  }
  std::error_code ec;
  if (!line.outputDir.empty() && std::filesystem::exists(line.outputDir, ec) &&
      !std::filesystem::is_directory(line.outputDir, ec))
    return UsageError(Msg("the output folder %s is not a folder", {line.outputDir.string()}), language);

  CatchInterrupts();
  // libzip turns an entry's time fields into a time_t and back through the
  // local time zone, which shifts a time inside a skipped daylight-saving hour;
  // in UTC every time survives. The program shows no times, so nothing else changes.
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  const cli::Collection collection = cli::Collect(line.arguments, line.outputDir);
  for (const Message& error : collection.errorTexts)
    std::fprintf(stderr, "pressling-cli: %s\n", error.In(language).c_str());
  int status = collection.errors.empty() ? 0 : 1;

  // The output folder is made once there is something to put in it.
  if (!line.outputDir.empty() && !collection.inputs.empty() && !line.dryRun) {
    if (std::filesystem::create_directories(line.outputDir, ec); ec) {
      const Error error = FileFailure("create the folder", line.outputDir, ec.value());
      std::fprintf(stderr, "pressling-cli: %s\n", error.text.In(language).c_str());
      return 1;
    }
  }
  std::vector<FileOutcome> files;
  const cli::RunSummary summary = ConvertAll(collection.inputs, line, language, reportLanguage, files);
  if (!summary.AllWent()) status = 1;
  if (line.json)
    std::fputs(RunDocument(kVersion, line.device ? BitmapMode::Thorough : line.bitmapMode, line.device, line.dryRun,
                           language, files, summary).c_str(), stdout);

  // A report that could not be written (a full disk behind stdout) is a failure.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "pressling-cli: %s\n", language.Tr("cannot write the report to standard output").c_str());
    status = 1;
  }
  if (Interrupted()) {
    std::signal(interruptedBy.load(), SIG_DFL);
    std::raise(interruptedBy.load());
  }
  if ((collection.inputs.size() > 1 || summary.archives > 0) && !line.quiet) {
    std::fputs(summary.Text(language, line.dryRun).c_str(), stderr);
    std::fputs(summary.ArchiveText(language).c_str(), stderr);
  }
  return status;
}
