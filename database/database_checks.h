#pragma once

#include <cstdint>

#include "database/prc_format.h"
#include "workfolder/result.h"

namespace pressling {

// The tool cuts a database at its offsets and reads its data strictly in list
// order from 80 + 10n on. These checks refuse every database for which that
// would cut at the wrong places or lose bytes, before anything is written.
// Each Error names the fault; ErrorKind tells which report lines to show.

// NotDatabase when the file cannot even hold a header and a gap (80 bytes).
Result<void> CheckFileLength(std::uint64_t length);

// NotDatabase when the resource-database attribute is clear; Corrupt when the
// file is shorter than its head or has an application-info block, sort-info
// block or a further record list; TooLarge from 16 MiB on.
Result<void> CheckHeader(const PrcHeader& header, std::uint64_t length);

// Corrupt unless resource 0 starts right after the head (or, when gapRule
// allows it, right after the list, without the gap), the offsets never
// decrease and stay inside the file, a database without resources has no data,
// and every resource gets a piece file name of its own.
Result<void> CheckResourceList(const DatabaseHead& head, std::uint64_t length, GapRule gapRule = GapRule::Required);

}  // namespace pressling
