#include "database/prc_format.h"

#include <algorithm>
#include <cassert>

#include "database/database_checks.h"

namespace pressling {

int ResourceCount(const PrcHeader& header) { return header.numRecords[0] * 256 + header.numRecords[1]; }

std::size_t HeadSize(int resourceCount) {
  return kHeaderSize + kEntrySize * static_cast<std::size_t>(resourceCount) + kGapSize;
}

std::int32_t EntryOffset(const ResourceEntry& entry) {
  return entry.offset[1] * 65536 + entry.offset[2] * 256 + entry.offset[3];
}

void SetEntryOffset(ResourceEntry& entry, std::int32_t value) {
  assert(value >= 0 && value < static_cast<std::int32_t>(kMaxDatabaseSize));
  entry.offset[0] = 0;
  entry.offset[1] = static_cast<std::uint8_t>(value / 65536);
  entry.offset[2] = static_cast<std::uint8_t>(value / 256 % 256);
  entry.offset[3] = static_cast<std::uint8_t>(value % 256);
}

PrcHeader DecodeHeader(std::span<const std::uint8_t, kHeaderSize> bytes) {
  PrcHeader header;
  std::copy_n(bytes.begin(), 32, header.name.begin());
  std::copy_n(bytes.begin() + 32, 44, header.carriedFields.begin());
  std::copy_n(bytes.begin() + 76, 2, header.numRecords.begin());
  return header;
}

ResourceEntry DecodeEntry(std::span<const std::uint8_t, kEntrySize> bytes) {
  ResourceEntry entry;
  std::copy_n(bytes.begin(), 4, entry.type.begin());
  std::copy_n(bytes.begin() + 4, 2, entry.id.begin());
  std::copy_n(bytes.begin() + 6, 4, entry.offset.begin());
  return entry;
}

void EncodeHeader(const PrcHeader& header, std::span<std::uint8_t, kHeaderSize> bytes) {
  std::copy(header.name.begin(), header.name.end(), bytes.begin());
  std::copy(header.carriedFields.begin(), header.carriedFields.end(), bytes.begin() + 32);
  std::copy(header.numRecords.begin(), header.numRecords.end(), bytes.begin() + 76);
}

void EncodeEntry(const ResourceEntry& entry, std::span<std::uint8_t, kEntrySize> bytes) {
  std::copy(entry.type.begin(), entry.type.end(), bytes.begin());
  std::copy(entry.id.begin(), entry.id.end(), bytes.begin() + 4);
  std::copy(entry.offset.begin(), entry.offset.end(), bytes.begin() + 6);
}

Result<void> ReadDatabaseHead(InputFile& input, DatabaseHead& head, GapRule gapRule) {
  head = DatabaseHead{};
  const std::uint64_t length = input.length();
  if (auto fits = CheckFileLength(length); !fits) return fits;

  std::array<std::uint8_t, kHeaderSize> headerBytes;
  if (auto r = input.Read(headerBytes); !r) return r;
  head.header = DecodeHeader(headerBytes);
  if (auto r = CheckHeader(head.header, length); !r) return r;

  // CheckHeader made sure that the whole head lies inside the file.
  const int n = ResourceCount(head.header);
  std::vector<std::uint8_t> listBytes(kEntrySize * static_cast<std::size_t>(n));
  if (auto r = input.Read(listBytes); !r) return r;
  head.entries.reserve(static_cast<std::size_t>(n) + 1);
  for (int i = 0; i < n; ++i) {
    auto bytes = std::span<const std::uint8_t>(listBytes).subspan(kEntrySize * static_cast<std::size_t>(i));
    head.entries.push_back(DecodeEntry(bytes.first<kEntrySize>()));
  }
  ResourceEntry sentinel;
  SetEntryOffset(sentinel, static_cast<std::int32_t>(length));
  head.entries.push_back(sentinel);
  if (auto r = CheckResourceList(head, length, gapRule); !r) return r;

  head.gapPresent = n == 0 || EntryOffset(head.entries[0]) == static_cast<std::int32_t>(HeadSize(n));
  if (!head.gapPresent) return {};
  // The two gap bytes are thrown away.
  std::array<std::uint8_t, kGapSize> gap;
  return input.Read(gap);
}

Result<void> WriteDatabaseHead(OutputFile& output, const PrcHeader& header,
                               std::span<const ResourceEntry> entries, const EventPass& eventPass) {
  // Built in memory and written with one call; the gap stays zero.
  std::vector<std::uint8_t> bytes(HeadSize(static_cast<int>(entries.size())), 0);
  EncodeHeader(header, std::span(bytes).first<kHeaderSize>());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EncodeEntry(entries[i], std::span(bytes).subspan(kHeaderSize + kEntrySize * i).first<kEntrySize>());
    if (!PassEvents(eventPass)) return Error{ErrorKind::Stopped, Msg("stopped while writing %s", {output.path().string()})};
  }
  return output.Append(bytes);
}

}  // namespace pressling
