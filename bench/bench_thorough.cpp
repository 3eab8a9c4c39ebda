// Thorough mode against the classic conversion. First prints what thorough
// mode does with the corpus (outputs written and bytes saved, also for each
// device target, bitmaps rewritten per codec, bitmaps left alone by reason), then times both modes in the same
// run on the largest corpus database and on the generated database (5,000
// bitmaps that both modes compress) and prints their ratios.
//
//   pressling_bench_thorough [benchmark options]
//   PRESSLING_CORPUS=DIR selects another corpus than ../shared/corpus/real.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/generated_database.h"
#include "bitmap/device/device_target.h"
#include "bitmap/thorough/thorough_rewrite.h"
#include "database/conversion_run.h"
#include "database/prc_format.h"

namespace {

namespace fs = std::filesystem;
using pressling::BitmapMode;

using pressling::bench::CorpusDatabases;
using pressling::bench::Convert;
using pressling::bench::CorpusFolder;
using pressling::bench::SilentSurface;

// Runs thorough mode on every bitmap piece of database, adding to tally.
void TallyDatabase(const fs::path& database, pressling::ThoroughTally& tally) {
  auto input = pressling::InputFile::Open(database);
  if (!input) return;
  pressling::DatabaseHead head;
  if (!pressling::ReadDatabaseHead(*input, head, pressling::GapRule::MayBeMissing)) return;
  std::vector<std::uint8_t> piece;
  for (std::size_t i = 0; i + 1 < head.entries.size(); ++i) {
    piece.resize(static_cast<std::size_t>(pressling::EntryOffset(head.entries[i + 1]) -
                                          pressling::EntryOffset(head.entries[i])));
    if (!input->Read(piece)) return;
    const std::string type(head.entries[i].type.begin(), head.entries[i].type.end());
    if (type != "Tbmp" && type != "tAIB") continue;
    const auto kind = type == "tAIB" ? pressling::FamilyKind::ApplicationIcon : pressling::FamilyKind::Bitmap;
    if (auto rewritten = pressling::RewriteBitmapFamilyThorough(piece, {}, kind)) tally.Add(rewritten->tally);
  }
}

void PrintSurvey(const fs::path& folder) {
  const auto databases = CorpusDatabases();
  if (databases.empty()) {
    std::printf("no corpus at %s: survey skipped\n", CorpusFolder().c_str());
    return;
  }
  SilentSurface surface;
  // Classic, thorough, then thorough for each device target.
  std::vector<std::pair<std::string, pressling::ConversionOptions>> runs(2);
  runs[0].first = "classic";
  runs[1].first = "thorough";
  runs[1].second.bitmapMode = BitmapMode::Thorough;
  for (const pressling::DeviceTarget& target : pressling::DeviceTargets()) {
    runs.emplace_back("--device " + pressling::DeviceTargetName(target), pressling::ConversionOptions{});
    runs.back().second.device = target;
  }
  struct Written {
    int outputs = 0;
    std::int64_t bytesSaved = 0;
    std::size_t dropped = 0;  // bitmaps and markers left out, kept outputs or not
  };
  std::vector<Written> written(runs.size());
  pressling::ThoroughTally tally;
  for (const fs::path& database : databases) {
    const fs::path local = folder / database.filename();
    fs::copy_file(database, local, fs::copy_options::overwrite_existing);
    for (std::size_t k = 0; k < runs.size(); ++k) {
      auto result = pressling::ConvertDatabase(local.string(), surface, {}, runs[k].second);
      for (const pressling::BitmapRecord& record : result.bitmaps) written[k].dropped += record.dropped;
      if (result.outcome != pressling::RunOutcome::Converted) continue;
      written[k].outputs += 1;
      written[k].bytesSaved += result.report.inputSize - result.report.resultSize;
      fs::remove(result.outputPath);
    }
    fs::remove(local);
    TallyDatabase(database, tally);
  }
  std::printf("corpus: %zu databases\n", databases.size());
  for (std::size_t k = 0; k < runs.size(); ++k) {
    std::printf("%-16s %3d outputs written, %8lld bytes saved", (runs[k].first + ":").c_str(), written[k].outputs,
                static_cast<long long>(written[k].bytesSaved));
    if (k >= 2)
      std::printf(" (%+lld against thorough; %zu bitmaps and markers dropped)",
                  static_cast<long long>(written[k].bytesSaved - written[1].bytesSaved), written[k].dropped);
    std::printf("\n");
  }
  std::printf("thorough, bytes saved by all rewritten bitmaps, kept outputs or not: %zu\n", tally.bytesSaved);
  std::printf("thorough, bitmaps rewritten by codec:\n");
  for (std::size_t k = 0; k < pressling::kCodecCount; ++k)
    std::printf("  %-10s %zu\n", pressling::CodecName(static_cast<pressling::BitmapCodec>(k)), tally.rewritten[k]);
  std::printf("thorough, bitmaps left alone by reason:\n");
  for (std::size_t k = 0; k < pressling::kLeftAloneCount; ++k)
    std::printf("  %-48s %zu\n", pressling::LeftAloneName(static_cast<pressling::LeftAlone>(k)), tally.leftAlone[k]);
  std::printf("thorough, families left as they were (malformed, or a version other than 1-3): %zu\n",
              tally.familiesRefused);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string pattern = (fs::temp_directory_path() / "pressling-bench-XXXXXX").string();
  const fs::path folder = ::mkdtemp(pattern.data());
  PrintSurvey(folder);

  if (const fs::path largest = pressling::bench::LargestCorpusDatabase(); !largest.empty()) {
    const fs::path local = folder / largest.filename();
    fs::copy_file(largest, local);
    fs::permissions(local, fs::perms::owner_write, fs::perm_options::add);
    std::printf("largest corpus database: %s, %ju bytes\n", largest.filename().c_str(),
                static_cast<std::uintmax_t>(fs::file_size(local)));
    benchmark::RegisterBenchmark("Classic/largest", Convert, local, BitmapMode::Classic)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Thorough/largest", Convert, local, BitmapMode::Thorough)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  const fs::path generated = folder / "generated.prc";
  pressling::bench::Write(generated, pressling::bench::GeneratedDatabase());
  benchmark::RegisterBenchmark("Classic/generated", Convert, generated, BitmapMode::Classic)
      ->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("Thorough/generated", Convert, generated, BitmapMode::Thorough)
      ->Unit(benchmark::kMillisecond)->UseRealTime();
  pressling::bench::RatioReporter reporter({
      {"Thorough/largest", "Classic/largest", "largest corpus database: thorough mode takes %.2f times the classic time"},
      {"Thorough/generated", "Classic/generated", "generated database: thorough mode takes %.2f times the classic time"},
  });
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  fs::remove_all(folder);
  return 0;
}
