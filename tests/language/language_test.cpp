#include "language/language.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "language/catalog.h"

namespace pressling {
namespace {

std::string Choose(const char* language, const char* lcAll, const char* lcMessages, const char* lang) {
  return Language::FromVariables(language, lcAll, lcMessages, lang).tag();
}

TEST(LanguageChoiceTest, FollowsGettextOrderWithJapaneseForTheCLocale) {
  // No locale, or the C locale in any spelling: Japanese, and LANGUAGE is not read.
  EXPECT_EQ(Choose("", "", "", ""), "ja");
  EXPECT_EQ(Choose("", "", "", "C"), "ja");
  EXPECT_EQ(Choose("", "", "", "POSIX"), "ja");
  EXPECT_EQ(Choose("", "", "", "C.UTF-8"), "ja");
  EXPECT_EQ(Choose("de", "", "", "C.UTF-8"), "ja");
  EXPECT_EQ(Choose("", "", "", "ja_JP.UTF-8"), "ja");
  // The locale's language, whether or not that locale is installed.
  EXPECT_EQ(Choose("", "", "", "en_US.UTF-8"), "en");
  EXPECT_EQ(Choose("", "", "", "de_DE.UTF-8"), "de");
  EXPECT_EQ(Choose("", "", "", "fr_FR.UTF-8"), "fr");
  EXPECT_EQ(Choose("", "", "", "fr_CA@euro"), "fr");
  EXPECT_EQ(Choose("", "", "", "it_IT.UTF-8"), "en");
  // LC_ALL before LC_MESSAGES before LANG.
  EXPECT_EQ(Choose("", "fr_FR.UTF-8", "de_DE.UTF-8", "ja_JP.UTF-8"), "fr");
  EXPECT_EQ(Choose("", "", "de_DE.UTF-8", "ja_JP.UTF-8"), "de");
  EXPECT_EQ(Choose("", "C", "", "de_DE.UTF-8"), "ja");
  // LANGUAGE's list, first language that has a catalog, over the locale.
  EXPECT_EQ(Choose("de", "", "", "ja_JP.UTF-8"), "de");
  EXPECT_EQ(Choose("it:fr:de", "", "", "en_US.UTF-8"), "fr");
  EXPECT_EQ(Choose("en_GB:de", "", "", "ja_JP.UTF-8"), "en");
  EXPECT_EQ(Choose("it", "", "", "de_DE.UTF-8"), "de");
}

TEST(LanguageChoiceTest, MessagesAreEnglishUnderTheCLocaleOnly) {
  const auto messages = [](const char* language, const char* lcAll, const char* lang) {
    return Language::ForMessagesFromVariables(language, lcAll, "", lang).tag();
  };
  EXPECT_EQ(messages("", "", ""), "en");
  EXPECT_EQ(messages("de", "", "C"), "en");
  EXPECT_EQ(messages("", "", "POSIX"), "en");
  EXPECT_EQ(messages("", "C.UTF-8", "de_DE.UTF-8"), "en");
  EXPECT_EQ(messages("", "", "ja_JP.UTF-8"), "ja");
  EXPECT_EQ(messages("de", "", "ja_JP.UTF-8"), "de");
  EXPECT_EQ(messages("", "", "fr_FR.UTF-8"), "fr");
  EXPECT_EQ(messages("", "", "it_IT.UTF-8"), "en");
}

TEST(LanguageTextTest, TranslatesThroughTheBuiltInCatalogs) {
  EXPECT_EQ(Language::Tags(), (std::vector<std::string>{"de", "en", "fr", "ja"}));
  EXPECT_EQ(Language::FromTag("de").Decimal(772), "77,2");
  EXPECT_EQ(Language::FromTag("fr").Decimal(5), "0,5");
  EXPECT_EQ(Language::FromTag("en").Decimal(1000), "100.0");
  EXPECT_EQ(Language::FromTag("de").Tr("a text no catalog has"), "a text no catalog has");
  EXPECT_EQ(Language::FromTag("fr").TrN("%s widget", "%s widgets", 1), "%s widget");  // in no catalog
  EXPECT_EQ(Language::FromTag("fr").TrN("%s file", "%s files", 1), "%s fichier");
  EXPECT_EQ(Language::FromTag("fr").TrN("%s file", "%s files", 2), "%s fichiers");
  EXPECT_EQ(Language::FromTag("ja").TrN("%s file", "%s files", 2), "%s ファイル");
  EXPECT_EQ(Language::FromTag("en").TrN("%s file", "%s files", 2), "%s files");
}

TEST(LanguageTextTest, SubstitutesOnlyPlainAndNumberedPlaceholders) {
  EXPECT_EQ(Substitute("%s of %s", {"3", "7"}), "3 of 7");
  EXPECT_EQ(Substitute("%2$s vor %1$s", {"a", "b"}), "b vor a");
  EXPECT_EQ(Substitute("100 %% %d %n %s", {"x"}), "100 % %d %n x");
  EXPECT_EQ(Substitute("%s %s %s", {"only"}), "only  ");
  EXPECT_EQ(Substitute("%9$s|%", {"a"}), "|%");
}

// A .mo file as msgfmt writes it on a little-endian machine: the header
// entry and one translation.
std::vector<std::uint8_t> SmallCatalog() {
  const std::string header = "Plural-Forms: nplurals=2; plural=(n > 1);\n";
  std::vector<std::uint8_t> mo = {
      0xde, 0x12, 0x04, 0x95,  // magic, little-endian
      0, 0, 0, 0,              // revision
      2, 0, 0, 0,              // two messages
      28, 0, 0, 0,             // ids' table
      44, 0, 0, 0,             // translations' table
      0, 0, 0, 0,              // hash table size
      60, 0, 0, 0,             // hash table offset
      0, 0, 0, 0, 60, 0, 0, 0,  // id 0: "" at 60
      3, 0, 0, 0, 61, 0, 0, 0,  // id 1: "Yes" at 61
      static_cast<std::uint8_t>(header.size()), 0, 0, 0, 65, 0, 0, 0,  // the header at 65
      3, 0, 0, 0, static_cast<std::uint8_t>(66 + header.size()), 0, 0, 0,  // "Oui"
  };
  for (char c : std::string("\0Yes\0", 5) + header + std::string("\0Oui\0", 5)) mo.push_back(static_cast<std::uint8_t>(c));
  return mo;
}

TEST(CatalogTest, ReadsAMoFile) {
  std::string error;
  const auto mo = SmallCatalog();  // a catalog reads from bytes that outlive it
  auto catalog = Catalog::Parse(mo, error);
  ASSERT_TRUE(catalog) << error;
  EXPECT_EQ(catalog->Find("Yes").value_or(""), "Oui");
  EXPECT_FALSE(catalog->Find("No"));
  EXPECT_EQ(catalog->PluralIndex(1), 0u);
  EXPECT_EQ(catalog->PluralIndex(2), 1u);
}

TEST(CatalogTest, RefusesEachFault) {
  std::string error;
  auto mo = SmallCatalog();
  mo[0] = 0;  // magic
  EXPECT_FALSE(Catalog::Parse(mo, error));
  EXPECT_EQ(error, "the catalog does not start with the .mo magic number");

  mo = SmallCatalog();
  mo[8] = 200;  // more messages than the tables hold
  EXPECT_FALSE(Catalog::Parse(mo, error));

  mo = SmallCatalog();
  mo[36] = 0xF0;  // "Yes" said to be far longer than the file
  EXPECT_FALSE(Catalog::Parse(mo, error));
  EXPECT_EQ(error, "message 1 of the catalog reaches past its end");

  mo = SmallCatalog();
  mo.back() = 'x';  // the last string is not NUL-terminated
  EXPECT_FALSE(Catalog::Parse(mo, error));

  EXPECT_FALSE(Catalog::Parse(std::vector<std::uint8_t>(10, 0), error));
  EXPECT_EQ(error, "the catalog is shorter than its header");
}

}  // namespace
}  // namespace pressling
