#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace pressling::hardening {

// Reads an archive file holding input with ZipReader (every entry inflated up
// to a small limit and its stored bytes read), then runs ConvertArchive on it
// in a folder of this process with TMPDIR pointed at a folder of its own.
// The run never fails (nothing here makes a file operation fail): it is
// refused, or no archive is written, or the new one reads back with the same
// entries under the same names; the input never changes, and nothing but the
// input and a complete output remains. Empty when all held, else what went wrong.
std::string CheckArchiveCase(std::span<const std::uint8_t> input);

}  // namespace pressling::hardening
