#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace pressling {

class Catalog;

// The language the texts a person reads are written in. Message ids are
// English; the other languages come from the catalogs in po/, built into the
// program. Japanese is the language of a run nobody chose one for.
class Language {
 public:
  Language();  // Japanese

  // "ja", "en", "de" or "fr", or any other language with a catalog; a tag
  // with a region or an encoding ("de_AT.UTF-8", "fr-CA") counts by its
  // language. English for a tag without a catalog.
  static Language FromTag(std::string_view tag);

  // The language of the process environment, chosen from LANGUAGE, LC_ALL,
  // LC_MESSAGES and LANG in GNU gettext's order: the locale is the first of
  // LC_ALL, LC_MESSAGES and LANG that is set and not empty; under "C",
  // "POSIX", "C.*" or no locale at all Japanese, and LANGUAGE is not read;
  // otherwise the first language of LANGUAGE's list that has a catalog (or is
  // English), else the locale's own language. Works whether or not that
  // locale is installed: nothing here calls setlocale.
  static Language FromEnvironment();
  static Language FromVariables(std::string_view language, std::string_view lcAll, std::string_view lcMessages,
                                std::string_view lang);

  // The language of a program's other texts (help, errors, summaries): the
  // same, except that under "C", "POSIX", "C.*" or no locale it is English,
  // the language of the message ids, as GNU gettext has it. Only the report
  // is Japanese there, as scripts and stored outputs expect.
  static Language ForMessagesFromEnvironment();
  static Language ForMessagesFromVariables(std::string_view language, std::string_view lcAll,
                                           std::string_view lcMessages, std::string_view lang);

  // Every language there is a catalog for, and English: "de", "en", "fr", "ja".
  static std::vector<std::string> Tags();

  const std::string& tag() const { return tag_; }
  bool operator==(const Language& other) const { return tag_ == other.tag_; }

  // msgid in this language; msgid itself where the catalog has no translation.
  std::string Tr(std::string_view msgid) const;
  // The same for a message id told apart by its context.
  std::string TrC(std::string_view context, std::string_view msgid) const;
  // The form of singular/plural that goes with n.
  std::string TrN(std::string_view singular, std::string_view plural, std::uint64_t n) const;

  // msgid translated, then "%s" replaced by args in order, "%N$s" by the Nth
  // arg and "%%" by "%". Only those: the texts are never printf formats.
  std::string Trf(std::string_view msgid, std::initializer_list<std::string_view> args) const;
  std::string TrNf(std::string_view singular, std::string_view plural, std::uint64_t n,
                   std::initializer_list<std::string_view> args) const;

  // A number with one digit after the decimal separator of this language.
  std::string Decimal(long long tenths) const;

 private:
  Language(std::string tag, const Catalog* catalog) : tag_(std::move(tag)), catalog_(catalog) {}
  std::string tag_;
  const Catalog* catalog_ = nullptr;  // none for English
};

// Marks a message id for the catalogs where the text is translated later,
// through Language::Tr, as in a table of reasons.
constexpr const char* TextId(const char* msgid) { return msgid; }

// text with "%s" and "%N$s" replaced by args, as Language::Trf does.
std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args);
std::string Substitute(std::string_view text, const std::vector<std::string_view>& args);

}  // namespace pressling
