#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace pressling::ui {

bool InstallQtTranslations(QCoreApplication& application, const Language& language) {
  // A second call replaces the translation of the first.
  const QString name = QStringLiteral("pressling-qt-translation");
  for (QTranslator* old : application.findChildren<QTranslator*>(name, Qt::FindDirectChildrenOnly)) {
    QCoreApplication::removeTranslator(old);
    delete old;
  }
  const QString tag = QString::fromStdString(language.tag());
  // Under the C locale Qt would take the language for English; the window's
  // language is chosen already, so the locale follows it.
  QLocale::setDefault(QLocale(tag));
  if (language.tag() == "en") return true;
  auto* translator = new QTranslator(&application);
  translator->setObjectName(name);
  if (!translator->load(QStringLiteral("qtbase_") + tag, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace pressling::ui
