#include "ui/link_label.h"

#include <QDesktopServices>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include "ui/twips.h"

namespace pressling::ui {
namespace {

QFont LinkFont() {
  // Liberation Sans has Arial's metrics, so the caption keeps its extent.
  QString family = QFontDatabase::hasFamily(QStringLiteral("Arial")) ? QStringLiteral("Arial")
                                                                      : QStringLiteral("Liberation Sans");
  QFont font(family, 9, QFont::Bold);
  font.setUnderline(true);
  return font;
}

}  // namespace

void OpenInBrowser(const QUrl& url, const OpenDone& done) {
#ifdef Q_OS_LINUX
  // QDesktopServices reports success as soon as xdg-open has started, even
  // when it then finds no browser; its exit status is the real answer.
  const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (!xdgOpen.isEmpty()) {
    // Owned by no widget: a QProcess kills its program when destroyed, and
    // closing the window must not stop a browser from starting.
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, [process, done](int code, QProcess::ExitStatus status) {
      process->deleteLater();
      done(status == QProcess::NormalExit && code == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, done](QProcess::ProcessError error) {
      // Every other error is followed by finished().
      if (error != QProcess::FailedToStart) return;
      process->deleteLater();
      done(false);
    });
    process->start(xdgOpen, {url.toString(QUrl::FullyEncoded)});
    return;
  }
#endif
  done(QDesktopServices::openUrl(url));
}

QCursor HandCursor() { return QCursor(QPixmap(QStringLiteral(":/artwork/hand.png")), 12, 3); }

LinkLabel::LinkLabel(QWidget* parent) : QLabel(QString::fromLatin1(HomePageAddress), parent) {
  setObjectName(QStringLiteral("Label3"));
  setFont(LinkFont());
  // Reached with Tab, not taken by a click: the mouse leaves the focus mark alone.
  setFocusPolicy(Qt::TabFocus);
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setCursor(HandCursor());
  SetTextColour(kUnvisitedColour);
  opener_ = OpenInBrowser;
  // The label is exactly as large as its caption on one line, at least its
  // designed 2565 x 225 twips.
  QSize designed = TwipsToSize(2565, 225, *this);
  resize(sizeHint().expandedTo(designed));
}

void LinkLabel::SetOpener(UrlOpener opener) { opener_ = std::move(opener); }

QColor LinkLabel::TextColour() const { return palette().color(QPalette::WindowText); }

void LinkLabel::SetTextColour(QRgb rgb) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, QColor::fromRgb(rgb));
  setPalette(colours);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  // A click is a press and a release of the left button over the label.
  bool clicked = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (clicked) Activate();
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier) break;
      event->accept();
      Activate();
      return;
    default:
      break;
  }
  QLabel::keyPressEvent(event);
}

void LinkLabel::Activate() {
  if (!opener_) return;
  // The colour changes only after the address was opened; a failure changes
  // nothing. The answer may come after the window is gone.
  opener_(QUrl(QString::fromLatin1(HomePageAddress)), [label = QPointer<LinkLabel>(this)](bool opened) {
    if (!label) return;
    if (opened) label->SetTextColour(kVisitedColour);
    emit label->OpenFinished(opened);
  });
}

}  // namespace pressling::ui
