#include "tests/hardening/prc_model.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace pressling::hardening {

namespace {

constexpr std::size_t kHeadLength = 80;  // 78-byte header plus the two gap bytes
constexpr std::uint64_t kTooLarge = 1u << 24;

std::uint32_t Be32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

Verdict Say(Verdict verdict, std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return verdict;
}

}  // namespace

std::uint32_t Offset24(const std::array<std::uint8_t, 4>& bytes) {
  return std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

Verdict Classify(std::span<const std::uint8_t> file, std::string* why) {
  const std::uint64_t size = file.size();
  if (size < kHeadLength) return Say(Verdict::NotDatabase, why, "shorter than 80 bytes");
  if ((file[33] & 0x01) == 0) return Say(Verdict::NotDatabase, why, "resource attribute clear");
  const std::size_t n = std::size_t{file[76]} << 8 | file[77];
  const std::uint64_t head = kHeadLength + 10 * std::uint64_t{n};
  if (size < head) return Say(Verdict::Corrupt, why, "shorter than its list");
  if (size >= kTooLarge) return Say(Verdict::TooLarge, why, "16 MiB or more");
  // Bytes after an empty list belong to no resource and would be lost.
  if (n == 0 && size > head) return Say(Verdict::Corrupt, why, "bytes after an empty list");
  if (Be32(file, 52) != 0 || Be32(file, 56) != 0 || Be32(file, 72) != 0) {
    return Say(Verdict::Corrupt, why, "application info, sort info or next list");
  }
  std::uint64_t previous = head;
  std::set<std::tuple<std::size_t, std::uint32_t, std::uint16_t>> names;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t at = 78 + 10 * i;
    const std::uint64_t offset = Be32(file, at + 6) & 0xFFFFFF;
    if (i == 0 && offset != head) return Say(Verdict::Corrupt, why, "resource 0 does not start after the list");
    if (offset < previous || offset > size) return Say(Verdict::Corrupt, why, "offset out of order or past the end");
    previous = offset;
    // Piece names repeat every 10000 resources; escaping keeps distinct types distinct.
    if (!names.emplace(i % 10000, Be32(file, at), std::uint16_t(file[at + 4] << 8 | file[at + 5])).second) {
      return Say(Verdict::Corrupt, why, "two resources share a piece name");
    }
  }
  return Say(Verdict::Accept, why, "");
}

std::optional<PrcImage> ParsePrc(std::span<const std::uint8_t> file) {
  if (Classify(file) != Verdict::Accept) return std::nullopt;
  PrcImage image;
  image.header.assign(file.begin(), file.begin() + 78);
  const std::size_t n = std::size_t{file[76]} << 8 | file[77];
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t at = 78 + 10 * i;
    ResourceRecord record;
    std::copy_n(file.begin() + at, 4, record.type.begin());
    std::copy_n(file.begin() + at + 4, 2, record.id.begin());
    std::copy_n(file.begin() + at + 6, 4, record.offsetBytes.begin());
    image.resources.push_back(std::move(record));
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t begin = Offset24(image.resources[i].offsetBytes);
    const std::size_t end = i + 1 < n ? Offset24(image.resources[i + 1].offsetBytes) : file.size();
    image.resources[i].data.assign(file.begin() + begin, file.begin() + end);
  }
  image.gap = {file[78 + 10 * n], file[79 + 10 * n]};
  return image;
}

std::vector<std::uint8_t> BuildPrc(const std::string& name, const std::vector<ResourceSpec>& resources) {
  std::vector<std::uint8_t> file(78, 0);
  for (std::size_t k = 0; k < name.size() && k < 32; ++k) file[k] = static_cast<std::uint8_t>(name[k]);
  file[33] = 0x01;  // attributes: resource database
  const char* typeCreator = "applTEST";
  for (std::size_t k = 0; k < 8; ++k) file[60 + k] = static_cast<std::uint8_t>(typeCreator[k]);
  file[76] = static_cast<std::uint8_t>(resources.size() >> 8);
  file[77] = static_cast<std::uint8_t>(resources.size());
  std::uint32_t offset = static_cast<std::uint32_t>(80 + 10 * resources.size());
  for (const ResourceSpec& r : resources) {
    for (std::size_t k = 0; k < 4; ++k) file.push_back(k < r.type.size() ? static_cast<std::uint8_t>(r.type[k]) : 0);
    file.push_back(static_cast<std::uint8_t>(r.id >> 8));
    file.push_back(static_cast<std::uint8_t>(r.id));
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<std::uint8_t>(offset >> shift));
    offset += static_cast<std::uint32_t>(r.data.size());
  }
  file.push_back(0);
  file.push_back(0);
  for (const ResourceSpec& r : resources) file.insert(file.end(), r.data.begin(), r.data.end());
  return file;
}

}  // namespace pressling::hardening
