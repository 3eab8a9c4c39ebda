#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "bitmap/picture/bitmap_record.h"
#include "bitmap/event_pass.h"
#include "workfolder/folder_handle.h"
#include "workfolder/result.h"

namespace pressling {

// Rewrites a family for which IsSupportedFamily returned true: every
// uncompressed version-2 or version-3 bitmap whose packed form is shorter is
// replaced by its packed form; every other byte is carried through. Makes one
// event pass per bitmap; Stopped when it asks to stop. With records, adds one
// record per bitmap (the resource fields left to the caller).
Result<std::vector<std::uint8_t>> RewriteBitmapFamily(std::span<const std::uint8_t> piece, const EventPass& eventPass,
                                                      std::vector<BitmapRecord>* records = nullptr);

// Adds the records of a family that IsSupportedFamily refused: left as it was.
void RecordRefusedFamily(std::span<const std::uint8_t> piece, std::vector<BitmapRecord>& records);

// Replaces the piece file pieceName in pieceFolder by bytes: writes them
// completely to the scratch file "~bmp" in scratchFolder, then renames that
// over the piece. On any failure the piece is left as it was and no scratch
// file remains.
Result<void> ReplacePieceFile(const FolderHandle& pieceFolder, const std::string& pieceName,
                              const FolderHandle& scratchFolder, std::span<const std::uint8_t> bytes);

// Reads the piece file, rewrites it with RewriteBitmapFamily and, when that
// changed it, replaces it with ReplacePieceFile. On any failure the piece
// file is left as it was.
Result<void> CompressBitmapFamily(const std::filesystem::path& pieceFilePath,
                                  const std::filesystem::path& scratchDirectory, const EventPass& eventPass);

}  // namespace pressling
