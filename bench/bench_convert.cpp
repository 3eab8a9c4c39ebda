// The whole conversion run against a plain copy of the same file, on a
// generated 16 MiB database with 10,000 resources and on the largest database
// of the corpus. The ratios are printed at the end of the run.
//
//   pressling_bench_convert [benchmark options]
//   pressling_bench_convert --write-database PATH   (writes the generated database, for /usr/bin/time -v)
//   pressling_bench_convert --write-corpus-database PATH   (the corpus's resources in one database, for the page's bench)

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

#include "bench/bench_support.h"
#include "bench/corpus_database.h"
#include "bench/generated_database.h"
#include "database/conversion_run.h"

namespace {

namespace fs = std::filesystem;
using pressling::bench::GeneratedDatabase;
using pressling::bench::Write;

void Convert(benchmark::State& state, fs::path input) {
  pressling::bench::Convert(state, std::move(input), pressling::BitmapMode::Classic);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-database") == 0) {
    Write(argv[2], GeneratedDatabase());
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "--write-corpus-database") == 0) {
    const auto database = pressling::bench::CorpusDatabase(pressling::bench::CorpusDatabases());
    if (database.size() <= pressling::HeadSize(0)) {
      std::fprintf(stderr, "no corpus at %s\n", pressling::bench::CorpusFolder().c_str());
      return 1;
    }
    Write(argv[2], database);
    std::printf("%d resources, %zu bytes\n", database[76] * 256 + database[77], database.size());
    return 0;
  }
  benchmark::Initialize(&argc, argv);

  std::string pattern = (fs::temp_directory_path() / "pressling-bench-XXXXXX").string();
  const fs::path folder = ::mkdtemp(pattern.data());
  const fs::path generated = folder / "generated.prc";
  Write(generated, GeneratedDatabase());
  benchmark::RegisterBenchmark("Convert/generated", Convert, generated)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("Copy/generated", Copy, generated)->Unit(benchmark::kMillisecond)->UseRealTime();
  if (const fs::path corpus = pressling::bench::LargestCorpusDatabase(); !corpus.empty()) {
    const fs::path local = folder / corpus.filename();
    fs::copy_file(corpus, local);
    fs::permissions(local, fs::perms::owner_write, fs::perm_options::add);
    benchmark::RegisterBenchmark("Convert/corpus", Convert, local)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Copy/corpus", Copy, local)->Unit(benchmark::kMillisecond)->UseRealTime();
  }

  pressling::bench::RatioReporter reporter({
      {"Convert/generated", "Copy/generated", "generated: conversion takes %.1f times as long as a copy"},
      {"Convert/corpus", "Copy/corpus", "corpus: conversion takes %.1f times as long as a copy"},
  });
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  fs::remove_all(folder);
  return 0;
}
