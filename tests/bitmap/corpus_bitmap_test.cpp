#include <gtest/gtest.h>

#include <cstring>

#include "bitmap/classic/family_rewrite.h"
#include "bitmap/classic/family_scan.h"
#include "bitmap/format/family_walk.h"
#include "tests/common/corpus.h"
#include "tests/common/palm_bitmap_decoder.h"
#include "workfolder/file_io.h"

namespace pressling::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The "Tbmp" resources of a database, cut out by the offsets of its resource
// list (78-byte header, count at byte 76, 10-byte entries: type, id, offset).
std::vector<Bytes> TbmpResources(const Bytes& db) {
  std::vector<Bytes> found;
  if (db.size() < 78) return found;
  const std::size_t n = std::size_t{db[76]} << 8 | db[77];
  if (78 + 10 * n > db.size()) return found;
  auto offset = [&](std::size_t i) {
    return i == n ? db.size() : std::size_t{db[78 + 10 * i + 7]} << 16 | std::size_t{db[78 + 10 * i + 8]} << 8 | db[78 + 10 * i + 9];
  };
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t begin = offset(i), end = offset(i + 1);
    if (std::memcmp(&db[78 + 10 * i], "Tbmp", 4) != 0 || begin > end || end > db.size()) continue;
    found.emplace_back(db.begin() + static_cast<std::ptrdiff_t>(begin), db.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return found;
}

TEST(CorpusBitmaps, EveryFamilyScansRewritesAndDecodesBack) {
  PRESSLING_REQUIRE_CORPUS();
  std::size_t families = 0, supported = 0, bytesIn = 0, bytesOut = 0;
  for (const auto& path : CorpusDatabases()) {
    auto db = ReadWholeFile(path);
    ASSERT_TRUE(db.ok()) << db.error().message;
    const auto resources = TbmpResources(*db);
    for (std::size_t k = 0; k < resources.size(); ++k) {
      const Bytes& piece = resources[k];
      SCOPED_TRACE(path.filename().string() + " Tbmp " + std::to_string(k));
      ++families;
      int scanCalls = 0, rewriteCalls = 0;
      auto scan = IsSupportedFamily(std::span<const std::uint8_t>(piece), [&] { return ++scanCalls > 0; });
      ASSERT_TRUE(scan.ok()) << scan.error().message;
      if (!*scan) {
        std::cout << path.filename().string() << " Tbmp " << k << " left as it is: "
                  << WalkBitmapFamily(piece, EventPass{})->fault.English() << "\n";
        continue;
      }
      ++supported;
      auto out = RewriteBitmapFamily(piece, [&] { return ++rewriteCalls > 0; });
      ASSERT_TRUE(out.ok()) << out.error().message;
      EXPECT_EQ(scanCalls, rewriteCalls);
      EXPECT_LE(out->size(), piece.size());
      std::string why;
      auto same = SamePixels(piece, *out, &why);
      ASSERT_TRUE(same.ok()) << same.error().message;
      EXPECT_TRUE(*same) << why;
      bytesIn += piece.size();
      bytesOut += out->size();
    }
  }
  std::cout << families << " Tbmp families, " << supported << " supported, " << bytesIn << " bytes became " << bytesOut
            << "\n";
  EXPECT_GT(supported, 0u);
}

}  // namespace
}  // namespace pressling::test
