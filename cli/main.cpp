// pressling-cli: converts each database named on the command line in turn and
// prints the report lines to standard output.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "database/conversion_run.h"
#include "database/report_surface.h"

namespace {

constexpr const char* kVersion = "0.91";

constexpr const char* kUsage =
    "Usage: pressling-cli [--thorough] [--] FILE.prc...\n"
    "Makes each Palm resource database smaller by run-length compressing its\n"
    "bitmaps and writes the result beside it as NAME_comp.prc. The input is\n"
    "never changed. When the result is not at least 1 % smaller, no file is made.\n"
    "\n"
    "  --thorough compress every bitmap and application icon with the codecs\n"
    "             Palm OS itself writes (ScanLine, per-row RLE, PackBits), in\n"
    "             the form every reader of Palm bitmaps decodes\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "  --         end of options; later arguments are files\n"
    "\n"
    "Exit status: 0 when every file was converted or had no effect, 1 when any\n"
    "file was refused or failed, 2 for a usage error.\n";

// Prints each report line on a line of its own; positions play no part.
class TextSurface : public pressling::ReportSurface {
 protected:
  void EraseText() override {}
  void DrawText(const std::string& text, float, float) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
};

volatile std::sig_atomic_t interruptedBy = 0;

void OnInterrupt(int signal) { interruptedBy = signal; }

int UsageError(const std::string& message) {
  std::fprintf(stderr, "pressling-cli: %s\nTry 'pressling-cli --help'.\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  pressling::ConversionOptions options;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!optionsEnded && arg == "--thorough") {
      options.bitmapMode = pressling::BitmapMode::Thorough;
    } else if (!optionsEnded && arg == "--version") {
      std::printf("pressling-cli %s\n", kVersion);
      return 0;
    } else if (!optionsEnded && !arg.empty() && arg[0] == '-') {
      return UsageError("unknown option " + arg);
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) return UsageError("no file given");

  // An interrupted run stops at its next event pass and cleans up like any
  // stopped run; the signal is then raised again with its default action.
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);

  TextSurface surface;
  int status = 0;
  for (const std::string& file : files) {
    if (interruptedBy != 0) break;
    pressling::RunResult result = pressling::ConvertDatabase(file, surface, [] { return interruptedBy == 0; }, options);
    switch (result.outcome) {
      case pressling::RunOutcome::Converted:
      case pressling::RunOutcome::NoEffect:
        break;
      case pressling::RunOutcome::Refused:
      case pressling::RunOutcome::Failed:
      case pressling::RunOutcome::Stopped:
      case pressling::RunOutcome::Busy:
        std::fprintf(stderr, "pressling-cli: %s\n", result.detail.c_str());
        status = 1;
        break;
    }
  }
  // A report that could not be written (a full disk behind stdout) is a failure.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "pressling-cli: cannot write the report to standard output\n");
    status = 1;
  }
  if (interruptedBy != 0) {
    std::signal(interruptedBy, SIG_DFL);
    std::raise(interruptedBy);
  }
  return status;
}
