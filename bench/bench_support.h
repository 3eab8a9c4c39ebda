#pragma once

// What the conversion benchmarks share: a surface that prints nothing, the
// corpus, the timed conversion, and a reporter that ends the run with ratios
// of two benchmarks.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "database/conversion_run.h"

namespace pressling::bench {

class SilentSurface : public ReportSurface {
 protected:
  void EraseText() override {}
  void DrawText(const std::string&, float, float) override {}
};

// ../shared/corpus/real beside the checkout, or $PRESSLING_CORPUS.
inline std::filesystem::path CorpusFolder() {
  if (const char* env = std::getenv("PRESSLING_CORPUS")) return env;
  return std::filesystem::path(PRESSLING_SOURCE_DIR).parent_path() / "shared" / "corpus" / "real";
}

// Every .prc file of the corpus, sorted; empty without a corpus.
inline std::vector<std::filesystem::path> CorpusDatabases() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusFolder(), ec))
    if (entry.is_regular_file() && entry.path().extension() == ".prc") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// The largest corpus database; empty without a corpus.
inline std::filesystem::path LargestCorpusDatabase() {
  std::filesystem::path largest;
  std::uintmax_t size = 0;
  for (const auto& database : CorpusDatabases()) {
    if (std::filesystem::file_size(database) > size) {
      largest = database;
      size = std::filesystem::file_size(database);
    }
  }
  return largest;
}

// Converts input in mode once per iteration; the output is removed outside the timing.
inline void Convert(benchmark::State& state, std::filesystem::path input, BitmapMode mode) {
  SilentSurface surface;
  ConversionOptions options;
  options.bitmapMode = mode;
  for (auto _ : state) {
    RunResult result = ConvertDatabase(input.string(), surface, {}, options);
    if (result.outcome != RunOutcome::Converted && result.outcome != RunOutcome::NoEffect) {
      state.SkipWithError(result.detail.c_str());
      break;
    }
    state.PauseTiming();
    if (!result.outputPath.empty()) std::filesystem::remove(result.outputPath);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(input)));
}

// Prints the usual table, then for each ratio how many times the denominator
// benchmark's time the numerator's took; format holds one conversion of a double.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Ratio {
    std::string numerator;
    std::string denominator;
    std::string format;
  };
  explicit RatioReporter(std::vector<Ratio> ratios) : ratios_(std::move(ratios)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (run.iterations > 0 && run.run_type == Run::RT_Iteration)
        seconds_[run.run_name.function_name] = run.real_accumulated_time / static_cast<double>(run.iterations);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const Ratio& ratio : ratios_) {
      auto numerator = seconds_.find(ratio.numerator);
      auto denominator = seconds_.find(ratio.denominator);
      if (numerator != seconds_.end() && denominator != seconds_.end() && denominator->second > 0)
        std::printf((ratio.format + "\n").c_str(), numerator->second / denominator->second);
    }
  }

 private:
  std::vector<Ratio> ratios_;
  std::map<std::string, double> seconds_;
};

}  // namespace pressling::bench
