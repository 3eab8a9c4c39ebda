#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bitmap/event_pass.h"
#include "database/piece_store.h"
#include "database/prc_format.h"
#include "workfolder/file_io.h"
#include "workfolder/result.h"

namespace pressling {

// True when name ends in ".prc" in any letter case.
bool EndsInPrc(std::string_view name);

// The input path without its last four characters (".prc" in any case),
// followed by "_comp.prc".
std::filesystem::path OutputPathFor(const std::string& inputPath);

// Where a run's output goes.
struct OutputPlace {
  std::filesystem::path outputPath;        // where the output belongs
  std::filesystem::path unfinishedFolder;  // where it is written until then, on the same file system
};

// NAME_comp.prc beside the input, written in the input's folder.
OutputPlace BesideInput(const std::string& inputPath);
// outputPath, written in its folder or, while that is missing, in the nearest
// folder above it that exists; the missing ones are made when it is kept.
OutputPlace AtChosenPath(const std::filesystem::path& outputPath);
// Makes folder and every missing folder above it.
Result<void> CreateFolders(const std::filesystem::path& folder);

struct RebuiltDatabase {
  std::int32_t resultSize = 0;          // length of the output in bytes
  std::filesystem::path outputPath;     // where the output belongs
  std::filesystem::path temporaryPath;  // where it is: a complete file in the unfinished folder
  std::optional<OutputFile> file;       // the file at temporaryPath, complete but not yet committed
};

// Writes the output database from the piece files in workFolder, whose
// lengths the split reported: recomputes the offsets of entries 1 to n from
// those lengths, writes the head and the pieces in list order, deleting each
// piece once copied; a piece whose length changed since is an error. The
// output is written under a temporary name in place.unfinishedFolder and left
// uncommitted: the caller commits it durably and renames it to outputPath, or
// removes it. On failure no output remains. Event passes once per entry in
// the offset and head steps and once per piece.
Result<RebuiltDatabase> RebuildDatabase(const std::string& inputPath, const PrcHeader& header,
                                        std::vector<ResourceEntry>& entries, const std::filesystem::path& workFolder,
                                        std::span<const std::uint64_t> pieceLengths, const OutputPlace& place,
                                        const EventPass& eventPass);

// The same with the pieces taken from store, each removed once copied.
Result<RebuiltDatabase> RebuildDatabase(const std::string& inputPath, const PrcHeader& header,
                                        std::vector<ResourceEntry>& entries, PieceStore& store,
                                        std::span<const std::uint64_t> pieceLengths, const OutputPlace& place,
                                        const EventPass& eventPass);

}  // namespace pressling
