#include "ui/window_surface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>
#include <QWidget>

#include "ui/twips.h"

namespace pressling::ui {

QColor ReportTextColour(const QWidget& owner) {
  // The ground is always the white picture; a dark desktop theme's light
  // window-text colour would leave the report unreadable on it.
  const QColor platform = owner.palette().color(QPalette::WindowText);
  return platform.lightness() > 160 ? QColor(Qt::black) : platform;
}

WindowSurface::WindowSurface(QWidget& owner, bool plainApostrophe)
    : owner_(owner), plainApostrophe_(plainApostrophe) {}

QStringList WindowSurface::FullLines() const {
  QStringList full;
  for (const Line& line : lines_) full.push_back(line.text);
  return full;
}

QString WindowSurface::FitLine(const QString& text, float x) const {
  QString shown = text;
  if (plainApostrophe_) shown.replace(QChar(u'\u2019'), QChar(u'\''));
  const QFontMetricsF metrics(owner_.font(), &owner_);
  const double room = kPanelInnerRight - TwipsToPixelsX(x, owner_);
  if (metrics.horizontalAdvance(shown) <= room) return shown;
  // Whole characters only, so a letter is never cut at the panel's edge.
  return metrics.elidedText(shown, Qt::ElideRight, room);
}

void WindowSurface::Paint(QPainter& painter) const {
  if (lines_.empty()) return;
  painter.save();
  painter.setFont(owner_.font());
  painter.setPen(ReportTextColour(owner_));
  const double ascent = QFontMetricsF(owner_.font(), &owner_).ascent();
  for (const Line& line : lines_) {
    // A print position names the top of the line; QPainter wants the baseline.
    QPointF topLeft = TwipsToPoint(line.x, line.y, owner_);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + ascent), line.shown);
  }
  painter.restore();
}

void WindowSurface::EraseText() {
  lines_.clear();
  owner_.update();
  if (changed_) changed_();
}

void WindowSurface::DrawText(const std::string& text, float x, float y) {
  // The database name pads with NULs; they carry no glyph.
  QString printed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  printed.remove(QChar(u'\0'));
  lines_.push_back({printed, FitLine(printed, x), x, y});
  owner_.update();
  if (changed_) changed_();
}

}  // namespace pressling::ui
