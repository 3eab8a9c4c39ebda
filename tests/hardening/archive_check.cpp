#include "tests/hardening/archive_check.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "archive/archive_run.h"
#include "archive/zip_reader.h"
#include "tests/hardening/conversion_check.h"
#include "workfolder/file_io.h"

namespace fs = std::filesystem;

namespace pressling::hardening {

namespace {

// Inflating stops far below the real limit, to keep each input quick.
constexpr std::uint64_t kCheckLimit = 1 << 20;

struct Area {
  fs::path root, in, tmp;
};

// Built once and never destroyed, so that the exit handler still finds it.
const Area& GetArea() {
  static const Area* const area = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/pressling-archive-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    auto* a = new Area{pattern, fs::path(pattern) / "in", fs::path(pattern) / "tmp"};
    fs::create_directory(a->in);
    fs::create_directory(a->tmp);
    ::setenv("TMPDIR", a->tmp.c_str(), 1);
    return a;
  }();
  static const bool cleanupRegistered = std::atexit([] {
                                          std::error_code ec;
                                          fs::remove_all(area->root, ec);
                                        }) == 0;
  (void)cleanupRegistered;
  return *area;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Every entry of the reader read both ways; faults of the data are answers, not failures.
std::string ReadEveryEntry(const ZipReader& reader) {
  for (const ZipEntry& entry : reader.entries()) {
    std::uint64_t inflated = 0;
    auto end = reader.Inflate(entry, kCheckLimit, {}, [&](std::span<const std::uint8_t> chunk) {
      inflated += chunk.size();
      return Result<void>();
    });
    if (!end) return "inflating entry " + std::to_string(entry.index) + " failed: " + end.error().message;
    if (inflated > kCheckLimit) return "entry " + std::to_string(entry.index) + " inflated past the limit";
    (void)reader.ReadStored(entry, [](std::span<const std::uint8_t>) { return Result<void>(); });
  }
  return {};
}

}  // namespace

std::string CheckArchiveCase(std::span<const std::uint8_t> input) {
  const Area& area = GetArea();
  for (const fs::path& dir : {area.in, area.tmp}) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) fs::remove_all(entry.path(), ec);
  }
  const fs::path in = area.in / "in.zip";
  const fs::path out = area.in / "in_comp.zip";
  if (!WriteWholeFile(in, input)) return "cannot write the input";

  auto reader = ZipReader::Open(in);
  if (reader) {
    if (std::string fault = ReadEveryEntry(*reader); !fault.empty()) return fault;
  }

  CapturingSurface surface;
  const ArchiveResult result = ConvertArchive(in.string(), surface);
  auto after = ReadWholeFile(in);
  if (!after || !std::equal(after->begin(), after->end(), input.begin(), input.end())) return "the input changed";
  if (!Names(area.tmp).empty()) return "a run folder was left in TMPDIR";
  const bool written = result.outcome == RunOutcome::Converted;
  if (result.outcome == RunOutcome::Failed || result.outcome == RunOutcome::Busy ||
      result.outcome == RunOutcome::Stopped)
    return "the run failed: " + result.detail;
  const std::vector<std::string> expected =
      written ? std::vector<std::string>{"in.zip", "in_comp.zip"} : std::vector<std::string>{"in.zip"};
  if (Names(area.in) != expected) return "the folder holds something else than the input and a complete output";
  if (surface.lines.size() != 5) return "the report has not its five lines";
  if (!written) return {};
  auto rewritten = ZipReader::Open(out);
  if (!rewritten) return "the new archive does not open: " + rewritten.error().message;
  if (!reader || rewritten->entries().size() != reader->entries().size()) return "the new archive has other entries";
  for (std::size_t i = 0; i < reader->entries().size(); ++i)
    if (rewritten->entries()[i].name != reader->entries()[i].name)
      return "entry " + std::to_string(i) + " has another name";
  return {};
}

}  // namespace pressling::hardening
