#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "bitmap/event_pass.h"
#include "workfolder/result.h"

namespace pressling {

// Rewrites a family for which IsSupportedFamily returned true: every
// uncompressed version-2 or version-3 bitmap whose packed form is shorter is
// replaced by its packed form; every other byte is carried through. Makes one
// event pass per bitmap; Stopped when it asks to stop.
Result<std::vector<std::uint8_t>> RewriteBitmapFamily(std::span<const std::uint8_t> piece, const EventPass& eventPass);

// Rewrites the piece file in place through the scratch file "~bmp" in
// scratchDirectory. On any failure the piece file is left as it was.
Result<void> CompressBitmapFamily(const std::filesystem::path& pieceFilePath,
                                  const std::filesystem::path& scratchDirectory, const EventPass& eventPass);

// Replaces the piece file with bytes: they are written completely to the
// scratch file "~bmp" in scratchDirectory, which is then renamed over the
// piece. On any failure the piece file is left as it was.
Result<void> ReplacePieceFile(const std::filesystem::path& pieceFilePath, const std::filesystem::path& scratchDirectory,
                              std::span<const std::uint8_t> bytes);

}  // namespace pressling
