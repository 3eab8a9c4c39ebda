#pragma once

#include "language/language.h"

class QCoreApplication;

namespace pressling::ui {

// Makes Qt's own texts (the buttons and columns of the file dialog, the
// standard buttons) speak language: loads the translation Qt ships for it
// and makes it the default locale, in place of any loaded before. Nothing to
// load for English. False when Qt's translation for the language is not
// installed; its texts stay English then.
bool InstallQtTranslations(QCoreApplication& application, const Language& language);

}  // namespace pressling::ui
