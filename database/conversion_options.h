#pragma once

#include <filesystem>
#include <optional>

#include "bitmap/device/device_target.h"
#include "database/piece_store.h"
#include "language/language.h"

namespace pressling {

// How a run compresses bitmaps. The report lines are the same in both modes.
enum class BitmapMode {
  Classic,   // uncompressed v2/v3 bitmaps of "Tbmp" families, run-length across row ends
  Thorough,  // every bitmap of "Tbmp" and "tAIB", Palm's own codecs in the form Palm writes
};

// What the user chose for one run; the defaults are the classic conversion.
struct ConversionOptions {
  BitmapMode bitmapMode = BitmapMode::Classic;
  // The device the output is made for; implies thorough mode. None: any device.
  std::optional<DeviceTarget> device;
  // Where the output goes; empty: NAME_comp.prc beside the input. A chosen
  // path gets its missing folders when the output is kept. Either way a run
  // without effect removes only what it wrote, never an older file.
  std::filesystem::path outputPath;
  // Everything but keeping the output: it is written in the run's private
  // folder only, and gone with it; no folder is made for it.
  bool dryRun = false;
  // The language of the progress line and the report; Japanese unless chosen.
  Language language;
  // Where the run keeps the pieces it cuts and rebuilds; the native programs keep files.
  PieceStorage pieceStorage = PieceStorage::Files;
};

// The mode a run uses: thorough whenever a device is chosen.
inline BitmapMode EffectiveMode(const ConversionOptions& options) {
  return options.device ? BitmapMode::Thorough : options.bitmapMode;
}

}  // namespace pressling
