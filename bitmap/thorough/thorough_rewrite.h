#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "bitmap/format/bitmap_layout.h"
#include "bitmap/picture/bitmap_record.h"
#include "bitmap/event_pass.h"
#include "workfolder/result.h"

namespace pressling {

// What thorough mode did with the bitmaps of one or more families.
struct ThoroughTally {
  std::array<std::size_t, kCodecCount> rewritten{};       // by the codec of the new form
  std::array<std::size_t, kLeftAloneCount> leftAlone{};   // by reason
  std::size_t bytesSaved = 0;                             // by the rewritten bitmaps, fill included
  std::size_t familiesRefused = 0;  // malformed, or with a version other than 1-3: left exactly as they were
  std::size_t dropped = 0;          // bitmaps and markers a device target left out
  std::size_t bytesDropped = 0;     // the bytes they occupied

  void Add(const ThoroughTally& other);
};

struct ThoroughRewrite {
  std::vector<std::uint8_t> piece;  // the rewritten family; empty when nothing changed
  bool changed = false;
  ThoroughTally tally;
  std::vector<BitmapRecord> records;  // one per bitmap met; the resource fields are left to the caller
};

// What a family is to those who read it. File managers draw a database's
// application icon with readers that honour compression in version 2 and 3
// only, and ScanLine only at 16 bits.
enum class FamilyKind {
  Bitmap,           // "Tbmp": every form Palm OS reads
  ApplicationIcon,  // "tAIB": version 1 left alone, 16 bits uncompressed or ScanLine
};

// Rewrites every bitmap of the family in piece ("Tbmp" or "tAIB") that may be
// touched into the shortest form the codecs of its version allow on every
// Palm OS that reads that version (version 1: ScanLine; 2: ScanLine or RLE;
// 3: ScanLine, RLE or PackBits), rows restarted as Palm writes them, when that
// form is strictly shorter than the bytes the bitmap occupies. Each new form
// is decoded again and compared with the rows before it is used. A malformed
// family is left exactly as it is. One event pass per bitmap met; Stopped when
// the pass asks to stop.
Result<ThoroughRewrite> RewriteBitmapFamilyThorough(std::span<const std::uint8_t> piece, const EventPass& eventPass,
                                                    FamilyKind kind = FamilyKind::Bitmap);

}  // namespace pressling
