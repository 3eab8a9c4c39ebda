#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "bitmap/device/device_target.h"
#include "bitmap/event_pass.h"
#include "bitmap/picture/bitmap_record.h"
#include "bitmap/thorough/thorough_rewrite.h"
#include "workfolder/result.h"

namespace pressling {

// A bitmap of a family that stays when the family is made for a device.
struct KeptBitmap {
  std::size_t familyIndex;  // its place in the input's family, marker and bitmaps behind it counted
  std::size_t position;     // its first header byte in the input's piece
};

// A family without the bitmaps a device can never draw.
struct DeviceSlimming {
  std::vector<std::uint8_t> piece;   // the family rebuilt; empty when nothing is dropped
  bool changed = false;              // something was dropped
  std::vector<KeptBitmap> kept;      // with changed: the bitmaps that stay, in order
  std::vector<BitmapRecord> dropped; // with changed: one per bitmap or marker left out, with its reason
};

// Drops the high-density marker and everything behind it, and, for a screen
// of fewer than 16 bits, every bitmap of the chain deeper than the screen
// where the chain keeps one of at most its depth; the first bitmap always
// stays. A family the thorough walk refuses, one that starts with the marker,
// one with a version-3 bitmap or a marker that points further before its
// marker, is left as it is. The kept bitmaps keep their bytes; the last one's
// distance becomes 0.
DeviceSlimming SlimFamilyForDevice(std::span<const std::uint8_t> piece, const DeviceTarget& target);

// The family made for target: slimmed, then rewritten as thorough mode
// rewrites it. The records are those of the input's family, in its order:
// the kept bitmaps with their input offsets, the dropped ones with their
// reason. One event pass per bitmap met.
Result<ThoroughRewrite> RewriteFamilyForDevice(std::span<const std::uint8_t> piece, const EventPass& eventPass,
                                               FamilyKind kind, const DeviceTarget& target);

}  // namespace pressling
