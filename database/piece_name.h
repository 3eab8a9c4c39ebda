#pragma once

#include <string>

#include "database/prc_format.h"

namespace pressling {

// The file name of resource index's piece in the work folder: "~", the last
// four digits of index + 10000, the four type bytes, the id as four upper-case
// hexadecimal digits ("~0000Tbmp0001"). A type byte outside printable ASCII,
// or one of / \ : * ? " < > | % and the space, is written as "%" and two
// upper-case hexadecimal digits, so every type gives a usable, distinct name.
std::string PieceFileName(int index, const ResourceEntry& entry);

}  // namespace pressling
