#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "archive/zip_reader.h"
#include "bitmap/event_pass.h"
#include "workfolder/result.h"

namespace pressling {

// An entry whose data are replaced by a file: a converted database.
struct ZipReplacement {
  std::uint64_t index = 0;
  std::filesystem::path file;
};

// Writes a new archive at path (a file this run created, which the new
// archive replaces): a copy of the archive original was read from, with the
// replaced entries' data taken from their files, stored under the same names
// with the same times, attributes, comments and extra fields; every other
// entry keeps its stored bytes as they are, without being inflated. libzip
// writes the archive beside path and renames it into place only when it is
// complete. The result is read back before this returns: the same entries in
// the same order, the copied ones with the same stored bytes and checksums,
// the replaced ones inflating to their files with their checksums holding.
// Returns the new archive's length. On failure path may remain; the caller
// removes it.
Result<std::uint64_t> WriteRewrittenArchive(const ZipReader& original, const std::filesystem::path& originalPath,
                                            const std::filesystem::path& path,
                                            std::span<const ZipReplacement> replacements, const EventPass& eventPass);

}  // namespace pressling
