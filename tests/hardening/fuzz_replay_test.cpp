// Replays what the fuzz targets check, in the ordinary build: the worked
// examples, every crash input found so far (regressions/), and the corpus.
#include <gtest/gtest.h>

#include "tests/common/corpus.h"
#include "tests/hardening/archive_check.h"
#include "tests/hardening/conversion_check.h"
#include "tests/hardening/prc_model.h"
#include "tests/hardening/worked_examples.h"
#include "workfolder/file_io.h"

namespace fs = std::filesystem;

namespace pressling::hardening {
namespace {

std::vector<fs::path> Regressions(const char* target) {
  std::vector<fs::path> files;
  const fs::path dir = fs::path(PRESSLING_SOURCE_DIR) / "tests" / "hardening" / "regressions" / target;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file() && entry.path().filename() != "README") files.push_back(entry.path());
  }
  return files;
}

TEST(FuzzReplay, WorkedExamples) {
  for (const auto& example : ConvertExamples()) EXPECT_EQ(CheckConvertCase(example.bytes), "") << example.name;
  for (const auto& example : FamilyExamples()) EXPECT_EQ(CheckFamilyCase(example.bytes), "") << example.name;
}

TEST(FuzzReplay, RegressionInputs) {
  for (const fs::path& file : Regressions("convert")) {
    auto bytes = ReadWholeFile(file);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(CheckConvertCase(*bytes), "") << file;
  }
  for (const fs::path& file : Regressions("family")) {
    auto bytes = ReadWholeFile(file);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(CheckFamilyCase(*bytes), "") << file;
  }
}

TEST(FuzzReplay, ArchiveInputs) {
  // Nothing, an empty archive (its end record alone), and an end record that
  // promises one entry in a central directory that is not there.
  const std::vector<std::vector<std::uint8_t>> made = {
      {},
      {'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {'P', 'K', 5, 6, 0, 0, 0, 0, 1, 0, 1, 0, 46, 0, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const auto& bytes : made) EXPECT_EQ(CheckArchiveCase(bytes), "") << bytes.size() << " bytes";
  for (const fs::path& file : Regressions("archive")) {
    auto bytes = ReadWholeFile(file);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(CheckArchiveCase(*bytes), "") << file;
  }
}

TEST(FuzzReplay, CorpusDatabasesAndTheirBitmaps) {
  PRESSLING_REQUIRE_CORPUS();
  for (const fs::path& path : test::CorpusDatabases()) {
    auto bytes = ReadWholeFile(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(CheckConvertCase(*bytes), "") << path.filename();
    auto image = ParsePrc(*bytes);
    if (!image) continue;
    for (std::size_t i = 0; i < image->resources.size(); ++i) {
      const ResourceRecord& r = image->resources[i];
      if (r.type != std::array<std::uint8_t, 4>{'T', 'b', 'm', 'p'} && r.type != std::array<std::uint8_t, 4>{'t', 'A', 'I', 'B'})
        continue;
      std::vector<std::uint8_t> input{0};
      input.insert(input.end(), r.data.begin(), r.data.end());
      EXPECT_EQ(CheckFamilyCase(input), "") << path.filename() << " resource " << i;
    }
  }
}

}  // namespace
}  // namespace pressling::hardening
