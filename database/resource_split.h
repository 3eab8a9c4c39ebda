#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "bitmap/device/device_target.h"
#include "bitmap/picture/bitmap_record.h"
#include "bitmap/event_pass.h"
#include "database/conversion_options.h"
#include "database/piece_store.h"
#include "database/prc_format.h"
#include "workfolder/file_io.h"
#include "workfolder/result.h"

namespace pressling {

// Cuts the resource data of input, whose read position is at resource 0's
// data, into one piece file per resource in workFolder, named by
// PieceFileName. entries holds entries 0 to n, the last being the sentinel.
// Each bitmap piece that mode chooses is rewritten in memory from the bytes
// just written and, when that changed it, replaced through its scratch file in
// scratchDirectory. One event pass per resource, after its piece is done. Returns the
// length of every piece file as left, in list order. With records, adds a
// record of every bitmap the family walks reach, in list order. With device,
// the families are made for that device in thorough mode, whatever mode says.
Result<std::vector<std::uint64_t>> SplitResources(InputFile& input, std::span<const ResourceEntry> entries,
                                                  const std::filesystem::path& workFolder,
                                                  const std::filesystem::path& scratchDirectory,
                                                  const EventPass& eventPass, BitmapMode mode = BitmapMode::Classic,
                                                  std::vector<BitmapRecord>* records = nullptr,
                                                  const std::optional<DeviceTarget>& device = std::nullopt);

// The same with the pieces kept in store: Put when cut, Replace when rewritten.
Result<std::vector<std::uint64_t>> SplitResources(InputFile& input, std::span<const ResourceEntry> entries,
                                                  PieceStore& store, const EventPass& eventPass,
                                                  BitmapMode mode = BitmapMode::Classic,
                                                  std::vector<BitmapRecord>* records = nullptr,
                                                  const std::optional<DeviceTarget>& device = std::nullopt);

}  // namespace pressling
