#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap/event_pass.h"
#include "database/prc_format.h"
#include "workfolder/result.h"

namespace pressling {

// The input path without its last four characters (".prc" in any case),
// followed by "_comp.prc".
std::filesystem::path OutputPathFor(const std::string& inputPath);

struct RebuiltDatabase {
  std::int32_t resultSize = 0;          // length of the output in bytes
  std::filesystem::path outputPath;     // where the output belongs: NAME_comp.prc beside the input
  std::filesystem::path temporaryPath;  // where it is: a complete file in the same folder
};

// Writes the output database from the piece files in workFolder: recomputes
// the offsets of entries 1 to n from the pieces' lengths, writes the head and
// the pieces in list order, deleting each piece once copied. The output is
// written under a temporary name in the output's folder and flushed to disk;
// the caller renames it to outputPath or removes it. On failure no output
// remains. Event passes once per entry in the offset and head steps and once
// per piece.
Result<RebuiltDatabase> RebuildDatabase(const std::string& inputPath, const PrcHeader& header,
                                        std::vector<ResourceEntry>& entries, const std::filesystem::path& workFolder,
                                        const EventPass& eventPass);

}  // namespace pressling
