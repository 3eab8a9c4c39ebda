// Errors keep their message id and arguments, so that each front end shows
// them in its own language while logs and tests read the English.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "workfolder/result.h"

namespace pressling {
namespace {

TEST(ErrorTextTest, CommonSystemErrorsAreTranslatedAndTheirEnglishIsTheCLibrarys) {
  for (int errnum : {ENOENT, EACCES, EPERM, ENOSPC, EROFS, EISDIR, ENOTDIR, EEXIST, ELOOP, EIO, EDQUOT, ENAMETOOLONG}) {
    SCOPED_TRACE(errnum);
    // The tests never set a locale: strerror speaks the C locale's English.
    EXPECT_EQ(ErrnoText(errnum).English(), std::strerror(errnum));
    for (const char* tag : {"ja", "de", "fr"})
      EXPECT_NE(ErrnoText(errnum).In(Language::FromTag(tag)), std::strerror(errnum)) << tag;
  }
  // Others keep the C library's text in every language.
  EXPECT_EQ(ErrnoText(EBUSY).In(Language::FromTag("de")), std::strerror(EBUSY));
}

TEST(ErrorTextTest, AFailureNamesItsFileInEveryLanguage) {
  const Error failure = FileFailure("open", "/in/app.prc", ENOENT);
  EXPECT_EQ(failure.kind, ErrorKind::FileOperation);
  EXPECT_EQ(failure.message, "cannot open /in/app.prc: No such file or directory");
  EXPECT_EQ(failure.text.In(Language::FromTag("de")),
            "/in/app.prc kann nicht geöffnet werden: Datei oder Verzeichnis nicht gefunden");
  EXPECT_EQ(failure.text.In(Language()), "/in/app.prc を開けません：そのようなファイルやディレクトリはありません");

  const Error renamed = RenameFailure("/a/.x.1", "/a/x_comp.prc", EACCES);
  EXPECT_EQ(renamed.message, "cannot rename /a/.x.1 to /a/x_comp.prc: Permission denied");
  EXPECT_EQ(renamed.text.In(Language::FromTag("fr")),
            "impossible de renommer /a/.x.1 en /a/x_comp.prc : Permission refusée");

  // "name: fault", the fault rendered in the same language as its frame.
  const Error nested = Within("app.prc", failure);
  EXPECT_EQ(nested.kind, ErrorKind::FileOperation);
  EXPECT_EQ(nested.message, "app.prc: cannot open /in/app.prc: No such file or directory");
  EXPECT_EQ(nested.text.In(Language::FromTag("fr")),
            "app.prc : impossible d’ouvrir /in/app.prc : Aucun fichier ou dossier de ce nom");
}

TEST(ErrorTextTest, LiteralsStayAsTheyAre) {
  // A path that happens to spell a message id is not translated.
  const Message message = Msg("%s: %s", {std::string("none"), Msg("the name does not end in .prc")});
  EXPECT_EQ(message.In(Language::FromTag("de")), "none: der Name endet nicht auf .prc");
  // An error made from a plain string is the same in every language.
  const Error plain{ErrorKind::Corrupt, std::string("as it is")};
  EXPECT_EQ(plain.text.In(Language::FromTag("fr")), "as it is");
  EXPECT_TRUE(Message().empty());
  EXPECT_FALSE(Msg("no file given").empty());
}

}  // namespace
}  // namespace pressling
