#include "database/database_view.h"

#include <string>

#include "database/prc_format.h"

namespace pressling {

Result<std::span<const std::uint8_t>> ResourceData(std::span<const std::uint8_t> database, std::size_t index) {
  if (database.size() < kHeaderSize) return Error{ErrorKind::NotDatabase, Msg("the file is too short for a header")};
  const std::size_t count = database[76] * std::size_t{256} + database[77];
  if (index >= count)
    return Error{ErrorKind::Corrupt,
                 Msg("resource %s is not in the list of %s", {std::to_string(index), std::to_string(count)})};
  auto offsetOf = [&](std::size_t i) -> std::size_t {
    if (i == count) return database.size();
    const std::size_t at = kHeaderSize + kEntrySize * i + 7;  // b1..b3 of the offset field
    return database[at] * std::size_t{65536} + database[at + 1] * std::size_t{256} + database[at + 2];
  };
  if (kHeaderSize + kEntrySize * count > database.size())
    return Error{ErrorKind::Corrupt, Msg("the resource list reaches past the end of the file")};
  const std::size_t begin = offsetOf(index);
  const std::size_t end = offsetOf(index + 1);
  if (begin > end || end > database.size())
    return Error{ErrorKind::Corrupt, Msg("resource %s offset %s lies past its end or past the end of the file",
                                         {std::to_string(index), std::to_string(begin)})};
  return database.subspan(begin, end - begin);
}

Result<std::span<const std::uint8_t>> LocateBitmap(std::span<const std::uint8_t> database, const BitmapRecord& record,
                                                   RunSide side) {
  auto resource = ResourceData(database, record.resourceIndex);
  if (!resource) return resource.error();
  const bool input = side == RunSide::Input;
  if (!input && record.dropped)
    return Error{ErrorKind::Corrupt, Msg("bitmap %s of resource %s was left out of the output",
                                         {std::to_string(record.familyIndex), std::to_string(record.resourceIndex)})};
  const std::size_t offset = input ? record.offset : record.outputOffset;
  const std::size_t length = input || !record.after ? record.before.bytes : record.after->bytes;
  if (offset > resource->size() || length > resource->size() - offset)
    return Error{ErrorKind::Corrupt, Msg("bitmap %s of resource %s lies past the end of its resource",
                                         {std::to_string(record.familyIndex), std::to_string(record.resourceIndex)})};
  return resource->subspan(offset, length);
}

}  // namespace pressling
