#include "database/resource_split.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

#include "bitmap/family_rewrite.h"
#include "bitmap/family_scan.h"
#include "bitmap/thorough_rewrite.h"
#include "database/piece_name.h"

namespace pressling {

namespace {

constexpr std::array<std::uint8_t, 4> kTbmp = {'T', 'b', 'm', 'p'};
constexpr std::array<std::uint8_t, 4> kTaib = {'t', 'A', 'I', 'B'};

// The classic conversion packs "Tbmp" families only; thorough mode also the
// application icons. Types compare byte for byte, letter case included.
bool IsBitmapType(const ResourceEntry& entry, BitmapMode mode) {
  return entry.type == kTbmp || (mode == BitmapMode::Thorough && entry.type == kTaib);
}

// Compresses the bitmap piece just written from bytes, which are still at hand.
Result<void> CompressBitmapPiece(BitmapMode mode, std::span<const std::uint8_t> bytes,
                                 const std::filesystem::path& piecePath, const std::filesystem::path& scratchDirectory,
                                 const EventPass& eventPass) {
  if (mode == BitmapMode::Thorough) {
    auto rewritten = RewriteBitmapFamilyThorough(bytes, eventPass);
    if (!rewritten) return Error{rewritten.error().kind, piecePath.string() + ": " + rewritten.error().message};
    if (!rewritten->changed) return {};
    return ReplacePieceFile(piecePath, scratchDirectory, rewritten->piece);
  }
  auto supported = IsSupportedFamily(bytes, eventPass);
  if (!supported) return supported.error();
  if (!*supported) return {};
  return CompressBitmapFamily(piecePath, scratchDirectory, eventPass);
}

}  // namespace

Result<void> SplitResources(InputFile& input, std::span<const ResourceEntry> entries,
                            const std::filesystem::path& workFolder, const std::filesystem::path& scratchDirectory,
                            const EventPass& eventPass, BitmapMode mode) {
  assert(!entries.empty());
  std::vector<std::uint8_t> buffer;
  for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
    // The list was checked: offsets ascend and stay inside the file.
    const std::int32_t size = EntryOffset(entries[i + 1]) - EntryOffset(entries[i]);
    assert(size >= 0);
    const std::filesystem::path piecePath = workFolder / PieceFileName(static_cast<int>(i), entries[i]);

    buffer.resize(static_cast<std::size_t>(size));
    if (auto r = input.Read(buffer); !r) return r;
    auto piece = OutputFile::Create(piecePath);
    if (!piece) return piece.error();
    if (auto r = piece->Append(buffer); !r) return r;
    if (auto r = piece->Commit(); !r) return r;

    if (IsBitmapType(entries[i], mode)) {
      if (auto r = CompressBitmapPiece(mode, buffer, piecePath, scratchDirectory, eventPass); !r) return r;
    }
    if (!PassEvents(eventPass)) return Error{ErrorKind::Stopped, "stopped while cutting " + input.path().string()};
  }
  return {};
}

}  // namespace pressling
