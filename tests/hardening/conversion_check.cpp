#include "tests/hardening/conversion_check.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "bitmap/classic/family_rewrite.h"
#include "bitmap/classic/family_scan.h"
#include "bitmap/device/device_slimming.h"
#include "bitmap/thorough/thorough_rewrite.h"
#include "database/conversion_run.h"
#include "tests/hardening/family_model.h"
#include "tests/hardening/prc_model.h"
#include "tests/hardening/thorough_check.h"
#include "workfolder/file_io.h"

namespace fs = std::filesystem;

namespace pressling::hardening {

namespace {

// Folders of this process: the input folder, TMPDIR, and the family's folders.
struct Area {
  fs::path root, in, tmp, family, scratch;
};

// Built once and never destroyed, so that the exit handler that removes the
// folders still finds their names after static objects are gone.
const Area& GetArea() {
  static const Area* const area = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/pressling-hardening-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    auto* a = new Area{pattern, fs::path(pattern) / "in", fs::path(pattern) / "tmp", fs::path(pattern) / "family",
                       fs::path(pattern) / "family" / "scratch"};
    for (const fs::path& dir : {a->in, a->tmp, a->family, a->scratch}) fs::create_directory(dir);
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

std::string Listing(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& n : names) text += (text.empty() ? "" : ", ") + n;
  return "[" + text + "]";
}

bool IsTbmp(const ResourceRecord& r) { return r.type == std::array<std::uint8_t, 4>{'T', 'b', 'm', 'p'}; }

std::size_t ExpectedLength(const ResourceRecord& r) {
  return IsTbmp(r) ? ExpectedRewrittenLength(r.data) : r.data.size();
}

const char* RefusalLine(Verdict verdict) {
  switch (verdict) {
    case Verdict::NotDatabase: return "PRCファイルではありません";
    case Verdict::Corrupt: return "データベースが壊れています";
    case Verdict::TooLarge: return "ファイルが大きすぎます";
    case Verdict::Accept: break;
  }
  return "";
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// A run asked to stop leaves nothing behind.
std::string CheckStopped(std::span<const std::uint8_t> input, const RunResult& run) {
  const Area& area = GetArea();
  auto now = ReadWholeFile(area.in / "x.prc");
  if (!now || !std::equal(input.begin(), input.end(), now->begin(), now->end())) return "the input changed";
  if (auto left = Names(area.tmp); !left.empty()) return "a stopped run left in TMPDIR: " + Listing(left);
  if (run.outcome != RunOutcome::Stopped) return "the run did not stop when asked";
  if (auto files = Names(area.in); files != std::vector<std::string>{"x.prc"}) return "a stopped run left " + Listing(files);
  return {};
}

// Checks the report lines and the files a finished run left in the area.
std::string CheckRun(std::span<const std::uint8_t> input, const RunResult& run, const CapturingSurface& surface) {
  const Area& area = GetArea();
  const fs::path inputPath = area.in / "x.prc";
  const fs::path outputPath = area.in / "x_comp.prc";
  auto now = ReadWholeFile(inputPath);
  if (!now || !std::equal(input.begin(), input.end(), now->begin(), now->end())) return "the input changed";
  if (auto left = Names(area.tmp); !left.empty()) return "left in TMPDIR: " + Listing(left);
  if (run.outcome == RunOutcome::Failed || run.outcome == RunOutcome::Busy || run.outcome == RunOutcome::Stopped) {
    return "the run ended with outcome " + std::to_string(static_cast<int>(run.outcome)) + ": " + run.detail;
  }
  const auto& lines = surface.lines;
  if (lines.size() != 4) return std::to_string(lines.size()) + " report lines, expected 4";
  if (!StartsWith(lines[0], "アプリ名：")) return "line 1 is " + lines[0];
  if (lines[1] != "オリジナル：" + std::to_string(input.size()) + " byte") return "line 2 is " + lines[1];

  std::string why;
  const Verdict verdict = Classify(input, &why);
  const auto files = Names(area.in);
  if (verdict != Verdict::Accept) {
    if (run.outcome != RunOutcome::Refused) return "not refused although " + why;
    if (lines[2] != RefusalLine(verdict)) return "line 3 is " + lines[2] + " for a file that is " + why;
    if (lines[3] != "ファイル作成しませんでした") return "line 4 is " + lines[3];
    if (files != std::vector<std::string>{"x.prc"}) return "a refused run left " + Listing(files);
    return {};
  }
  if (run.outcome == RunOutcome::Refused) return "an acceptable database was refused: " + run.detail;

  const std::size_t expected = ExpectedOutputLength(input);
  const double ratio = static_cast<double>(expected) / static_cast<double>(input.size()) * 100;
  if (ratio > 99.0) {
    if (run.outcome != RunOutcome::NoEffect) return "kept an output of ratio " + std::to_string(ratio);
    if (lines[2] != "圧縮効果はありません" || lines[3] != "ファイル作成しませんでした") {
      return "lines 3 and 4 are " + lines[2] + " / " + lines[3];
    }
    if (files != std::vector<std::string>{"x.prc"}) return "a run without effect left " + Listing(files);
    return {};
  }
  if (run.outcome != RunOutcome::Converted) return "no output although the ratio is " + std::to_string(ratio);
  if (files != std::vector<std::string>{"x.prc", "x_comp.prc"}) return "a converted run left " + Listing(files);
  if (run.outputPath != outputPath) return "reported output " + run.outputPath.string();
  if (lines[2] != "圧縮処理後：" + std::to_string(expected) + " byte") return "line 3 is " + lines[2];
  if (!StartsWith(lines[3], "圧縮率：") || lines[3].size() < 4 || lines[3].substr(lines[3].size() - 2) != " %") {
    return "line 4 is " + lines[3];
  }
  auto output = ReadWholeFile(outputPath);
  if (!output) return "cannot read the output: " + output.error().message;
  return CheckConvertedOutput(input, *output);
}

// Event passes of a whole run: one per resource in the split, three per
// resource in the rebuild (lengths, list, data), and one per bitmap in each
// family scan and rewrite.
std::size_t ExpectedPasses(std::span<const std::uint8_t> input) {
  auto image = ParsePrc(input);
  if (!image) return 0;
  std::size_t passes = 4 * image->resources.size();
  for (const ResourceRecord& r : image->resources) {
    if (!IsTbmp(r)) continue;
    const std::size_t bitmaps = FamilyBitmapCount(r.data);
    passes += FamilySupported(r.data) ? 2 * bitmaps : bitmaps;
  }
  return passes;
}

}  // namespace

std::size_t ExpectedOutputLength(std::span<const std::uint8_t> input) {
  auto image = ParsePrc(input);
  if (!image) return 0;
  std::size_t length = 80 + 10 * image->resources.size();
  for (const ResourceRecord& r : image->resources) length += ExpectedLength(r);
  return length;
}

std::string CheckConvertedOutput(std::span<const std::uint8_t> input, std::span<const std::uint8_t> output) {
  auto in = ParsePrc(input);
  if (!in) return "the input is not an acceptable database";
  if (output.size() != ExpectedOutputLength(input)) {
    return "the output is " + std::to_string(output.size()) + " bytes, expected " +
           std::to_string(ExpectedOutputLength(input));
  }
  std::string why;
  if (Classify(output, &why) != Verdict::Accept) return "the output does not parse: " + why;
  auto out = ParsePrc(output);
  if (out->header != in->header) return "the header changed";
  if (out->gap != std::array<std::uint8_t, 2>{0, 0}) return "the gap bytes are not zero";
  if (out->resources.size() != in->resources.size()) return "the resource count changed";
  std::uint32_t offset = 0;
  for (std::size_t i = 0; i < in->resources.size(); ++i) {
    const ResourceRecord& a = in->resources[i];
    const ResourceRecord& b = out->resources[i];
    const std::string where = "resource " + std::to_string(i) + ": ";
    if (a.type != b.type || a.id != b.id) return where + "type or id changed";
    if (i == 0 && a.offsetBytes != b.offsetBytes) return where + "entry 0 was not written back as read";
    if (i > 0 && (b.offsetBytes[0] != 0 || Offset24(b.offsetBytes) != offset)) return where + "wrong offset";
    offset = Offset24(b.offsetBytes) + static_cast<std::uint32_t>(b.data.size());
    if (IsTbmp(a) && FamilySupported(a.data)) {
      if (auto fault = CheckRewrite(a.data, b.data); !fault.empty()) return where + fault;
    } else if (a.data != b.data) {
      return where + "changed although it may not be touched";
    }
  }
  return {};
}

// Thorough mode on the same file: an accepted database is never refused, the
// input stays, nothing is left behind, and a kept output holds the same
// resources, each bitmap family as the thorough rewrite makes it.
std::string CheckThoroughRun(std::span<const std::uint8_t> input, const std::optional<DeviceTarget>& device) {
  const Area& area = GetArea();
  const fs::path inputPath = area.in / "x.prc";
  CapturingSurface surface;
  ConversionOptions options;
  options.bitmapMode = BitmapMode::Thorough;
  options.device = device;
  const RunResult run = ConvertDatabase(inputPath.string(), surface, {}, options);
  auto now = ReadWholeFile(inputPath);
  if (!now || !std::equal(input.begin(), input.end(), now->begin(), now->end())) return "the input changed";
  if (auto left = Names(area.tmp); !left.empty()) return "left in TMPDIR: " + Listing(left);
  const std::size_t lines = device ? 5 : 4;  // a target's line after the four
  if (surface.lines.size() != lines)
    return std::to_string(surface.lines.size()) + " report lines, expected " + std::to_string(lines);
  const auto in = ParsePrc(input);
  if (run.outcome == RunOutcome::Refused || run.outcome == RunOutcome::NoEffect) {
    if (in && run.outcome == RunOutcome::Refused) return "an acceptable database was refused: " + run.detail;
    return Names(area.in) == std::vector<std::string>{"x.prc"} ? std::string{} : "left " + Listing(Names(area.in));
  }
  if (run.outcome != RunOutcome::Converted) return "the run ended with outcome " + run.detail;
  auto output = ReadWholeFile(area.in / "x_comp.prc");
  if (!output) return "no output: " + output.error().message;
  if (static_cast<std::int32_t>(output->size()) != run.report.resultSize) return "the output is not as long as reported";
  const auto out = ParsePrc(*output);
  if (!out) return "the output is no acceptable database";
  if (!in) return {};  // a database without the gap bytes: the model reads only the usual layout
  if (out->header != in->header || out->resources.size() != in->resources.size()) return "the header or list changed";
  for (std::size_t i = 0; i < in->resources.size(); ++i) {
    const ResourceRecord& a = in->resources[i];
    const ResourceRecord& b = out->resources[i];
    std::vector<std::uint8_t> expected = a.data;
    const bool icon = a.type == std::array<std::uint8_t, 4>{'t', 'A', 'I', 'B'};
    if (IsTbmp(a) || icon) {
      const FamilyKind kind = icon ? FamilyKind::ApplicationIcon : FamilyKind::Bitmap;
      auto family = device ? RewriteFamilyForDevice(a.data, {}, kind, *device)
                           : RewriteBitmapFamilyThorough(a.data, {}, kind);
      if (!family) return "the family rewrite failed: " + family.error().message;
      if (family->changed) expected = family->piece;
    }
    if (a.type != b.type || a.id != b.id || b.data != expected)
      return "resource " + std::to_string(i) + " is not what the family rewrite makes of it";
  }
  return {};
}

std::string CheckConvertCase(std::span<const std::uint8_t> input) {
  const Area& area = GetArea();
  const fs::path inputPath = area.in / "x.prc";
  if (auto w = WriteWholeFile(inputPath, input); !w) return "cannot write the input: " + w.error().message;
  // Every fifth input asks the run to stop at one of its event passes.
  const std::size_t expectedPasses = ExpectedPasses(input);
  const std::size_t stopAt = expectedPasses > 0 && input.size() % 5 == 0 ? 1 + input.size() % expectedPasses : 0;
  std::size_t passes = 0;
  std::string fault;
  CapturingSurface surface;
  RunResult run = ConvertDatabase(inputPath.string(), surface, [&] {
    if (++passes == 1) {
      // A second run started from an event pass must not start.
      CapturingSurface other;
      RunResult nested = ConvertDatabase(inputPath.string(), other);
      if (nested.outcome != RunOutcome::Busy || !other.lines.empty()) fault = "a run started inside a run";
    }
    return passes != stopAt;
  });
  if (fault.empty()) fault = stopAt != 0 ? CheckStopped(input, run) : CheckRun(input, run, surface);
  if (fault.empty() && stopAt == 0 && passes != expectedPasses) {
    fault = std::to_string(passes) + " event passes, expected " + std::to_string(expectedPasses);
  }
  std::error_code ec;
  fs::remove(area.in / "x_comp.prc", ec);
  if (fault.empty()) {
    fault = CheckThoroughRun(input, std::nullopt);
    if (!fault.empty()) fault = "thorough mode: " + fault;
    fs::remove(area.in / "x_comp.prc", ec);
  }
  if (fault.empty()) {
    // Each input also runs for one of the device targets.
    const DeviceTarget target = DeviceTargets()[input.size() % DeviceTargets().size()];
    fault = CheckThoroughRun(input, target);
    if (!fault.empty()) fault = "--device " + DeviceTargetName(target) + ": " + fault;
    fs::remove(area.in / "x_comp.prc", ec);
  }
  return fault;
}

std::string CheckFamilyCase(std::span<const std::uint8_t> input) {
  if (input.empty()) return {};
  const Area& area = GetArea();
  const unsigned stopAt = input[0];
  const auto piece = input.subspan(1);
  if (auto fault = CheckThoroughRewrite(piece); !fault.empty()) return "thorough mode: " + fault;
  const DeviceTarget target = DeviceTargets()[stopAt % DeviceTargets().size()];
  if (auto fault = CheckDeviceRewrite(piece, target.screenDepth); !fault.empty())
    return "--device " + DeviceTargetName(target) + ": " + fault;
  const bool supported = FamilySupported(piece);
  const std::size_t bitmaps = supported ? FamilyBitmapCount(piece) : 0;

  unsigned passes = 0;
  auto scan = IsSupportedFamily(piece, [&] { return ++passes, true; });
  if (!scan) return "the scan failed: " + scan.error().message;
  if (*scan != supported) return supported ? "a well-formed family was not supported" : "a malformed family was supported";
  if (supported && passes != bitmaps) {
    return "the scan made " + std::to_string(passes) + " event passes for " + std::to_string(bitmaps) + " bitmaps";
  }

  const fs::path piecePath = area.family / "piece";
  if (auto w = WriteWholeFile(piecePath, piece); !w) return "cannot write the piece: " + w.error().message;
  passes = 0;
  auto rewrite = CompressBitmapFamily(piecePath, area.scratch, [&] { return ++passes != stopAt; });
  auto after = ReadWholeFile(piecePath);
  if (!after) return "the piece file is gone: " + after.error().message;
  if (auto left = Names(area.scratch); !left.empty()) return "left beside the scratch file: " + Listing(left);
  if (Names(area.family) != std::vector<std::string>{"piece", "scratch"}) return "files appeared beside the piece";
  const bool unchanged = std::equal(piece.begin(), piece.end(), after->begin(), after->end());
  if (!supported || (stopAt >= 1 && stopAt <= bitmaps)) {
    if (rewrite) return supported ? "the rewrite did not stop when asked" : "a malformed family was rewritten";
    if (supported && rewrite.error().kind != ErrorKind::Stopped) return "stopped as " + rewrite.error().message;
    return unchanged ? std::string{} : "a piece that was not rewritten changed";
  }
  if (!rewrite) return "the rewrite failed: " + rewrite.error().message;
  if (passes != bitmaps) {
    return "the rewrite made " + std::to_string(passes) + " event passes for " + std::to_string(bitmaps) + " bitmaps";
  }
  return CheckRewrite(piece, *after);
}

}  // namespace pressling::hardening
