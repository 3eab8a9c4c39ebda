// Every bitmap that thorough mode rewrites in the corpus must decode, with
// netpbm's palmtopnm as an independent reader, to the same image as before.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "bitmap/bitmap_layout.h"
#include "bitmap/thorough_rewrite.h"
#include "bitmap/thorough_walk.h"
#include "database/conversion_run.h"
#include "tests/common/corpus.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

std::optional<fs::path> FindPalmtopnm() {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const fs::path candidate = fs::path(folders.substr(start, end - start)) / "palmtopnm";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

struct Resource {
  std::string type;
  Bytes data;
};

// The resources of a database, cut at their offsets.
std::vector<Resource> Resources(const Bytes& b) {
  std::vector<Resource> resources;
  const std::size_t n = std::size_t{b[76]} << 8 | b[77];
  auto offset = [&](std::size_t i) {
    const std::size_t at = 78 + 10 * i + 7;
    return i < n ? std::size_t{b[at]} << 16 | std::size_t{b[at + 1]} << 8 | b[at + 2] : b.size();
  };
  for (std::size_t i = 0; i < n; ++i)
    resources.push_back({std::string(b.begin() + 78 + 10 * i, b.begin() + 82 + 10 * i),
                         Bytes(b.begin() + offset(i), b.begin() + offset(i + 1))});
  return resources;
}

// The image palmtopnm makes of one rendition of the family in file, or nothing when it fails.
std::optional<Bytes> Palmtopnm(const fs::path& program, const fs::path& file, int rendition) {
  const fs::path image = fs::path(file).replace_extension(".pnm");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, image.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string renditionText = std::to_string(rendition);
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("-rendition"), renditionText.data(),
                  const_cast<char*>(file.c_str()), nullptr};
  pid_t child = -1;
  const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  return test::ReadBytes(image);
}

bool IsMarker(const Bytes& piece, const WalkedBitmap& bitmap) {
  return piece[bitmap.position + 9] == 1 && piece[bitmap.position + 8] == kMarkerPixelSize;
}

TEST(PalmtopnmCorpusTest, EveryRewrittenBitmapDecodesToTheSameImage) {
  PRESSLING_REQUIRE_CORPUS();
  const auto palmtopnm = FindPalmtopnm();
  if (!palmtopnm) GTEST_SKIP() << "palmtopnm (Debian netpbm) is not installed; scripts/test.sh installs it";

  int compared = 0, rewrittenBitmaps = 0, unreadableOriginals = 0, outputs = 0;
  for (const fs::path& source : test::CorpusDatabases()) {
    SCOPED_TRACE(source.filename().string());
    test::TempFolder folder;
    test::TmpDirOverride tmpDir(folder.path());
    const Bytes input = test::ReadBytes(source);
    test::WriteBytes(folder / "db.prc", input);
    test::RecordingSurface surface;
    ConversionOptions options;
    options.bitmapMode = BitmapMode::Thorough;
    const RunResult result = ConvertDatabase((folder / "db.prc").string(), surface, {}, options);
    if (result.outcome == RunOutcome::Refused) continue;
    ASSERT_TRUE(result.outcome == RunOutcome::Converted || result.outcome == RunOutcome::NoEffect) << result.detail;

    // The output holds what the family rewrite makes of each piece; the 1 %
    // rule may have deleted it, so the pieces are checked in any case.
    const std::vector<Resource> before = Resources(input);
    std::vector<Resource> after;
    if (result.outcome == RunOutcome::Converted) {
      ++outputs;
      after = Resources(test::ReadBytes(folder / "db_comp.prc"));
      ASSERT_EQ(after.size(), before.size());
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
      SCOPED_TRACE("resource " + std::to_string(i) + " " + before[i].type);
      Bytes rewritten = before[i].data;
      if (before[i].type == "Tbmp" || before[i].type == "tAIB") {
        auto family = RewriteBitmapFamilyThorough(
            before[i].data, {}, before[i].type == "tAIB" ? FamilyKind::ApplicationIcon : FamilyKind::Bitmap);
        ASSERT_TRUE(family.ok());
        if (family->changed) rewritten = family->piece;
      }
      if (!after.empty()) {
        EXPECT_EQ(after[i].data, rewritten);
      }
      if (rewritten == before[i].data) continue;

      test::WriteBytes(folder / "before.bin", before[i].data);
      test::WriteBytes(folder / "after.bin", rewritten);
      const ThoroughWalk walkBefore = WalkThoroughFamily(before[i].data);
      const ThoroughWalk walkAfter = WalkThoroughFamily(rewritten);
      ASSERT_TRUE(walkAfter.supported()) << walkAfter.fault;
      ASSERT_EQ(walkAfter.bitmaps.size(), walkBefore.bitmaps.size());
      int rendition = 0;
      for (std::size_t k = 0; k < walkBefore.bitmaps.size(); ++k) {
        const WalkedBitmap& a = walkBefore.bitmaps[k];
        const WalkedBitmap& b = walkAfter.bitmaps[k];
        if (IsMarker(before[i].data, a)) continue;  // palmtopnm steps over the marker without counting it
        ++rendition;
        // Bitmaps that stayed are compared too: the reader must still find them.
        rewrittenBitmaps += !std::equal(before[i].data.begin() + a.position, before[i].data.begin() + a.position + a.length,
                                        rewritten.begin() + b.position, rewritten.begin() + b.position + b.length);
        const auto original = Palmtopnm(*palmtopnm, folder / "before.bin", rendition);
        if (!original) {
          ++unreadableOriginals;
          continue;
        }
        const auto image = Palmtopnm(*palmtopnm, folder / "after.bin", rendition);
        ASSERT_TRUE(image.has_value()) << "palmtopnm cannot read rendition " << rendition << " of the rewritten family";
        EXPECT_TRUE(*image == *original) << "rendition " << rendition << " decodes to another image";
        ++compared;
      }
    }
  }
  std::printf("palmtopnm: %d bitmaps of rewritten families (%d of them rewritten) decode to the same image; "
              "%d originals it cannot read were skipped; %d outputs written\n",
              compared, rewrittenBitmaps, unreadableOriginals, outputs);
  RecordProperty("compared", compared);
  RecordProperty("rewritten", rewrittenBitmaps);
  RecordProperty("unreadableOriginals", unreadableOriginals);
  EXPECT_GT(rewrittenBitmaps, 0);
}

}  // namespace
}  // namespace pressling
