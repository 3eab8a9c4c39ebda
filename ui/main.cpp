#include <QApplication>
#include <QScreen>
#include <QStyle>

#include "ui/form1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("pressling"));
  QApplication::setApplicationVersion(QStringLiteral(PRESSLING_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("pressling"));

  pressling::ui::Form1 form;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    form.move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, form.size(), screen->availableGeometry()).topLeft());
  }
  form.show();
  return app.exec();
}
