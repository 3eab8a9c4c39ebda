// Every corpus bitmap that netpbm's palmtopnm reads must render to its image,
// pixel for pixel; and the classic mode's RLE output must render to the same
// pictures as the bitmaps it replaced.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "bitmap/codecs/bitmap_decoder.h"
#include "bitmap/picture/bitmap_picture.h"
#include "bitmap/classic/family_rewrite.h"
#include "bitmap/thorough/thorough_walk.h"
#include "tests/common/corpus.h"
#include "tests/common/palmtopnm.h"
#include "tests/database/test_support.h"
#include "workfolder/file_io.h"

namespace pressling {
namespace {

using test::Bytes;

// The pieces of the given resource type in a database, cut at the offsets of its resource list.
std::vector<Bytes> Pieces(const Bytes& db, const char* type) {
  std::vector<Bytes> found;
  if (db.size() < 78) return found;
  const std::size_t n = std::size_t{db[76]} << 8 | db[77];
  if (78 + 10 * n > db.size()) return found;
  auto offset = [&](std::size_t i) {
    const std::size_t at = 78 + 10 * i + 7;
    return i == n ? db.size() : std::size_t{db[at]} << 16 | std::size_t{db[at + 1]} << 8 | db[at + 2];
  };
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t begin = offset(i), end = offset(i + 1);
    if (std::memcmp(&db[78 + 10 * i], type, 4) == 0 && begin <= end && end <= db.size())
      found.emplace_back(db.begin() + static_cast<std::ptrdiff_t>(begin), db.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return found;
}

// The bitmaps of a family, the high-density marker left out.
std::vector<std::span<const std::uint8_t>> Bitmaps(const Bytes& piece) {
  std::vector<std::span<const std::uint8_t>> bitmaps;
  for (const WalkedBitmap& b : WalkThoroughFamily(piece).bitmaps) {
    const auto bytes = std::span<const std::uint8_t>(piece).subspan(b.position, b.length);
    if (bytes.size() > 9 && bytes[9] == 1 && bytes[8] == kMarkerPixelSize) continue;
    bitmaps.push_back(bytes);
  }
  return bitmaps;
}

// The group of a bitmap by its header: depth, and whether it brings a colour table with entries.
std::string Group(std::span<const std::uint8_t> bitmap) {
  const unsigned bits = bitmap[8] == 0 ? 1 : bitmap[8];
  const std::size_t table = bitmap[9] == 3 ? 24 : 16;
  if ((bitmap[6] & 0x40) && bitmap.size() >= table + 2 && (bitmap[table] | bitmap[table + 1]) != 0)
    return std::to_string(bits) + " bits, own colour table";
  if (bits == 8) return "8 bits, system palette";
  return std::to_string(bits) + (bits == 16 ? " bits" : " bits, grey levels");
}

// palmtopnm takes 16-bit pixels for RGB565 only with the direct-colour flag
// (or, in version 3, the RGB565 pixel format); else it misreads them as
// palette indexes, while Palm OS shows them as RGB565 all the same.
bool PalmtopnmReadsAsIndexed(std::span<const std::uint8_t> bitmap) {
  return bitmap[8] == 16 && !(bitmap[6] & 0x04) && !(bitmap[9] == 3 && bitmap[11] == 1);
}

std::string FirstDifference(const BitmapPicture& picture, const test::PnmImage& image) {
  for (std::size_t i = 0; i < image.width * image.height; ++i) {
    if (std::memcmp(&picture.rgba[4 * i], &image.rgb[3 * i], 3) != 0) {
      char text[96];
      std::snprintf(text, sizeof text, "pixel (%zu, %zu): %02x%02x%02x, palmtopnm %02x%02x%02x", i % image.width,
                    i / image.width, picture.rgba[4 * i], picture.rgba[4 * i + 1], picture.rgba[4 * i + 2],
                    image.rgb[3 * i], image.rgb[3 * i + 1], image.rgb[3 * i + 2]);
      return text;
    }
  }
  return "";
}

TEST(BitmapPictureCorpusTest, EveryBitmapPalmtopnmReadsRendersToItsImage) {
  PRESSLING_REQUIRE_CORPUS();
  const auto palmtopnm = test::FindPalmtopnm();
  if (!palmtopnm) GTEST_SKIP() << "palmtopnm (Debian netpbm) is not installed; scripts/test.sh installs it";
  test::TempFolder folder;
  struct Count {
    int present = 0, compared = 0;
  };
  std::map<std::string, Count> groups;
  int unread = 0, refused = 0, misread = 0, transparent = 0, withClearPixels = 0;
  for (const auto& path : test::CorpusDatabases()) {
    auto db = ReadWholeFile(path);
    ASSERT_TRUE(db.ok()) << db.error().message;
    for (const char* type : {"Tbmp", "tAIB"}) {
      for (const Bytes& piece : Pieces(*db, type)) {
        for (const auto bitmap : Bitmaps(piece)) {
          SCOPED_TRACE(path.filename().string() + " " + type);
          if (bitmap.size() < 16 || bitmap[9] > 3) continue;
          Count& group = groups[Group(bitmap)];
          ++group.present;
          test::WriteBytes(folder / "bitmap.bin", Bytes(bitmap.begin(), bitmap.end()));
          const auto image = test::RunPalmtopnm(*palmtopnm, folder / "bitmap.bin");
          if (!image) {
            ++unread;
            continue;
          }
          const auto picture = RenderBitmapPicture(bitmap);
          if (!picture.ok() && std::holds_alternative<LayoutRefusal>(ReadBitmapLayout(bitmap))) {
            std::printf("%s: %s\n", path.filename().c_str(), picture.error().message.c_str());
            ++refused;
            continue;
          }
          ASSERT_TRUE(picture.ok()) << picture.error().message;
          if (PalmtopnmReadsAsIndexed(bitmap)) {
            ++misread;
            continue;
          }
          ++group.compared;
          ASSERT_EQ(picture->width, image->width);
          ASSERT_EQ(picture->height, image->height);
          EXPECT_EQ(FirstDifference(*picture, *image), "") << Group(bitmap);
          if (!(bitmap[6] & 0x20) || bitmap[9] < 2 || bitmap[8] < 8) continue;
          // The pixels drawn clear must be those of the colour palmtopnm names transparent.
          const auto clear = test::PalmtopnmTransparentColour(*palmtopnm, folder / "bitmap.bin");
          ASSERT_TRUE(clear.has_value());
          int clearPixels = 0;
          for (std::size_t i = 0; i < picture->rgba.size(); i += 4) {
            if (picture->rgba[i + 3] != 0) continue;
            ++clearPixels;
            ASSERT_TRUE(std::equal(clear->begin(), clear->end(), &picture->rgba[i])) << "pixel " << i / 4;
          }
          ++transparent;
          withClearPixels += clearPixels > 0;
        }
      }
    }
  }
  for (const auto& [name, count] : groups) {
    std::printf("%-28s %4d bitmaps, %4d compared with palmtopnm\n", name.c_str(), count.present, count.compared);
    RecordProperty(name, count.compared);
    EXPECT_GT(count.compared, 0) << "no bitmap of group " << name << " was compared";
  }
  std::printf("skipped: %d bitmaps palmtopnm cannot read, %d the layout refuses, %d of 16 bits without the "
              "direct-colour flag that palmtopnm reads as palette indexes\n",
              unread, refused, misread);
  std::printf("%d bitmaps of 8 and 16 bits with a transparent value, %d of them with clear pixels, all of "
              "palmtopnm's transparent colour\n",
              transparent, withClearPixels);
  RecordProperty("transparent", transparent);
  EXPECT_GT(withClearPixels, 0);
  for (const char* wanted : {"1 bits, grey levels", "2 bits, grey levels", "4 bits, grey levels",
                             "8 bits, system palette", "8 bits, own colour table", "16 bits"})
    EXPECT_TRUE(groups.count(wanted)) << "the corpus has no bitmap of group " << wanted;
}

TEST(BitmapPictureCorpusTest, ClassicRleOutputRendersTheSamePictures) {
  PRESSLING_REQUIRE_CORPUS();
  int compared = 0, packed = 0, cutLastRun = 0;
  for (const auto& path : test::CorpusDatabases()) {
    auto db = ReadWholeFile(path);
    ASSERT_TRUE(db.ok()) << db.error().message;
    for (const Bytes& piece : Pieces(*db, "Tbmp")) {
      SCOPED_TRACE(path.filename().string());
      auto out = RewriteBitmapFamily(piece, EventPass{});
      if (!out.ok() || *out == piece) continue;
      const auto before = Bitmaps(piece), after = Bitmaps(*out);
      ASSERT_EQ(after.size(), before.size());
      for (std::size_t k = 0; k < before.size(); ++k) {
        const auto original = RenderBitmapPicture(before[k]);
        if (!original.ok()) continue;
        const auto picture = RenderBitmapPicture(after[k]);
        ASSERT_TRUE(picture.ok()) << "bitmap " << k << ": " << picture.error().message;
        EXPECT_EQ(picture->rgba, original->rgba) << "bitmap " << k;
        ++compared;
        const auto layout = std::get<BitmapLayout>(ReadBitmapLayout(after[k]));
        if (layout.compressed && !std::get<BitmapLayout>(ReadBitmapLayout(before[k])).compressed) {
          ++packed;
          std::vector<std::uint8_t> rows;
          cutLastRun += !DecodeBitmapRows(layout, after[k], rows).ok();
        }
      }
    }
  }
  std::printf("classic RLE: %d bitmaps render as before, %d of them packed, %d with a last run cut at the end\n",
              compared, packed, cutLastRun);
  RecordProperty("packed", packed);
  RecordProperty("cutLastRun", cutLastRun);
  EXPECT_GT(packed, 0);
}

}  // namespace
}  // namespace pressling
