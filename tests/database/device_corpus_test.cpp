// Every corpus database made for each device target: what that device shows
// stays exactly as it was, and nothing it can never draw is left.

#include <gtest/gtest.h>

#include <cstdio>
#include <variant>

#include "bitmap/codecs/bitmap_decoder.h"
#include "bitmap/device/device_target.h"
#include "bitmap/format/bitmap_layout.h"
#include "bitmap/thorough/thorough_walk.h"
#include "database/conversion_run.h"
#include "database/database_view.h"
#include "tests/common/corpus.h"
#include "tests/database/test_support.h"

namespace pressling {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

// A bitmap as Palm OS draws it: size, depth and pixel rows; nothing when it does not decode.
struct Drawn {
  std::uint16_t width = 0, height = 0;
  std::uint8_t depth = 0;
  std::vector<std::uint8_t> rows;
  bool operator==(const Drawn&) const = default;
};

std::optional<Drawn> Decode(std::span<const std::uint8_t> bitmap) {
  auto read = ReadBitmapLayout(bitmap);
  const auto* layout = std::get_if<BitmapLayout>(&read);
  if (layout == nullptr) return std::nullopt;
  Drawn drawn{static_cast<std::uint16_t>(bitmap[0] << 8 | bitmap[1]), layout->height, layout->pixelSize, {}};
  if (!DecodeBitmapRows(*layout, bitmap, drawn.rows)) return std::nullopt;
  return drawn;
}

// The chain Palm OS 4 walks: the bitmaps before the high-density marker, with their depths.
struct Chain {
  std::vector<std::span<const std::uint8_t>> bitmaps;
  std::vector<unsigned> depths;
  bool understood = true;  // no version-3 bitmap, no marker first or pointing further
};

Chain ChainOf(const Bytes& piece) {
  Chain chain;
  const ThoroughWalk walk = WalkThoroughFamily(piece);
  if (!walk.supported()) chain.understood = false;
  for (std::size_t i = 0; i < walk.bitmaps.size(); ++i) {
    const WalkedBitmap& b = walk.bitmaps[i];
    const std::uint8_t version = piece[b.position + 9], pixelSize = piece[b.position + 8];
    if (version == 1 && pixelSize == kMarkerPixelSize) {
      chain.understood = chain.understood && i > 0 && !b.hasNext;
      break;
    }
    if (version == 3) chain.understood = false;
    chain.bitmaps.push_back(std::span<const std::uint8_t>(piece).subspan(b.position, b.length));
    chain.depths.push_back(pixelSize == 0 && version < 2 ? 1 : pixelSize);
  }
  return chain;
}

// The bitmap Palm OS 4 draws on a screen of depth bits: the deepest of at most
// that depth, the first when none is that shallow.
std::size_t Selected(const Chain& chain, unsigned depth) {
  std::size_t best = 0;
  bool found = false;
  for (std::size_t i = 0; i < chain.depths.size(); ++i) {
    if (chain.depths[i] > depth || (found && chain.depths[i] <= chain.depths[best])) continue;
    best = i;
    found = true;
  }
  return best;
}

TEST(DeviceCorpusTest, EveryTargetKeepsWhatItsDeviceShows) {
  PRESSLING_REQUIRE_CORPUS();
  for (const DeviceTarget& target : DeviceTargets()) {
    const std::string name = DeviceTargetName(target);
    SCOPED_TRACE(name);
    std::size_t outputs = 0, families = 0, slimmed = 0, selections = 0, dropped = 0;
    for (const fs::path& source : test::CorpusDatabases()) {
      SCOPED_TRACE(source.filename().string());
      test::TempFolder folder;
      test::TmpDirOverride tmpDir(folder.path());
      const Bytes input = test::ReadBytes(source);
      test::WriteBytes(folder / "db.prc", input);
      test::RecordingSurface surface;
      ConversionOptions options;
      options.device = target;
      const RunResult result = ConvertDatabase((folder / "db.prc").string(), surface, {}, options);
      if (result.outcome != RunOutcome::Converted) continue;
      ++outputs;
      const Bytes output = test::ReadBytes(folder / "db_comp.prc");

      // Every kept bitmap decodes as before; a dropped one has no place in the output.
      for (const BitmapRecord& record : result.bitmaps) {
        if (!std::string_view(record.leftAlone).starts_with(kFamilyLeftAsItWas) && !record.dropped) {
          auto before = LocateBitmap(input, record, RunSide::Input);
          auto after = LocateBitmap(output, record, RunSide::Output);
          ASSERT_TRUE(before.ok() && after.ok());
          if (auto drawn = Decode(*before)) {
            EXPECT_EQ(Decode(*after), drawn) << "bitmap #" << record.familyIndex;
          }
        }
        dropped += record.dropped;
        if (record.dropped) {
          EXPECT_FALSE(LocateBitmap(output, record, RunSide::Output).ok());
        }
      }

      const std::vector<test::CutResource> before = test::CutResources(input);
      const std::vector<test::CutResource> after = test::CutResources(output);
      ASSERT_EQ(after.size(), before.size());
      for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE("resource " + std::to_string(i));
        ASSERT_EQ(after[i].typeAndId, before[i].typeAndId);  // the list keeps its order
        const std::string type = before[i].typeAndId.substr(0, 4);
        if (type != "Tbmp" && type != "tAIB") {
          EXPECT_EQ(after[i].data, before[i].data);
          continue;
        }
        ++families;
        const Chain was = ChainOf(before[i].data);
        const Chain is = ChainOf(after[i].data);
        if (!was.understood) continue;  // left to thorough mode alone
        slimmed += after[i].data.size() < before[i].data.size();
        ASSERT_TRUE(is.understood);
        // What the device draws at every depth up to its own is the same bitmap.
        for (unsigned depth = 1; depth <= target.screenDepth; depth *= 2) {
          const auto drawnBefore = Decode(was.bitmaps[Selected(was, depth)]);
          if (!drawnBefore) continue;
          EXPECT_EQ(Decode(is.bitmaps[Selected(is, depth)]), drawnBefore) << depth << "-bit screen";
          ++selections;
        }
        // Nothing is left that the device never draws: no marker, nothing
        // behind it, no bitmap deeper than the screen but the first where a
        // shallow one stays.
        EXPECT_EQ(WalkThoroughFamily(after[i].data).bitmaps.size(), is.bitmaps.size());
        bool shallow = false;
        for (unsigned d : is.depths) shallow = shallow || d <= target.screenDepth;
        for (std::size_t k = 1; shallow && k < is.depths.size(); ++k)
          EXPECT_LE(is.depths[k], target.screenDepth) << "bitmap " << k;
      }
    }
    std::printf("%s: %zu outputs, %zu families (%zu slimmed), %zu bitmaps dropped, %zu selections compared\n",
                name.c_str(), outputs, families, slimmed, dropped, selections);
    EXPECT_GT(slimmed, 0u);
  }
}

}  // namespace
}  // namespace pressling
