#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// An independent reading of Palm resource databases, used to judge what the
// conversion did with a file. It shares no code with database/.

namespace pressling::hardening {

// How a run must treat a database file.
enum class Verdict {
  Accept,       // converts
  NotDatabase,  // shorter than 80 bytes, or the resource-database attribute bit is clear
  Corrupt,      // breaks the layout the conversion relies on
  TooLarge,     // 16 MiB or more
};

struct ResourceRecord {
  std::array<std::uint8_t, 4> type;         // 0: resource type, four bytes
  std::array<std::uint8_t, 2> id;           // 4: resource id
  std::array<std::uint8_t, 4> offsetBytes;  // 6: data offset, the top byte ignored
  std::vector<std::uint8_t> data;           // the bytes from this offset to the next
};

struct PrcImage {
  std::vector<std::uint8_t> header;      // bytes 0 to 77 as stored
  std::vector<ResourceRecord> resources;  // in list order
  std::array<std::uint8_t, 2> gap;       // the two bytes after the list
};

Verdict Classify(std::span<const std::uint8_t> file, std::string* why = nullptr);

// Cuts an accepted database into its resources; nothing for any other file.
std::optional<PrcImage> ParsePrc(std::span<const std::uint8_t> file);

std::uint32_t Offset24(const std::array<std::uint8_t, 4>& bytes);

// A database with the given resources laid out back to back after the list.
struct ResourceSpec {
  std::string type;  // exactly four bytes; NULs allowed
  std::uint16_t id;
  std::vector<std::uint8_t> data;
};
std::vector<std::uint8_t> BuildPrc(const std::string& name, const std::vector<ResourceSpec>& resources);

}  // namespace pressling::hardening
