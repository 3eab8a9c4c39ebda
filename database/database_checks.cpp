#include "database/database_checks.h"

#include <string>
#include <unordered_map>

#include "database/piece_name.h"

namespace pressling {

namespace {

// Positions inside carriedFields of the fields that must be zero.
constexpr std::size_t kAttributesAt = 0;
constexpr std::size_t kAppInfoAt = 20;
constexpr std::size_t kSortInfoAt = 24;
constexpr std::size_t kNextRecordListAt = 40;

std::uint32_t Read32(const PrcHeader& header, std::size_t at) {
  const auto& f = header.carriedFields;
  return static_cast<std::uint32_t>(f[at]) << 24 | static_cast<std::uint32_t>(f[at + 1]) << 16 |
         static_cast<std::uint32_t>(f[at + 2]) << 8 | f[at + 3];
}

Error Fault(ErrorKind kind, Message message) { return Error{kind, std::move(message)}; }

}  // namespace

Result<void> CheckFileLength(std::uint64_t length) {
  if (length < HeadSize(0))
    return Fault(ErrorKind::NotDatabase,
                 Msg("the file is %s bytes long, too short for a database header (80 bytes)", {std::to_string(length)}));
  return {};
}

Result<void> CheckHeader(const PrcHeader& header, std::uint64_t length) {
  if ((header.carriedFields[kAttributesAt + 1] & 0x01) == 0)
    return Fault(ErrorKind::NotDatabase, Msg("the resource-database attribute (0x0001) is not set"));
  const int n = ResourceCount(header);
  if (length < HeadSize(n))
    return Fault(ErrorKind::Corrupt,
                 Msg("the file is %s bytes long, too short for the list of %s resources it announces (%s bytes)",
                     {std::to_string(length), std::to_string(n), std::to_string(HeadSize(n))}));
  if (length >= kMaxDatabaseSize)
    return Fault(ErrorKind::TooLarge, Msg("the file is %s bytes long; a database must be shorter than 16777216 bytes",
                                          {std::to_string(length)}));
  struct Field {
    std::size_t at;
    const char* name;
  };
  for (Field field : {Field{kAppInfoAt, TextId("the application-info offset is %s, not 0")},
                      Field{kSortInfoAt, TextId("the sort-info offset is %s, not 0")},
                      Field{kNextRecordListAt, TextId("the next record list id is %s, not 0")}}) {
    if (std::uint32_t value = Read32(header, field.at); value != 0)
      return Fault(ErrorKind::Corrupt, Msg(field.name, {std::to_string(value)}));
  }
  return {};
}

Result<void> CheckResourceList(const DatabaseHead& head, std::uint64_t length, GapRule gapRule) {
  const int n = static_cast<int>(head.entries.size()) - 1;
  const auto dataStart = static_cast<std::int32_t>(HeadSize(n));
  if (n == 0 && length > static_cast<std::uint64_t>(dataStart))
    return Fault(ErrorKind::Corrupt, Msg("the file is %s bytes long but holds no resource (80 bytes expected)",
                                         {std::to_string(length)}));
  const bool withoutGap = gapRule == GapRule::MayBeMissing &&
                          EntryOffset(head.entries[0]) == dataStart - static_cast<std::int32_t>(kGapSize);
  if (n > 0 && EntryOffset(head.entries[0]) != dataStart && !withoutGap)
    return Fault(ErrorKind::Corrupt, Msg("resource 0 starts at offset %s, not right after the resource list at %s",
                                         {std::to_string(EntryOffset(head.entries[0])), std::to_string(dataStart)}));
  for (int i = 1; i < n; ++i) {
    const std::int32_t offset = EntryOffset(head.entries[i]);
    if (static_cast<std::uint64_t>(offset) > length)
      return Fault(ErrorKind::Corrupt, Msg("resource %s offset %s lies past the end of the file (%s bytes)",
                                           {std::to_string(i), std::to_string(offset), std::to_string(length)}));
    const std::int32_t previous = EntryOffset(head.entries[i - 1]);
    if (offset < previous)
      return Fault(ErrorKind::Corrupt, Msg("resource %s offset %s lies before the offset %s of resource %s",
                                           {std::to_string(i), std::to_string(offset), std::to_string(previous),
                                            std::to_string(i - 1)}));
  }
  std::unordered_map<std::string, int> pieceNames;
  pieceNames.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    auto [it, added] = pieceNames.emplace(PieceFileName(i, head.entries[i]), i);
    if (!added)
      return Fault(ErrorKind::Corrupt, Msg("resources %s and %s would share the piece file name %s",
                                           {std::to_string(it->second), std::to_string(i), it->first}));
  }
  return {};
}

}  // namespace pressling
