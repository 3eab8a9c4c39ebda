#include "database/resource_split.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bitmap/classic/family_rewrite.h"
#include "bitmap/classic/family_scan.h"
#include "bitmap/device/device_slimming.h"
#include "bitmap/thorough/thorough_rewrite.h"
#include "database/file_piece_store.h"
#include "database/piece_name.h"

namespace pressling {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint8_t, 4> kTbmp = {'T', 'b', 'm', 'p'};
constexpr std::array<std::uint8_t, 4> kTaib = {'t', 'A', 'I', 'B'};

// The classic conversion packs "Tbmp" families only; thorough mode also the
// application icons. Types compare byte for byte, letter case included.
bool IsBitmapType(const ResourceEntry& entry, BitmapMode mode) {
  return entry.type == kTbmp || (mode == BitmapMode::Thorough && entry.type == kTaib);
}

// The new bytes of a piece whose bitmaps are compressed; nothing when the
// piece stays as it is. Adds a record of every bitmap met to records. The
// piece's path, for a message, is asked of the store only on a failure.
Result<std::optional<Bytes>> RewrittenPiece(const ResourceEntry& entry, std::span<const std::uint8_t> piece,
                                            const PieceStore& store, const std::string& name, BitmapMode mode,
                                            const std::optional<DeviceTarget>& device, const EventPass& eventPass,
                                            std::vector<BitmapRecord>& records) {
  if (!IsBitmapType(entry, mode)) return std::optional<Bytes>();
  if (mode == BitmapMode::Thorough) {
    const FamilyKind kind = entry.type == kTaib ? FamilyKind::ApplicationIcon : FamilyKind::Bitmap;
    auto rewritten = device ? RewriteFamilyForDevice(piece, eventPass, kind, *device)
                            : RewriteBitmapFamilyThorough(piece, eventPass, kind);
    if (!rewritten) return Within(store.PathOf(name).string(), rewritten.error());
    records.insert(records.end(), std::make_move_iterator(rewritten->records.begin()),
                   std::make_move_iterator(rewritten->records.end()));
    if (!rewritten->changed) return std::optional<Bytes>();
    return std::optional<Bytes>(std::move(rewritten->piece));
  }
  auto supported = IsSupportedFamily(piece, eventPass);
  if (!supported) return supported.error();
  if (!*supported) {
    RecordRefusedFamily(piece, records);
    return std::optional<Bytes>();
  }
  auto rewritten = RewriteBitmapFamily(piece, eventPass, &records);
  if (!rewritten) return Within(store.PathOf(name).string(), rewritten.error());
  if (std::equal(piece.begin(), piece.end(), rewritten->begin(), rewritten->end())) return std::optional<Bytes>();
  return std::optional<Bytes>(std::move(*rewritten));
}

}  // namespace

Result<std::vector<std::uint64_t>> SplitResources(InputFile& input, std::span<const ResourceEntry> entries,
                                                  const std::filesystem::path& workFolder,
                                                  const std::filesystem::path& scratchDirectory,
                                                  const EventPass& eventPass, BitmapMode mode,
                                                  std::vector<BitmapRecord>* records,
                                                  const std::optional<DeviceTarget>& device) {
  auto store = FilePieceStore::Open(workFolder, scratchDirectory);
  if (!store) return store.error();
  return SplitResources(input, entries, *store, eventPass, mode, records, device);
}

Result<std::vector<std::uint64_t>> SplitResources(InputFile& input, std::span<const ResourceEntry> entries,
                                                  PieceStore& store, const EventPass& eventPass, BitmapMode mode,
                                                  std::vector<BitmapRecord>* records,
                                                  const std::optional<DeviceTarget>& device) {
  assert(!entries.empty());
  if (device) mode = BitmapMode::Thorough;
  std::vector<BitmapRecord> familyRecords;

  // The data of all resources with one read: the list was checked, so they
  // run from entry 0's offset to the end of the file, which is below 16 MiB.
  // The buffer is not filled with zeros first, since the read fills it.
  const std::int32_t dataStart = EntryOffset(entries.front());
  const auto dataSize = static_cast<std::size_t>(EntryOffset(entries.back()) - dataStart);
  const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[dataSize]);
  const std::span<std::uint8_t> data(buffer.get(), dataSize);
  if (auto r = input.Read(data); !r) return r.error();

  std::vector<std::uint64_t> lengths;
  lengths.reserve(entries.size() - 1);
  for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
    // Offsets ascend and stay inside the file.
    const std::int32_t size = EntryOffset(entries[i + 1]) - EntryOffset(entries[i]);
    assert(size >= 0);
    const auto piece = std::span<const std::uint8_t>(data).subspan(
        static_cast<std::size_t>(EntryOffset(entries[i]) - dataStart), static_cast<std::size_t>(size));
    const std::string name = PieceFileName(static_cast<int>(i), entries[i]);

    if (auto r = store.Put(name, piece); !r) return r.error();
    familyRecords.clear();
    auto rewritten = RewrittenPiece(entries[i], piece, store, name, mode, device, eventPass, familyRecords);
    if (!rewritten) return rewritten.error();
    if (records) {
      for (BitmapRecord& record : familyRecords) {
        record.resourceType = entries[i].type;
        record.resourceId = static_cast<std::uint16_t>(entries[i].id[0] * 256 + entries[i].id[1]);
        record.resourceIndex = static_cast<std::uint32_t>(i);
        records->push_back(std::move(record));
      }
    }
    if (*rewritten) {
      if (auto r = store.Replace(name, **rewritten); !r) return r.error();
    }
    lengths.push_back(*rewritten ? (*rewritten)->size() : piece.size());
    if (!PassEvents(eventPass)) return Error{ErrorKind::Stopped, Msg("stopped while cutting %s", {input.path().string()})};
  }
  return lengths;
}

}  // namespace pressling
