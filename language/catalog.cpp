#include "language/catalog.h"

#include <algorithm>

namespace pressling {

namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::size_t kHeaderLength = 28;

// The .mo header, all 32-bit words in the byte order the magic word gives.
struct MoHeader {
  std::uint32_t magic;               // 0: 0x950412de
  std::uint32_t revision;            // 4: major revision 0 or 1
  std::uint32_t count;               // 8: number of messages
  std::uint32_t originalsOffset;     // 12: table of (length, offset) pairs of the ids
  std::uint32_t translationsOffset;  // 16: the same for the translations
};

class MoReader {
 public:
  explicit MoReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool bigEndian = false;

  std::optional<std::uint32_t> Word(std::size_t at) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) return std::nullopt;
    const std::uint8_t* p = bytes_.data() + at;
    if (bigEndian) return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
    return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
  }

  // The string of entry i of the table at table: its length and offset words,
  // and a NUL right after it, all inside the file.
  std::optional<std::string_view> String(std::uint32_t table, std::uint32_t i) const {
    const std::uint64_t at = std::uint64_t{table} + std::uint64_t{i} * 8;
    if (at > bytes_.size()) return std::nullopt;
    auto length = Word(static_cast<std::size_t>(at));
    auto offset = Word(static_cast<std::size_t>(at) + 4);
    if (!length || !offset) return std::nullopt;
    if (std::uint64_t{*offset} + *length >= bytes_.size() || bytes_[*offset + *length] != 0) return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(bytes_.data()) + *offset, *length);
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

// The value of field in a catalog header ("Plural-Forms: nplurals=2; ...\n").
std::string_view HeaderField(std::string_view header, std::string_view field) {
  const std::size_t at = header.find(field);
  if (at == std::string_view::npos) return {};
  std::string_view rest = header.substr(at + field.size());
  return rest.substr(0, rest.find('\n'));
}

std::string WithoutSpaces(std::string_view text) {
  std::string out;
  std::copy_if(text.begin(), text.end(), std::back_inserter(out), [](char c) { return c != ' ' && c != '\t'; });
  return out;
}

}  // namespace

std::optional<Catalog> Catalog::Parse(std::span<const std::uint8_t> mo, std::string& error) {
  MoReader reader(mo);
  if (mo.size() < kHeaderLength) {
    error = "the catalog is shorter than its header";
    return std::nullopt;
  }
  MoHeader header{};
  header.magic = *reader.Word(0);
  if (header.magic != kMagic) {
    reader.bigEndian = true;
    header.magic = *reader.Word(0);
  }
  if (header.magic != kMagic) {
    error = "the catalog does not start with the .mo magic number";
    return std::nullopt;
  }
  header.revision = *reader.Word(4);
  header.count = *reader.Word(8);
  header.originalsOffset = *reader.Word(12);
  header.translationsOffset = *reader.Word(16);
  if (header.revision >> 16 > 1) {
    error = "the catalog has an unknown revision";
    return std::nullopt;
  }
  Catalog catalog;
  for (std::uint32_t i = 0; i < header.count; ++i) {
    auto id = reader.String(header.originalsOffset, i);
    auto text = reader.String(header.translationsOffset, i);
    if (!id || !text) {
      error = "message " + std::to_string(i) + " of the catalog reaches past its end";
      return std::nullopt;
    }
    // A plural entry's id is "singular\0plural"; it is looked up by the singular.
    catalog.messages_.emplace(id->substr(0, id->find('\0')), *text);
  }
  const std::string rule = WithoutSpaces(HeaderField(catalog.Find("").value_or(""), "plural="));
  if (rule.starts_with("0;") || rule == "0") catalog.plural_ = PluralRule::One;
  else if (rule.starts_with("(n>1)") || rule.starts_with("n>1")) catalog.plural_ = PluralRule::MoreThanOne;
  return catalog;
}

std::optional<std::string_view> Catalog::Find(std::string_view key) const {
  auto found = messages_.find(key);
  if (found == messages_.end() || found->second.empty()) return std::nullopt;
  return found->second;
}

std::size_t Catalog::PluralIndex(std::uint64_t n) const {
  switch (plural_) {
    case PluralRule::One:
      return 0;
    case PluralRule::MoreThanOne:
      return n > 1 ? 1 : 0;
    case PluralRule::NotOne:
      break;
  }
  return n != 1 ? 1 : 0;
}

}  // namespace pressling
