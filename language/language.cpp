#include "language/language.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "language/catalog.h"
#include "language/embedded_catalogs.h"

namespace pressling {

namespace {

constexpr std::string_view kEnglish = "en";
constexpr std::string_view kJapanese = "ja";

// The catalogs, read once from the bytes built into the program. A catalog
// that does not read (a fault of the build) is left out, so that its
// language shows the English ids rather than nothing.
const std::map<std::string, Catalog, std::less<>>& Catalogs() {
  static const std::map<std::string, Catalog, std::less<>> catalogs = [] {
    std::map<std::string, Catalog, std::less<>> read;
    for (const EmbeddedCatalog& embedded : EmbeddedCatalogs()) {
      std::string error;
      if (auto catalog = Catalog::Parse(embedded.mo, error)) read.emplace(std::string(embedded.tag), std::move(*catalog));
    }
    return read;
  }();
  return catalogs;
}

// The language part of a locale name or a browser tag: "de" of "de_DE.UTF-8@euro" or "de-DE".
std::string_view LanguagePart(std::string_view name) {
  return name.substr(0, name.find_first_of("_-.@"));
}

std::string_view Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string_view(value) : std::string_view();
}

// The catalog's tag for a name, or nothing when there is no such language.
std::optional<std::string> Known(std::string_view name) {
  std::string part(LanguagePart(name));
  for (char& c : part) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (part == kEnglish || Catalogs().contains(part)) return part;
  return std::nullopt;
}

bool IsCLocale(std::string_view locale) {
  return locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C.");
}

}  // namespace

Language::Language() : Language(FromTag(kJapanese)) {}

Language Language::FromTag(std::string_view tag) {
  const std::optional<std::string> known = Known(tag);
  if (!known || *known == kEnglish) return Language(std::string(kEnglish), nullptr);
  return Language(*known, &Catalogs().find(*known)->second);
}

Language Language::FromEnvironment() {
  return FromVariables(Variable("LANGUAGE"), Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG"));
}

Language Language::FromVariables(std::string_view language, std::string_view lcAll, std::string_view lcMessages,
                                 std::string_view lang) {
  const std::string_view locale = !lcAll.empty() ? lcAll : !lcMessages.empty() ? lcMessages : lang;
  if (IsCLocale(locale)) return FromTag(kJapanese);
  while (!language.empty()) {
    const std::size_t colon = language.find(':');
    if (Known(language.substr(0, colon))) return FromTag(language.substr(0, colon));
    language = colon == std::string_view::npos ? std::string_view() : language.substr(colon + 1);
  }
  return FromTag(locale);
}

Language Language::ForMessagesFromEnvironment() {
  return ForMessagesFromVariables(Variable("LANGUAGE"), Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG"));
}

Language Language::ForMessagesFromVariables(std::string_view language, std::string_view lcAll,
                                            std::string_view lcMessages, std::string_view lang) {
  const std::string_view locale = !lcAll.empty() ? lcAll : !lcMessages.empty() ? lcMessages : lang;
  if (IsCLocale(locale)) return FromTag(kEnglish);
  return FromVariables(language, lcAll, lcMessages, lang);
}

std::vector<std::string> Language::Tags() {
  std::vector<std::string> tags{std::string(kEnglish)};
  for (const auto& [tag, catalog] : Catalogs()) tags.push_back(tag);
  std::sort(tags.begin(), tags.end());
  return tags;
}

std::string Language::Tr(std::string_view msgid) const {
  if (catalog_)
    if (auto text = catalog_->Find(msgid)) return std::string(*text);
  return std::string(msgid);
}

std::string Language::TrC(std::string_view context, std::string_view msgid) const {
  if (catalog_)
    if (auto text = catalog_->Find(std::string(context) + '\x04' + std::string(msgid))) return std::string(*text);
  return std::string(msgid);
}

std::string Language::TrN(std::string_view singular, std::string_view plural, std::uint64_t n) const {
  if (catalog_) {
    if (auto forms = catalog_->Find(singular)) {
      std::size_t index = catalog_->PluralIndex(n);
      std::string_view form = *forms;
      for (; index > 0 && form.find('\0') != std::string_view::npos; --index) form = form.substr(form.find('\0') + 1);
      return std::string(form.substr(0, form.find('\0')));
    }
  }
  return std::string(n == 1 ? singular : plural);
}

std::string Language::Trf(std::string_view msgid, std::initializer_list<std::string_view> args) const {
  return Substitute(Tr(msgid), args);
}

std::string Language::TrNf(std::string_view singular, std::string_view plural, std::uint64_t n,
                           std::initializer_list<std::string_view> args) const {
  return Substitute(TrN(singular, plural, n), args);
}

std::string Language::Decimal(long long tenths) const {
  const bool negative = tenths < 0;
  const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(tenths) : tenths;
  return (negative ? "-" : "") + std::to_string(magnitude / 10) + TrC("decimal separator", ".") +
         std::to_string(magnitude % 10);
}

std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args) {
  return Substitute(text, std::vector<std::string_view>(args));
}

std::string Substitute(std::string_view text, const std::vector<std::string_view>& args) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    if (text[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    std::size_t position = 0;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9' && position < 100) position = position * 10 + (text[j++] - '0');
    std::size_t which = next;
    if (position > 0 && j + 1 < text.size() && text[j] == '$' && text[j + 1] == 's') {
      which = position - 1;
      j += 2;
    } else if (text[i + 1] == 's') {
      ++next;
      j = i + 2;
    } else {
      out += text[i];
      continue;
    }
    if (which < args.size()) out += args[which];
    i = j - 1;
  }
  return out;
}

}  // namespace pressling
