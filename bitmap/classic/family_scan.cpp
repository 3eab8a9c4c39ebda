#include "bitmap/classic/family_scan.h"

#include "bitmap/format/family_walk.h"
#include "workfolder/file_io.h"

namespace pressling {

Result<bool> IsSupportedFamily(std::span<const std::uint8_t> piece, const EventPass& eventPass) {
  auto walk = WalkBitmapFamily(piece, eventPass);
  if (!walk) return walk.error();
  return walk->supported();
}

Result<bool> IsSupportedFamily(const std::filesystem::path& pieceFilePath, const EventPass& eventPass) {
  // A piece is one resource of a database shorter than 16 MiB, so it is read whole.
  auto piece = ReadWholeFile(pieceFilePath);
  if (!piece) return piece.error();
  auto supported = IsSupportedFamily(std::span<const std::uint8_t>(*piece), eventPass);
  if (!supported) return Within(pieceFilePath.string(), supported.error());
  return supported;
}

}  // namespace pressling
