#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Small inputs built in code from the format's worked examples: the seeds of
// the fuzz targets and the first cases their replay checks.

namespace pressling::hardening {

struct NamedInput {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// Whole database files for CheckConvertCase.
std::vector<NamedInput> ConvertExamples();

// A stop byte followed by a "Tbmp" piece, for CheckFamilyCase.
std::vector<NamedInput> FamilyExamples();

// The family of the 80-byte worked example: one version-2 bitmap, 32 bytes of
// 00 and 32 of FF, that packs to 24 bytes.
std::vector<std::uint8_t> WorkedExampleBitmap();

// A database of a few kinds of resources, one "Tbmp" of each header version,
// that converts to a clearly smaller output.
std::vector<std::uint8_t> MixedDatabase();

}  // namespace pressling::hardening
