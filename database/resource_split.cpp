#include "database/resource_split.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

#include "bitmap/family_rewrite.h"
#include "bitmap/family_scan.h"
#include "database/piece_name.h"

namespace pressling {

namespace {

bool IsBitmapType(const ResourceEntry& entry) {
  constexpr std::array<std::uint8_t, 4> kTbmp = {'T', 'b', 'm', 'p'};
  return entry.type == kTbmp;
}

}  // namespace

Result<void> SplitResources(InputFile& input, std::span<const ResourceEntry> entries,
                            const std::filesystem::path& workFolder, const std::filesystem::path& scratchDirectory,
                            const EventPass& eventPass, [[maybe_unused]] BitmapMode mode) {
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

    if (IsBitmapType(entries[i])) {
      // The scan reads the bytes just written, still at hand in buffer.
      auto supported = IsSupportedFamily(std::span<const std::uint8_t>(buffer), eventPass);
      if (!supported) return supported.error();
      if (*supported) {
        if (auto r = CompressBitmapFamily(piecePath, scratchDirectory, eventPass); !r) return r;
      }
    }
    if (!PassEvents(eventPass)) return Error{ErrorKind::Stopped, "stopped while cutting " + input.path().string()};
  }
  return {};
}

}  // namespace pressling
