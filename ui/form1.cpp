#include "ui/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontDatabase>
#include <QIcon>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include "database/conversion_run.h"
#include "ui/link_label.h"
#include "ui/twips.h"

namespace pressling::ui {
namespace {

// The report is Japanese: a Japanese gothic face, the Windows one where it exists.
QString GothicFamily() {
  for (const char* family : {"ＭＳ ゴシック", "MS Gothic"}) {
    QString name = QString::fromUtf8(family);
    if (QFontDatabase::hasFamily(name)) return name;
  }
  return QStringLiteral("IPAGothic");
}

// The first local file of a drop, or an empty string when it carries none.
QString FirstLocalFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) return url.toLocalFile();
  }
  return {};
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addFile(QStringLiteral(":/artwork/icon-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      surface_(*this),
      background_(QStringLiteral(":/artwork/background.bmp")) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromLatin1(kCaption));
  setWindowIcon(ApplicationIcon());
  setFont(QFont(GothicFamily(), 9));
  setFixedSize(TwipsToSize(5745, 3165, *this));
  setAcceptDrops(true);
  setAttribute(Qt::WA_OpaquePaintEvent);  // paintEvent covers every pixel

  label3_ = new LinkLabel(this);
  label3_->move(TwipsToRect(2505, 2640, 2565, 225, *this).topLeft());

  // Text1 lies below the client area and is never seen; it only holds the focus.
  text1_ = new QLineEdit(QStringLiteral("Text1"), this);
  text1_->setObjectName(QStringLiteral("Text1"));
  QFont textFont(GothicFamily());
  textFont.setPointSizeF(8.25);
  text1_->setFont(textFont);
  text1_->setGeometry(TwipsToRect(240, 7080, 1935, 255, *this));
  text1_->setFocus();
}

void Form1::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.drawPixmap(0, 0, background_);
  surface_.Paint(painter);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  if (!busy_ && !FirstLocalFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
  // One run at a time: the run's event passes deliver drops too.
  if (busy_) return;
  QString path = FirstLocalFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  busy_ = true;
  // Start after the drop is acknowledged, so the dragging program is not held
  // for the length of the run.
  QMetaObject::invokeMethod(this, [this, path] { RunConversion(path); }, Qt::QueuedConnection);
}

void Form1::closeEvent(QCloseEvent* event) {
  if (!busy_) {
    event->accept();
    return;
  }
  // The run stops at its next event pass and cleans up; the window closes after it.
  closeRequested_ = true;
  event->ignore();
}

void Form1::RunConversion(const QString& path) {
  if (!closeRequested_) {
    EventPass eventPass = [this] {
      QCoreApplication::processEvents();
      // The dispatcher skips posted events that were already waiting when the
      // run started inside it; deliver those as well.
      QCoreApplication::sendPostedEvents();
      return !closeRequested_;
    };
    ConvertDatabase(QFile::encodeName(path).toStdString(), surface_, eventPass);
  }
  busy_ = false;
  if (closeRequested_) close();
}

}  // namespace pressling::ui
