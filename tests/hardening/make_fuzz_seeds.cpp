// Writes the seed inputs of the fuzz targets: the worked examples into
// OUT/convert and OUT/family, and every "Tbmp" and "tAIB" resource of the databases in
// CORPUS (when given) into OUT/family. The databases themselves are read by
// the convert target straight from CORPUS.
#include <cstdio>
#include <filesystem>

#include "tests/hardening/prc_model.h"
#include "tests/hardening/worked_examples.h"
#include "workfolder/file_io.h"

namespace fs = std::filesystem;
using namespace pressling::hardening;

namespace {

bool Write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  auto written = pressling::WriteWholeFile(path, bytes);
  if (!written) std::fprintf(stderr, "%s\n", written.error().message.c_str());
  return written.ok();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s OUT [CORPUS]\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  fs::create_directories(out / "convert");
  fs::create_directories(out / "family");
  for (const auto& example : ConvertExamples()) {
    if (!Write(out / "convert" / example.name, example.bytes)) return 1;
  }
  for (const auto& example : FamilyExamples()) {
    if (!Write(out / "family" / example.name, example.bytes)) return 1;
  }
  std::size_t pieces = 0;
  if (argc == 3 && fs::is_directory(argv[2])) {
    for (const auto& entry : fs::directory_iterator(argv[2])) {
      if (entry.path().extension() != ".prc") continue;
      auto file = pressling::ReadWholeFile(entry.path());
      if (!file) continue;
      auto image = ParsePrc(*file);
      if (!image) continue;
      for (std::size_t i = 0; i < image->resources.size(); ++i) {
        const ResourceRecord& r = image->resources[i];
        const bool bitmaps = r.type == std::array<std::uint8_t, 4>{'T', 'b', 'm', 'p'} ||
                             r.type == std::array<std::uint8_t, 4>{'t', 'A', 'I', 'B'};
        if (!bitmaps || r.data.size() > 65536) continue;
        std::vector<std::uint8_t> seed{0};
        seed.insert(seed.end(), r.data.begin(), r.data.end());
        if (!Write(out / "family" / (entry.path().stem().string() + "-" + std::to_string(i)), seed)) return 1;
        ++pieces;
      }
    }
  }
  std::printf("seeds in %s: %zu worked examples, %zu corpus bitmap families\n", out.c_str(),
              ConvertExamples().size() + FamilyExamples().size(), pieces);
  return 0;
}
