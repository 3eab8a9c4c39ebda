#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace pressling {

// One compiled gettext catalog (a .mo file as msgfmt writes it), read from
// bytes that outlive it. Keys are message ids; an id with a context is keyed
// "context\x04id", and a plural entry by its singular id.
class Catalog {
 public:
  // The catalog in mo, or nothing with why in error: bad magic, a table or a
  // string that reaches past the end.
  static std::optional<Catalog> Parse(std::span<const std::uint8_t> mo, std::string& error);

  // The translation of key: for a plural entry every form, separated by NULs.
  // Nothing when the catalog lacks the key or leaves it empty.
  std::optional<std::string_view> Find(std::string_view key) const;

  // Which plural form n takes, from the header's Plural-Forms: one form for
  // "plural=0", and n != 1 or n > 1 for the two-form rules; n != 1 otherwise.
  std::size_t PluralIndex(std::uint64_t n) const;

  // The number of messages, the header included.
  std::size_t size() const { return messages_.size(); }

 private:
  enum class PluralRule { One, NotOne, MoreThanOne };
  std::unordered_map<std::string_view, std::string_view> messages_;
  PluralRule plural_ = PluralRule::NotOne;
};

}  // namespace pressling
