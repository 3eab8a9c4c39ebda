// Every bitmap that thorough mode rewrites in the corpus must decode, with
// netpbm's palmtopnm as an independent reader, to the same image as before.

#include <gtest/gtest.h>

#include <cstdio>

#include "bitmap/format/bitmap_layout.h"
#include "bitmap/thorough/thorough_rewrite.h"
#include "bitmap/thorough/thorough_walk.h"
#include "database/conversion_run.h"
#include "tests/common/corpus.h"
#include "tests/common/palmtopnm.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

bool IsMarker(const Bytes& piece, const WalkedBitmap& bitmap) {
  return piece[bitmap.position + 9] == 1 && piece[bitmap.position + 8] == kMarkerPixelSize;
}

TEST(PalmtopnmCorpusTest, EveryRewrittenBitmapDecodesToTheSameImage) {
  PRESSLING_REQUIRE_CORPUS();
  const auto palmtopnm = test::FindPalmtopnm();
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
    const std::vector<test::CutResource> before = test::CutResources(input);
    std::vector<test::CutResource> after;
    if (result.outcome == RunOutcome::Converted) {
      ++outputs;
      after = test::CutResources(test::ReadBytes(folder / "db_comp.prc"));
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
      ASSERT_TRUE(walkAfter.supported()) << walkAfter.fault.English();
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
        const auto original = test::RunPalmtopnm(*palmtopnm, folder / "before.bin", rendition);
        if (!original) {
          ++unreadableOriginals;
          continue;
        }
        const auto image = test::RunPalmtopnm(*palmtopnm, folder / "after.bin", rendition);
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
