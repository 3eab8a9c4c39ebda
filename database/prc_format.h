#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "bitmap/event_pass.h"
#include "workfolder/file_io.h"
#include "workfolder/result.h"

namespace pressling {

// The head of a Palm resource database: a 78-byte header, n resource entries
// of 10 bytes, two gap bytes; the resource data follow from 80 + 10n on.
inline constexpr std::size_t kHeaderSize = 78;
inline constexpr std::size_t kEntrySize = 10;
inline constexpr std::size_t kGapSize = 2;
// Offsets are 24-bit, so a database must be shorter than this.
inline constexpr std::uint64_t kMaxDatabaseSize = 16777216;

struct PrcHeader {
  std::array<std::uint8_t, 32> name{};           // 0: database name, padded with NUL bytes
  std::array<std::uint8_t, 44> carriedFields{};  // 32: attributes .. next record list id, carried unchanged
  std::array<std::uint8_t, 2> numRecords{};      // 76: resource count n, high byte first
};

struct ResourceEntry {
  std::array<std::uint8_t, 4> type{};    // 0: resource type, such as "Tbmp"
  std::array<std::uint8_t, 2> id{};      // 4: resource id, high byte first
  std::array<std::uint8_t, 4> offset{};  // 6: data position; b0 is ignored, b1..b3 hold 24 bits
};

// The head as read: entries 0 to n-1 and the sentinel entry n, whose offset is
// the length of the file.
struct DatabaseHead {
  PrcHeader header;
  std::vector<ResourceEntry> entries;
  bool gapPresent = true;  // false: the resource data start right after the list
};

// Whether a database may leave out the two gap bytes. Palm OS finds resources
// by their offsets alone, and some tools write no gap; the classic conversion
// refuses such databases, thorough mode accepts them.
enum class GapRule {
  Required,
  MayBeMissing,
};

int ResourceCount(const PrcHeader& header);
std::size_t HeadSize(int resourceCount);  // 80 + 10n

std::int32_t EntryOffset(const ResourceEntry& entry);
// value must lie in 0 .. 2^24 - 1; stores it with a zero top byte.
void SetEntryOffset(ResourceEntry& entry, std::int32_t value);

// The plain records from and to their on-disk bytes.
PrcHeader DecodeHeader(std::span<const std::uint8_t, kHeaderSize> bytes);
ResourceEntry DecodeEntry(std::span<const std::uint8_t, kEntrySize> bytes);
void EncodeHeader(const PrcHeader& header, std::span<std::uint8_t, kHeaderSize> bytes);
void EncodeEntry(const ResourceEntry& entry, std::span<std::uint8_t, kEntrySize> bytes);

// Reads header, entries and gap from the start of input into head and leaves
// the read position at the start of resource 0's data: 80 + 10n, or 78 + 10n
// when gapRule lets the gap be missing and it is. The head is checked
// (database_checks.h) before any part of it is used, so a refused database is
// never cut; the header is kept in head also when the list is refused, for the
// report.
Result<void> ReadDatabaseHead(InputFile& input, DatabaseHead& head, GapRule gapRule = GapRule::Required);

// Writes the header, entries 0 to n-1 (the sentinel is not written) and two
// zero bytes: 80 + 10n bytes. One event pass after each entry.
Result<void> WriteDatabaseHead(OutputFile& output, const PrcHeader& header,
                               std::span<const ResourceEntry> entries, const EventPass& eventPass);

}  // namespace pressling
