#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QStyle>
#include <cstdio>

#include "language/language.h"
#include "ui/command_line.h"
#include "ui/form1.h"
#include "ui/qt_translations.h"

namespace {

QStringList ArgumentsAfterProgram(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(QString::fromLocal8Bit(argv[i]));
  return arguments;
}

}  // namespace

int main(int argc, char* argv[]) {
  using pressling::ui::WindowRequest;
  // Chosen once, from the environment as the program found it; every text of the window follows it.
  const pressling::Language language = pressling::Language::FromEnvironment();
  // --help and --version need no display, so they are answered before Qt starts.
  const QStringList given = ArgumentsAfterProgram(argc, argv);
  switch (pressling::ui::ParseWindowArguments(given).action) {
    case WindowRequest::Action::Help:
      std::fputs(pressling::ui::WindowUsage(language).c_str(), stdout);
      return 0;
    case WindowRequest::Action::Version:
      std::printf("pressling %s\n", PRESSLING_VERSION);
      return 0;
    default:
      break;
  }
  // Without a display Qt would abort with a message about its platform plugins.
  if (!pressling::ui::HasDesktopSession(given)) {
    std::fputs(pressling::ui::NoDesktopSessionLine(language).c_str(), stderr);
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("pressling"));
  QApplication::setApplicationVersion(QStringLiteral(PRESSLING_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("pressling"));
  pressling::ui::InstallQtTranslations(app, language);

  // QApplication has taken its own options (-platform and so on) out of argv.
  const WindowRequest request = pressling::ui::ParseWindowArguments(ArgumentsAfterProgram(argc, argv));
  if (request.action == WindowRequest::Action::UsageError) {
    std::fputs(pressling::ui::UsageErrorLines(request, language).c_str(), stderr);
    return 2;
  }

  pressling::ui::Form1 form(language);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    form.move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, form.size(), screen->availableGeometry()).topLeft());
  }
  form.show();
  // The run starts from the event loop, once the window is up, as after a drop.
  if (!request.file.isEmpty()) form.StartRun(QFileInfo(request.file).absoluteFilePath());
  return app.exec();
}
