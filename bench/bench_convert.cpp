// The whole conversion run against a plain copy of the same file, on a
// generated 16 MiB database with 10,000 resources and on the largest database
// of the corpus. The ratios are printed at the end of the run.
//
//   pressling_bench_convert [benchmark options]
//   pressling_bench_convert --write-database PATH   (writes the generated database, for /usr/bin/time -v)

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "database/conversion_run.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kResources = 10000;
constexpr std::size_t kDatabaseSize = 16 * 1024 * 1024 - 4096;

class SilentSurface : public pressling::ReportSurface {
 protected:
  void EraseText() override {}
  void DrawText(const std::string&, float, float) override {}
};

void Put16(Bytes& b, std::size_t at, std::size_t value) {
  b[at] = static_cast<std::uint8_t>(value >> 8);
  b[at + 1] = static_cast<std::uint8_t>(value);
}

// A version-2 bitmap of 8-bit pixels whose rows hold long runs: it packs well.
Bytes CompressibleBitmap(std::size_t length, std::mt19937& random) {
  Bytes b = {0x00, 0x28, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  Put16(b, 2, (length - 16) / 40);  // height
  while (b.size() < length) {
    const auto value = static_cast<std::uint8_t>(random());
    const std::size_t run = std::min<std::size_t>(1 + random() % 60, length - b.size());
    b.insert(b.end(), run, value);
  }
  return b;
}

// kResources resources of kDatabaseSize bytes in all; even ones "Tbmp" bitmaps,
// odd ones "code" of random bytes.
Bytes GeneratedDatabase() {
  std::mt19937 random(10000);
  const std::size_t head = 80 + 10 * kResources;
  const std::size_t each = (kDatabaseSize - head) / kResources;
  Bytes b(head, 0);
  std::memcpy(b.data(), "Generated", 9);
  b[33] = 0x01;  // attributes: resource database
  Put16(b, 76, kResources);
  for (int i = 0; i < kResources; ++i) {
    const std::size_t length = i + 1 == kResources ? kDatabaseSize - head - each * (kResources - 1) : each;
    const std::size_t entry = 78 + 10 * static_cast<std::size_t>(i);
    std::memcpy(&b[entry], i % 2 == 0 ? "Tbmp" : "code", 4);
    Put16(b, entry + 4, static_cast<std::size_t>(i));
    const std::size_t offset = b.size();
    b[entry + 7] = static_cast<std::uint8_t>(offset >> 16);
    Put16(b, entry + 8, offset & 0xFFFF);
    if (i % 2 == 0) {
      Bytes bitmap = CompressibleBitmap(length, random);
      b.insert(b.end(), bitmap.begin(), bitmap.end());
    } else {
      for (std::size_t k = 0; k < length; ++k) b.push_back(static_cast<std::uint8_t>(random()));
    }
  }
  return b;
}

void Write(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

fs::path LargestCorpusDatabase() {
  fs::path dir = fs::path(PRESSLING_SOURCE_DIR).parent_path() / "shared" / "corpus" / "real";
  if (const char* env = std::getenv("PRESSLING_CORPUS")) dir = env;
  fs::path largest;
  std::uintmax_t size = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (entry.path().extension() == ".prc" && entry.is_regular_file() && entry.file_size() > size) {
      largest = entry.path();
      size = entry.file_size();
    }
  }
  return largest;
}

void Convert(benchmark::State& state, fs::path input) {
  SilentSurface surface;
  const fs::path output = fs::path(input).replace_filename(input.stem().string() + "_comp.prc");
  for (auto _ : state) {
    pressling::RunResult result = pressling::ConvertDatabase(input.string(), surface);
    if (result.outcome != pressling::RunOutcome::Converted && result.outcome != pressling::RunOutcome::NoEffect) {
      state.SkipWithError(result.detail.c_str());
      break;
    }
    state.PauseTiming();
    fs::remove(output);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(input)));
}

void Copy(benchmark::State& state, fs::path input) {
  const fs::path output = fs::path(input).replace_filename("copy.prc");
  for (auto _ : state) {
    fs::copy_file(input, output, fs::copy_options::overwrite_existing);
    state.PauseTiming();
    fs::remove(output);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(input)));
}

// Prints the usual table, then how many times a copy each conversion took.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (run.iterations > 0) seconds_[run.benchmark_name()] = run.real_accumulated_time / run.iterations;
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* name : {"generated", "corpus"}) {
      auto convert = seconds_.find(std::string("Convert/") + name + "/real_time");
      auto copy = seconds_.find(std::string("Copy/") + name + "/real_time");
      if (convert != seconds_.end() && copy != seconds_.end() && copy->second > 0)
        std::printf("%s: conversion takes %.1f times as long as a copy\n", name, convert->second / copy->second);
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-database") == 0) {
    Write(argv[2], GeneratedDatabase());
    return 0;
  }
  benchmark::Initialize(&argc, argv);

  std::string pattern = (fs::temp_directory_path() / "pressling-bench-XXXXXX").string();
  const fs::path folder = ::mkdtemp(pattern.data());
  const fs::path generated = folder / "generated.prc";
  Write(generated, GeneratedDatabase());
  benchmark::RegisterBenchmark("Convert/generated", Convert, generated)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("Copy/generated", Copy, generated)->Unit(benchmark::kMillisecond)->UseRealTime();
  if (const fs::path corpus = LargestCorpusDatabase(); !corpus.empty()) {
    const fs::path local = folder / corpus.filename();
    fs::copy_file(corpus, local);
    fs::permissions(local, fs::perms::owner_write, fs::perm_options::add);
    benchmark::RegisterBenchmark("Convert/corpus", Convert, local)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Copy/corpus", Copy, local)->Unit(benchmark::kMillisecond)->UseRealTime();
  }

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  fs::remove_all(folder);
  return 0;
}
