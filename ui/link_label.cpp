#include "ui/link_label.h"

#include <QDesktopServices>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPixmap>

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

LinkLabel::LinkLabel(QWidget* parent) : QLabel(QString::fromLatin1(HomePageAddress), parent) {
  setObjectName(QStringLiteral("Label3"));
  setFont(LinkFont());
  setFocusPolicy(Qt::NoFocus);
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setCursor(QCursor(QPixmap(QStringLiteral(":/artwork/hand.png")), 12, 3));
  SetTextColour(kUnvisitedColour);
  opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
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
  if (!clicked) return;
  // The colour changes only after the address was opened; a failure changes nothing.
  if (opener_ && opener_(QUrl(QString::fromLatin1(HomePageAddress)))) SetTextColour(kVisitedColour);
}

}  // namespace pressling::ui
